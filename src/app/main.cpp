#include "app/platform/PlatformServices.h"
#include "app/window/MainForm.h"
#include "obd/ObdParameters.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

const char* const HelpText =
    "usage: can-adapter-config [--help] [--version] [Qt options such as -style NAME] [FILE]\n"
    "\n"
    "Opens the window that prepares the CAN adapter's configuration: the channel table, the\n"
    "bit rate, OBD mode, .ccf files, the Intel HEX image and the start of the flasher.\n"
    "FILE, once the window is up, is opened as the window opens it: a configuration file\n"
    "(.ccf) as File > Load does, a CAN database (.dbc) in the import dialog, an Intel HEX\n"
    "image (.hex) as Tools > Load from image does.\n"
    "can-adapter-cli does the same work without the window.\n"
    "\n"
    "  -h, --help     show this text and exit\n"
    "  -v, --version  show the program's version and exit\n";

bool isOption(const char* argument, const char* shortName, const char* longName) {
    return std::strcmp(argument, shortName) == 0 || std::strcmp(argument, longName) == 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Answered before the window system is touched: they need no display.
    for (int i = 1; i < argc; ++i) {
        if (isOption(argv[i], "-h", "--help")) {
            std::fputs(HelpText, stdout);
            return 0;
        }
        if (isOption(argv[i], "-v", "--version")) {
            std::printf("can-adapter-config %s\n", qUtf8Printable(cac::ProgramVersion()));
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(cac::app::ApplicationTitle());

    cac::app::MainForm window(cac::app::RealPlatformServices());
    window.startUp();
    // Qt has taken its own options out; the first other argument is the file.
    const QStringList arguments = QApplication::arguments().mid(1);
    for (const QString& argument : arguments) {
        if (!argument.startsWith(u'-')) {
            window.openFile(argument);
            break;
        }
    }
    return QApplication::exec();
}

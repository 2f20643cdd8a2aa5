// can-adapter-cli: the engine without the window. Each command starts from the
// state the window has right after start-up.

#include "cli/CliCommon.h"
#include "cli/Console.h"
#include "obd/ObdParameters.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <new>

namespace cac::cli {

int RunHexCommand(const QStringList& arguments);
int RunCheckCommand(const QStringList& arguments);
int RunShowCommand(const QStringList& arguments);
int RunCcfCommand(const QStringList& arguments);
int RunDbcCommand(const QStringList& arguments);
int RunImportCommand(const QStringList& arguments);
int RunLayoutCommand(const QStringList& arguments);
int RunExportDbcCommand(const QStringList& arguments);
int RunDecodeCommand(const QStringList& arguments);
int RunDiscoverCommand(const QStringList& arguments);

const QList<Command>& Commands() {
    static const QList<Command> commands = {
        {"hex", "hex CONFIG.ccf [--catalogue FILE] [--obd] [-o FILE]",
         "write the Intel HEX of the configuration image", RunHexCommand},
        {"check", "check CONFIG.ccf [--catalogue FILE] [--obd] [--strict]",
         "explain what the image will get and why it may not be meant", RunCheckCommand},
        {"show", "show FILE [--catalogue FILE] [--obd] [--json]",
         "show a .ccf or an Intel HEX image as a table of its settings", RunShowCommand},
        {"ccf", "ccf IMAGE.hex [--catalogue FILE] [-o FILE]",
         "write a .ccf that builds the image in IMAGE.hex again", RunCcfCommand},
        {"dbc", "dbc FILE.dbc [--json] [--catalogue FILE]",
         "list a CAN database's signals with the channel row each gives", RunDbcCommand},
        {"import",
         "import FILE.dbc SIGNAL[=VARIABLE][,SIGNAL...] --into CONFIG.ccf [--channel N] "
         "[--obd] [--catalogue FILE] [-o FILE]",
         "fill channels of a configuration from CAN database signals", RunImportCommand},
        {"layout", "layout CONFIG.ccf [--id ID] [--catalogue FILE] [--obd]",
         "draw each frame the channels read, bit by bit", RunLayoutCommand},
        {"export-dbc", "export-dbc CONFIG.ccf [--catalogue FILE] [--obd] [-o FILE]",
         "write the channels as a CAN database", RunExportDbcCommand},
        {"decode",
         "decode CONFIG.ccf LOG [--catalogue FILE] [--obd] "
         "[--format candump|asc|trc|csv|blf] [--csv OUT.csv]",
         "show what each channel makes of the frames of a CAN log", RunDecodeCommand},
        {"discover",
         "discover LOG [--format candump|asc|trc|csv|blf] [--id ID] [--json] [--dbc OUT.dbc]",
         "find the signals of a CAN log without a database", RunDiscoverCommand},
    };
    return commands;
}

namespace {

const char* const ExitStatusText = "Exit status:\n"
                                   "  0  success\n"
                                   "  1  an input cannot be read or is not what it should be,\n"
                                   "     or the output cannot be written (an earlier output\n"
                                   "     file is then left untouched)\n"
                                   "  2  usage error\n"
                                   "  3  check: the configuration has an error (with --strict,\n"
                                   "     also a warning); ccf: the configuration written does\n"
                                   "     not build the image again\n";

void PrintOverview(std::FILE* to) {
    for (const Command& command : Commands())
        std::fprintf(to, "usage: can-adapter-cli %s\n", command.usage);
}

void PrintHelp() {
    std::puts("can-adapter-cli: prepares the CAN adapter's configuration without the window.\n");
    PrintOverview(stdout);
    std::puts("\nCommands:");
    for (const Command& command : Commands())
        std::printf("  %-10s %s\n", command.name, command.summary);
    std::printf("\n'can-adapter-cli COMMAND --help' describes a command's options.\n\n%s",
                ExitStatusText);
}

int TopLevelUsageError(const QString& message) {
    PrintError(message);
    PrintOverview(stderr);
    return ExitUsage;
}

// The last resort when memory runs out: a message naming the file being read
// and exit status 1, never an abort. Needs no memory of its own.
[[noreturn]] void ExitOutOfMemory() {
    std::fputs("can-adapter-cli: out of memory", stderr);
    const QByteArray& input = InputBeingRead();
    if (!input.isEmpty()) {
        std::fputs(" while reading '", stderr);
        std::fwrite(input.constData(), 1, static_cast<size_t>(input.size()), stderr);
        std::fputs("'", stderr);
    }
    std::fputs("\n", stderr);
    std::fflush(stderr);
    std::_Exit(ExitFileError);
}

// An allocation that fails where no exception may pass ends the run here.
[[noreturn]] void Terminate() {
    if (const std::exception_ptr thrown = std::current_exception()) {
        try {
            std::rethrow_exception(thrown);
        } catch (const std::bad_alloc&) {
            ExitOutOfMemory();
        } catch (...) {
        }
    }
    std::abort();
}

int Dispatch(const QString& word, const QStringList& arguments) {
    for (const Command& command : Commands()) {
        if (word == QLatin1String(command.name)) {
            QStringList rest = arguments.mid(2);
            rest.prepend(QStringLiteral("can-adapter-cli ") + word);
            return command.run(rest);
        }
    }
    return TopLevelUsageError(QStringLiteral("unknown command '%1'").arg(word));
}

} // namespace
} // namespace cac::cli

int main(int argc, char* argv[]) {
    using namespace cac::cli;
    PrepareConsole();
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("can-adapter-cli"));
    QCoreApplication::setApplicationVersion(cac::ProgramVersion());

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() < 2)
        return TopLevelUsageError(QStringLiteral("missing command"));
    const QString word = arguments.at(1);
    if (word == QLatin1String("--help") || word == QLatin1String("-h")) {
        PrintHelp();
        return ExitOk;
    }
    if (word == QLatin1String("--version") || word == QLatin1String("-v")) {
        std::printf("can-adapter-cli %s\n", qUtf8Printable(cac::ProgramVersion()));
        return ExitOk;
    }
    std::set_terminate(Terminate);
    try {
        return Dispatch(word, arguments);
    } catch (const std::bad_alloc&) {
        // Unwound: the memory of the failed run is given back, an output
        // file half written is removed.
        ExitOutOfMemory();
    }
}

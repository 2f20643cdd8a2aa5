#include "app/MainForm.h"
#include "app/PlatformServices.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(cac::app::ApplicationTitle());

    cac::app::MainForm window(cac::app::RealPlatformServices());
    window.startUp();
    return QApplication::exec();
}

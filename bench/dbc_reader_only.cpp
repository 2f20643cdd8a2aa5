// The floor of `can-adapter-cli dbc`: a QtCore program that reads the CAN
// database named by its argument, as the command does, and ends.
#include "dbc/CanDatabase.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    const QCoreApplication app(argc, argv);
    cac::CanDatabase database;
    return argc > 1 && cac::LoadCanDatabase(QString::fromLocal8Bit(argv[1]), database) ? 0 : 1;
}

// The floor of a command-line start: a QtCore program that only constructs
// QCoreApplication and ends.
#include <QCoreApplication>

int main(int argc, char* argv[]) {
    const QCoreApplication app(argc, argv);
    return 0;
}

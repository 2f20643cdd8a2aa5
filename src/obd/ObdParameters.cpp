#include "obd/ObdParameters.h"

#include "Version.h"

namespace cac {

QStringList ObdParameterNames() {
    static const QStringList names = {QStringLiteral("Engine Load"),
                                      QStringLiteral("Coolant temp"),
                                      QStringLiteral("Bank 1 short term trim"),
                                      QStringLiteral("Bank 1 Long term trim"),
                                      QStringLiteral("Bank 2 short term trim"),
                                      QStringLiteral("Bank 2 Long term trim"),
                                      QStringLiteral("Fuel pressure"),
                                      QStringLiteral("Intake manifold pressure"),
                                      QStringLiteral("Engine RPM"),
                                      QStringLiteral("vehicle speed (NOT USED)"),
                                      QStringLiteral("Timing advance"),
                                      QStringLiteral("Intake Air Temperature"),
                                      QStringLiteral("MAF rate (NOT USED)"),
                                      QStringLiteral("Throttle Percentage"),
                                      QStringLiteral("Lambda1"),
                                      QStringLiteral("Lambda2"),
                                      QStringLiteral("Auxiliary 2 Percent (NOT USED)"),
                                      QStringLiteral("Unknown (NOT USED)")};
    return names;
}

QStringList StartupObdPriorities() {
    static const QStringList priorities = {
        QStringLiteral("2"),   QStringLiteral("5"),   QStringLiteral("5"), QStringLiteral("7"),
        QStringLiteral("5"),   QStringLiteral("7"),   QStringLiteral("4"), QStringLiteral("3"),
        QStringLiteral("1"),   QStringLiteral("OFF"), QStringLiteral("2"), QStringLiteral("4"),
        QStringLiteral("OFF"), QStringLiteral("1"),   QStringLiteral("3"), QStringLiteral("3"),
        QStringLiteral("OFF"), QStringLiteral("OFF")};
    return priorities;
}

QStringList PriorityEntries() {
    static const QStringList entries = [] {
        QStringList list{QStringLiteral("OFF")};
        for (int level = 1; level <= 8; ++level)
            list.append(QString::number(level));
        return list;
    }();
    return entries;
}

QString ProgramVersion() {
    return QStringLiteral("%1.%2.%3")
        .arg(CAC_VERSION_MAJOR)
        .arg(CAC_VERSION_MINOR)
        .arg(CAC_VERSION_PATCH);
}

QString WindowCaption(bool obdMode) {
    return (obdMode ? QStringLiteral("Combined OBD and CAN adapter configuration utility ")
                    : QStringLiteral("CAN adapter configuration utility ")) +
           ProgramVersion();
}

} // namespace cac

#include "cli/DbcInput.h"

#include "cli/CliCommon.h"

#include <cstdio>

namespace cac::cli {

int ReadDatabase(const QString& path, CanDatabase& database) {
    QString error;
    NoteInput(path);
    if (!LoadCanDatabase(path, database, &error)) {
        PrintError(QStringLiteral("cannot read '%1': %2").arg(path, error));
        return ExitFileError;
    }
    for (const DbcProblem& problem : database.problems)
        std::fprintf(stderr, "%s:%d: %s\n", qUtf8Printable(path), problem.line,
                     qUtf8Printable(problem.message));
    if (database.messages.isEmpty()) {
        PrintError(
            QStringLiteral("'%1' is not a CAN database: it defines no message (BO_)").arg(path));
        return ExitFileError;
    }
    return ExitOk;
}

} // namespace cac::cli

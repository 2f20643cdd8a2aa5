#pragma once

#include "output/FlasherCommand.h"

#include <QString>
#include <QStringList>

namespace cac::app {

// True when the file begins like a Windows executable: "MZ", and at the
// offset stored at 0x3C the signature "PE\0\0".
bool IsWindowsExecutable(const QString& path);

// The first executable file called `name` in the folders of `searchPath`, or
// an empty string.
QString FindExecutable(const QString& name, const QStringList& searchPath);

// The folders of a PATH-style variable.
QStringList SearchPathFolders(const QString& pathVariable);

// How the flasher is started on this machine: a program, its arguments and
// the folder to start it in, unless `problem` says in one line why it cannot
// be started.
struct FlasherStart {
    QString program;
    QStringList arguments;
    QString workingDirectory; // empty: the caller's own
    QString problem;          // non-empty: nothing may be started
};

// A Windows host starts the flasher itself, as always. Elsewhere a Windows
// executable is handed to the first `wine` of `searchPath` with the same four
// arguments, and any other flasher is started itself; both run in the
// application folder (the flasher's own), so that Wine places them on the
// drive that holds the Unix paths of their arguments.
FlasherStart PlanFlasherStart(const FlasherInvocation& invocation, const QStringList& searchPath,
                              bool windowsHost);

} // namespace cac::app

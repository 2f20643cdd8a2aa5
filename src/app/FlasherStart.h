#pragma once

#include "output/FlasherCommand.h"

#include <QString>
#include <QStringList>

namespace cac::app {

// True when the file begins like a Windows executable: "MZ", and at the
// offset stored at 0x3C the signature "PE\0\0".
bool IsWindowsExecutable(const QString& path);

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
// executable is handed to the first `wine` on `pathVariable` (PATH's form)
// with the same four arguments, and any other flasher is started itself; both
// start in the flasher's own folder, the application folder, which for Wine
// puts the current drive where the Unix paths of the arguments lie.
FlasherStart PlanFlasherStart(const FlasherInvocation& invocation, const QString& pathVariable,
                              bool windowsHost);

} // namespace cac::app

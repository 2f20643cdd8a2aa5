#pragma once

#include "output/FlasherCommand.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace cac::app {

// True when the file begins like a Windows executable: "MZ", and at the
// offset stored at 0x3C the signature "PE\0\0".
bool IsWindowsExecutable(const QString& path);

// What the platform can tell of the program it started last.
struct StartedProgram {
    enum class State { Unknown, Running, Ended };
    State state = State::Unknown;
    int exitCode = 0; // once Ended; a program that crashed counts as non-zero
};

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

// The same start, watched where the started program is not the caller's
// child (a detached start on Unix): a shell starts it, waits for it and writes
// its exit status as decimal digits into `statusFile`. The program gets its
// arguments unchanged: the shell passes them on as they are, never reading
// "<" or ">" in them.
FlasherStart WatchedFlasherStart(const FlasherStart& start, const QString& statusFile);

// The exit status such a status file holds: the file's digits, or nullopt
// while the file does not exist or holds no number (the program still runs,
// or the shell was stopped).
std::optional<int> ReadExitStatusFile(const QString& statusFile);

// Starts the flasher detached, so that it runs on when the window closes, and
// keeps only what is needed to look at it later: a process handle on Windows,
// elsewhere the process id and the status file of the shell that waits for it
// (WatchedFlasherStart).
class FlasherProcess {
public:
    FlasherProcess();
    ~FlasherProcess();
    FlasherProcess(const FlasherProcess&) = delete;
    FlasherProcess& operator=(const FlasherProcess&) = delete;

    // Starts a planned start without a problem. `commandLine` is what Windows
    // gets, exactly as built. Empty on success, otherwise why not.
    QString start(const FlasherStart& start, const QString& commandLine);
    // The program of the last successful start.
    StartedProgram lastStarted();

private:
    void forgetLast();

    struct Watch;
    std::unique_ptr<Watch> m_watch;
};

} // namespace cac::app

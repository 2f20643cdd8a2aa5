#include "app/platform/FlasherStart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <string>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <signal.h>
#include <sys/types.h>
#endif

namespace cac::app {

bool IsWindowsExecutable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray dosHeader = file.read(0x40);
    if (dosHeader.size() < 0x40 || !dosHeader.startsWith("MZ"))
        return false;
    const quint32 peOffset = qFromLittleEndian<quint32>(dosHeader.constData() + 0x3C);
    return file.seek(peOffset) && file.read(4) == QByteArray("PE\0\0", 4);
}

namespace {

QString FindExecutable(const QString& name, const QString& pathVariable) {
    for (const QString& folder : pathVariable.split(QDir::listSeparator(), Qt::SkipEmptyParts)) {
        const QFileInfo candidate(QDir(folder).filePath(name));
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.absoluteFilePath();
    }
    return {};
}

} // namespace

FlasherStart PlanFlasherStart(const FlasherInvocation& invocation, const QString& pathVariable,
                              bool windowsHost) {
    const QFileInfo flasher(invocation.program);
    FlasherStart start{invocation.program, invocation.arguments, flasher.absolutePath(), {}};
    if (!flasher.isFile()) {
        start.problem =
            QStringLiteral("it is not in %1").arg(QDir::toNativeSeparators(start.workingDirectory));
    } else if (windowsHost) {
        start.workingDirectory.clear();
    } else if (IsWindowsExecutable(invocation.program)) {
        start.program = FindExecutable(QStringLiteral("wine"), pathVariable);
        start.arguments.prepend(invocation.program);
        if (start.program.isEmpty())
            start.problem = QStringLiteral("it is a Windows program and Wine is not installed "
                                           "(no wine on PATH)");
    }
    if (!start.problem.isEmpty())
        start.problem.prepend(QStringLiteral("Cannot start %1: ").arg(FlasherProgramName));
    return start;
}

FlasherStart WatchedFlasherStart(const FlasherStart& start, const QString& statusFile) {
    FlasherStart watched = start;
    watched.program = QStringLiteral("/bin/sh");
    // $1 is the status file, the rest the program and its arguments. The
    // status goes to a file of its own first, so that it is never read half
    // written; a file that cannot be written any more (the window has gone
    // and taken its folder along) is nobody's concern.
    watched.arguments = QStringList{
        QStringLiteral("-c"),
        QStringLiteral("status=$1; shift; \"$@\"; code=$?; "
                       "{ echo $code >\"$status.part\" && mv \"$status.part\" \"$status\"; } "
                       "2>/dev/null"),
        QStringLiteral("sh"), statusFile, start.program};
    watched.arguments += start.arguments;
    return watched;
}

std::optional<int> ReadExitStatusFile(const QString& statusFile) {
    QFile file(statusFile);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool ok = false;
    const int code = file.read(16).trimmed().toInt(&ok);
    return ok ? std::optional<int>(code) : std::nullopt;
}

struct FlasherProcess::Watch {
#ifdef Q_OS_WIN
    HANDLE process = nullptr;
#else
    std::unique_ptr<QTemporaryDir> statusFolder; // made at the first start
    QString statusFile;                          // empty: nothing started is watched
    qint64 pid = 0;
    int starts = 0;
#endif
};

FlasherProcess::FlasherProcess() : m_watch(std::make_unique<Watch>()) {}

FlasherProcess::~FlasherProcess() {
    forgetLast();
}

QString FlasherProcess::start(const FlasherStart& start, const QString& commandLine) {
    forgetLast();
    FlasherStart run = start;
#ifndef Q_OS_WIN
    Watch& watch = *m_watch;
    if (!watch.statusFolder)
        watch.statusFolder = std::make_unique<QTemporaryDir>();
    if (watch.statusFolder->isValid()) {
        watch.statusFile = watch.statusFolder->filePath(QString::number(++watch.starts));
        run = WatchedFlasherStart(start, watch.statusFile);
    }
#endif
    QProcess process;
    process.setProgram(run.program);
    process.setArguments(run.arguments);
    process.setWorkingDirectory(run.workingDirectory);
#ifdef Q_OS_WIN
    // Windows gets the command line exactly as built, unquoted; the program
    // is named apart, so blanks in its folder mislead nothing. The buffers
    // live until the start, which is done before this function returns.
    const std::wstring wideProgram = QDir::toNativeSeparators(run.program).toStdWString();
    std::wstring wideCommandLine = commandLine.toStdWString();
    process.setCreateProcessArgumentsModifier(
        [&wideProgram, &wideCommandLine](QProcess::CreateProcessArguments* args) {
            args->applicationName = wideProgram.c_str();
            args->arguments = wideCommandLine.data();
        });
#else
    Q_UNUSED(commandLine);
#endif
    qint64 pid = 0;
    if (!process.startDetached(&pid)) {
        forgetLast();
        return QStringLiteral("Cannot start %1: %2").arg(start.program, process.errorString());
    }
#ifdef Q_OS_WIN
    m_watch->process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE,
                                   static_cast<DWORD>(pid));
#else
    watch.pid = pid;
#endif
    return {};
}

StartedProgram FlasherProcess::lastStarted() {
    StartedProgram program;
#ifdef Q_OS_WIN
    DWORD code = 0;
    if (!m_watch->process)
        return program;
    if (WaitForSingleObject(m_watch->process, 0) == WAIT_TIMEOUT) {
        program.state = StartedProgram::State::Running;
    } else if (GetExitCodeProcess(m_watch->process, &code)) {
        program.state = StartedProgram::State::Ended;
        program.exitCode = static_cast<int>(code);
    }
#else
    const Watch& watch = *m_watch;
    if (watch.statusFile.isEmpty())
        return program;
    if (const std::optional<int> code = ReadExitStatusFile(watch.statusFile)) {
        program.state = StartedProgram::State::Ended;
        program.exitCode = *code;
    } else if (watch.pid > 0 && ::kill(static_cast<pid_t>(watch.pid), 0) == 0) {
        program.state = StartedProgram::State::Running; // the shell still waits for it
    }
#endif
    return program;
}

void FlasherProcess::forgetLast() {
#ifdef Q_OS_WIN
    if (m_watch->process)
        CloseHandle(m_watch->process);
    m_watch->process = nullptr;
#else
    if (!m_watch->statusFile.isEmpty())
        QFile::remove(m_watch->statusFile);
    m_watch->statusFile.clear();
    m_watch->pid = 0;
#endif
}

} // namespace cac::app

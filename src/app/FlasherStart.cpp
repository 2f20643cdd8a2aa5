#include "app/FlasherStart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

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

} // namespace cac::app

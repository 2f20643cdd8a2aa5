#pragma once

#include <QChar>
#include <QString>
#include <QStringList>

namespace cac {

inline const QString FlasherProgramName = QStringLiteral("Updrive.exe");

// The port number the flasher gets: the last three characters of the port
// list's text, read as a number ("Serial Port 3" gives 3, "COM7" gives 7).
QString PortNumberText(const QString& portText);

// The flasher's command line: folder + sep + "Updrive.exe <FACTORY> <F:" +
// folder + sep + "TempConfig.hex > <P:" + port + ">". The folder is inserted
// as is, without quotes. `sep` is the platform's path separator.
QString FlasherCommandLine(const QString& appFolder, const QString& portText, QChar sep);

// The same command split for a direct start without a shell: the program path
// and the four arguments separated by the command line's own four blanks
// (blanks inside the folder path stay inside their argument).
struct FlasherInvocation {
    QString program;
    QStringList arguments;
};
FlasherInvocation FlasherInvocationFor(const QString& appFolder, const QString& portText,
                                       QChar sep);

// The platform's separator: '\\' on Windows, '/' elsewhere.
QChar NativeSeparator();

} // namespace cac

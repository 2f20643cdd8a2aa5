#include "output/FlasherCommand.h"

#include "channels/NumericText.h"
#include "output/IntelHex.h"

#include <QtGlobal>

namespace cac {

QChar NativeSeparator() {
#ifdef Q_OS_WIN
    return u'\\';
#else
    return u'/';
#endif
}

QString PortNumberText(const QString& portText) {
    // Entries end in the port number, which has at most two digits.
    return QString::number(TextToNumber(portText.right(3)), 'g', 15);
}

FlasherInvocation FlasherInvocationFor(const QString& appFolder, const QString& portText,
                                       QChar sep) {
    return {appFolder + sep + FlasherProgramName,
            {QStringLiteral("<FACTORY>"), QStringLiteral("<F:") + appFolder + sep + HexFileName,
             QStringLiteral(">"), QStringLiteral("<P:") + PortNumberText(portText) + u'>'}};
}

QString FlasherCommandLine(const QString& appFolder, const QString& portText, QChar sep) {
    const FlasherInvocation invocation = FlasherInvocationFor(appFolder, portText, sep);
    return invocation.program + u' ' + invocation.arguments.join(u' ');
}

} // namespace cac

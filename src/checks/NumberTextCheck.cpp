// How a number text looks to a person, against how the image reads it.
#include "channels/NumericText.h"
#include "checks/CheckSupport.h"
#include "common/TextBlanks.h"

#include <QRegularExpression>

#include <cmath>

namespace cac {
namespace {

bool sameNumber(double a, double b) {
    return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(a));
}

bool isHexDigits(const QString& text) {
    static const QRegularExpression digits(QStringLiteral("^[0-9A-Fa-f]+$"));
    return digits.match(text).hasMatch();
}

} // namespace

std::optional<double> ShownNumber(const QString& text) {
    static const QRegularExpression decimal(
        QStringLiteral("^ *[+-]?(?=[.,]?\\d)\\d*(?:[.,]\\d*)?(?:[eE][+-]?\\d+)? *$"));
    static const QRegularExpression hexadecimal(QStringLiteral("^0[xX]([0-9A-Fa-f]{1,8}) *$"));
    if (const QRegularExpressionMatch hex = hexadecimal.match(text); hex.hasMatch())
        return static_cast<double>(hex.captured(1).toUInt(nullptr, 16));
    if (!decimal.match(text).hasMatch())
        return std::nullopt;
    return QString(text).remove(u' ').replace(u',', u'.').toDouble();
}

namespace checks {

QString NumberTextProblem(const QString& text) {
    const double read = TextToNumber(text);
    const std::optional<double> shown = ShownNumber(text);
    if (shown && std::isfinite(*shown) && sameNumber(*shown, read))
        return {};
    const QString trimmed = TrimBlanks(text).toString();
    const QString readText = NumberText(read);
    QString why;
    if (trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) && !text.startsWith(trimmed))
        why = QStringLiteral("a blank before it makes 0x count for nothing, so it is decimal");
    else if (text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        const QString digits = QString(text.mid(2)).remove(u' ');
        if (shown)
            why =
                QStringLiteral("eight hexadecimal digits from 80000000 on make a negative number");
        else if (digits.size() > 8 && isHexDigits(digits))
            why = QStringLiteral("more than eight hexadecimal digits have no 32-bit value");
        else
            why = QStringLiteral("hexadecimal digits end at the first other character");
    } else if (trimmed.size() > 40)
        why = QStringLiteral("only its first 40 characters count");
    else if (shown)
        why = QStringLiteral("it is too large for a number");
    else if (isHexDigits(trimmed) && trimmed.toUpper() != trimmed.toLower()) // a letter
        why = QStringLiteral("without 0x it is decimal, and letters are skipped");
    else
        why = QStringLiteral("what does not belong to one number is skipped");
    return QStringLiteral("%1 is read as %2: %3").arg(Quoted(text), readText, why);
}

} // namespace checks
} // namespace cac

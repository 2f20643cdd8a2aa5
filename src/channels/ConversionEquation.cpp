#include "channels/ConversionEquation.h"

#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "channels/NumericText.h"

namespace cac {

QString FormatGeneralNumber(double value, QChar decimalPoint) {
    // %G with 15 digits: exponent form below 1E-4 or from 1E15 on, two-digit
    // exponents with sign, trailing zeros removed.
    QString text = QString::asprintf("%.15G", value);
    if (text == QLatin1String("-0"))
        text = QStringLiteral("0");
    return text.replace(u'.', decimalPoint);
}

QString ConversionEquationText(const ConfigModel& model, const VariableCatalogue& catalogue,
                               int row, QChar decimalPoint) {
    const QString variable = model.cell(row, ColVariable);
    const std::int32_t id = row >= 1 ? FindVariableIndex(catalogue, variable) : -1;
    if (id <= 0)
        return QStringLiteral("n/a");

    const QString resolution =
        QString::number(static_cast<double>(GetVariableResolution(id)), 'f', 3)
            .replace(u'.', decimalPoint);
    return variable + u' ' + GetVariableUnits(id) + QStringLiteral(" = (CAN INPUT) / ") +
           FormatGeneralNumber(TextToNumber(model.cell(row, ColScale)), decimalPoint) +
           QStringLiteral(" + ") +
           FormatGeneralNumber(TextToNumber(model.cell(row, ColOffset)), decimalPoint) +
           QStringLiteral(
               "         (note: the data in the VL serial message has a resolution of ") +
           resolution + u'}';
}

} // namespace cac

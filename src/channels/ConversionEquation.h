#pragma once

#include "catalogue/VariableCatalogue.h"

#include <QChar>
#include <QString>

namespace cac {

class ConfigModel;

// The text of the conversion-equation label for channel row `row` (0 is the
// title row): "n/a" when the row names no variable, otherwise the variable,
// its unit, "= (CAN INPUT) / scale + offset" and the resolution note.
// `decimalPoint` is the user's decimal separator.
QString ConversionEquationText(const ConfigModel& model, const VariableCatalogue& catalogue,
                               int row, QChar decimalPoint);

// A number in the general form: up to 15 significant digits, no trailing
// zeros, exponent form ("1E-05", "1.5E+16") for very small or large values.
QString FormatGeneralNumber(double value, QChar decimalPoint);

} // namespace cac

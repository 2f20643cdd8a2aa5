#pragma once

#include "catalogue/VariableCatalogue.h"
#include "dbc/CanDatabase.h"

#include <QHash>
#include <QString>
#include <QStringList>

namespace cac {

// The catalogue unit text ("[RPM]", "[degrees Celsius]", ...) that a
// database's unit spelling stands for ("rpm", "1/min", "degC", "°C", ...), or
// an empty text when it stands for none of them. An empty unit or "-" is
// "[no units]".
QString CatalogueUnitFor(const QString& dbcUnit);

// The variables a signal suits: the entries of the variable list whose
// variable has the catalogue unit that the signal's unit stands for, those
// that share most words with the signal's name first. Built once per
// catalogue, then asked per signal.
class VariableProposals {
public:
    VariableProposals(const VariableCatalogue& catalogue, const QStringList& variableList);

    // Variable list entries; equally good ones keep their list order.
    QStringList forSignal(const DbcSignal& signal) const;

private:
    QHash<QString, QStringList> m_entriesByUnit; // by catalogue unit text
};

} // namespace cac

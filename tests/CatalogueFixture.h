#pragma once

#include "catalogue/VariableCatalogue.h"

#include <initializer_list>
#include <utility>

// A catalogue built in memory: `upperIndex` + 1 entries with empty names, then
// the given (identifier, default name, user name) entries.
struct NamedVariable {
    int id;
    QString defaultName;
    QString userName;
};

inline cac::VariableCatalogue MakeCatalogue(int upperIndex,
                                            std::initializer_list<NamedVariable> named) {
    cac::VariableCatalogue catalogue(upperIndex + 1);
    for (const NamedVariable& v : named)
        catalogue[v.id] = cac::CatalogueEntry{v.defaultName, v.userName};
    return catalogue;
}

// The catalogue most tests share: the full 8001 entries the look-up expects.
inline cac::VariableCatalogue StandardCatalogue() {
    return MakeCatalogue(8000, {{1000, "OILT", "Oil temp"},
                                {1500, "RPM", "Engine speed"},
                                {4000, "NOU", "Counter"},
                                {4002, "CNT3", "Third counter"},
                                {4255, "CNT256", "Far counter"}});
}

#pragma once

// What can-adapter-cli show prints: a table for people, JSON for scripts.

#include "catalogue/VariableCatalogue.h"
#include "checks/Finding.h"

#include <QByteArray>
#include <QString>

namespace cac {
class ConfigModel;
}

namespace cac::cli {

struct ShownConfiguration {
    QString file;
    bool fromImage = false; // an Intel HEX image rather than a .ccf
    const ConfigModel& model;
    const VariableCatalogue& catalogue;
    QList<Finding> readingFindings; // what reading an image back could not say
};

QByteArray ShowAsText(const ShownConfiguration& shown);
QByteArray ShowAsJson(const ShownConfiguration& shown);

} // namespace cac::cli

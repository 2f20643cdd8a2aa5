#pragma once

#include "catalogue/VariableCatalogue.h"
#include "common/Finding.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

namespace cac {

class ConfigModel;

// Reading a configuration image back into settings that build it again.

struct IdentifierReading {
    bool extended = false;
    std::int32_t id = 0;
};

// The identifier an identifier word without the marker stands for, or
// nullopt for a word the builder never writes.
std::optional<IdentifierReading> DecodeIdentifierWord(const QByteArray& word);

// A 32-bit float (or 0) that gives these adapter float bytes, or nullopt for
// bytes no 32-bit float gives. Subnormal floats, whose exponent byte is 00,
// are read back too.
std::optional<float> DecodeAdapterFloat(const QByteArray& bytes);

// The shortest number text, searched around `near`, that TextToNumber reads
// as a number `gives` accepts; empty when there is none.
QString ShortestNumberText(double near, const std::function<bool(double)>& gives);

// Priority texts ("OFF", "1" to "8", or a higher number) for an OBD priority
// table; rows (1-based) whose bytes these texts do not give again are listed
// in `unreadableRows`.
QStringList DecodeObdPriorityTable(const QByteArray& table, QList<int>* unreadableRows = nullptr);

struct ImageDecoding {
    bool obdMode = false;                 // channel 15 carries OBD: the image was built in OBD mode
    bool identical = false;               // the settings build this image again, byte for byte
    QList<Finding> findings;              // what the settings cannot say, and notes on reading them
    QList<std::int32_t> unnamedVariables; // fed by the image, named by no catalogue entry
};

// Writes into `model`, which must be in its start-up state, settings that
// build `image` again: the channel cells, the bit rate, the priorities and
// OBD mode. Where the image does not say what was typed, a cell gets the
// shortest text giving the same bytes (a scale stored as a 32-bit float, say);
// a channel whose bytes are those of an untouched row stays empty. What cannot
// be turned back (a variable the catalogue does not name, bytes no settings
// give) is a finding, and `identical` is then false.
ImageDecoding DecodeConfigImage(const QByteArray& image, const VariableCatalogue& catalogue,
                                ConfigModel& model);

} // namespace cac

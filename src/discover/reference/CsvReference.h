#pragma once

#include "canlog/LogReader.h"
#include "discover/reference/ReferenceSeries.h"

#include <QList>
#include <QString>

class QIODevice;

namespace cac {

// A reference exported by another instrument: rows of time (seconds, the
// log's clock) and value, separated by commas, semicolons or tabs (the first
// row decides), numbers with a decimal point. A first row that is not two
// numbers is a header: its second cell names the series, a unit in brackets
// or parentheses ("Speed [km/h]") gives the unit; its first cell may give the
// time's unit the same way ("Time [ms]", "time_ms"): s, ms, us or min.
// Further columns are read over. Rows out of time order are sorted.
struct CsvReference {
    ReferenceSeries series;
    // Why nothing could be used: an empty file, a header alone, no row read.
    QString error;
    // Rows that could not be read: how many, and the first few of them.
    qint64 problemCount = 0;
    QList<LogProblem> problems;
    bool sorted = false; // the rows were out of time order
    // The time unit the header named ("ms"), empty for seconds by default;
    // the points are in seconds whatever it is.
    QString timeUnit;
    static constexpr int KeptProblems = 20;
    static constexpr std::size_t MaxPoints = 1 << 20;

    bool ok() const { return error.isEmpty(); }
};

// Reads the device's rows; the device must be open.
CsvReference ReadCsvReference(QIODevice* device);
// Reads the file; `error` says when it cannot be opened.
CsvReference LoadCsvReference(const QString& path);

} // namespace cac

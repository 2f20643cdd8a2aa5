#pragma once

// What the benchmark programs share: the catalogue they read, and the goals
// each figure is held against in the summary printed after a run.

#include <QByteArray>
#include <QString>

#include <benchmark/benchmark.h>

#include <vector>

namespace bench {

// A catalogue shaped like a real one: indices 0 to 8000, one in four named
// (VAR<id>, "Logger variable <id>"), and the unused fields filled.
const QByteArray& RealisticCatalogue();

// The same catalogue as a file, kept until the program ends.
const QString& RealisticCataloguePath();

// A CAN database of `messages` messages of 8 signals each, with comments,
// attributes and value tables (about 1.4 kB a message).
QByteArray GeneratedCanDatabase(int messages);

// Runs the program once an iteration, its output thrown away, and times it
// by the CPU time it used (user and system, from wait4); wall time is kept as
// a counter.
void TimeProcess(benchmark::State& state, const std::vector<const char*>& arguments);

} // namespace bench

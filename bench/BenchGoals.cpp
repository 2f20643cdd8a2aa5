// The benchmark program's main: runs the benchmarks, then sets each figure
// beside its floor and its goal, from the medians when repetitions were run.
#include "BenchGoals.h"

#include "VarsFileWriter.h"

#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <malloc.h>
#include <map>
#include <string>
#include <vector>

namespace bench {

const QByteArray& RealisticCatalogue() {
    static const QByteArray bytes = [] {
        cac::tools::VarsFileLayout varsFile;
        varsFile.upperIndexA = 20;
        varsFile.upperIndexB = 8000;
        for (int id = 0; id <= 8000; id += 4)
            varsFile.entries.insert(id, {QStringLiteral("VAR%1").arg(id),
                                         QStringLiteral("Logger variable %1").arg(id)});
        return cac::tools::WriteVarsFile(varsFile);
    }();
    return bytes;
}

const QString& RealisticCataloguePath() {
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString path = dir.filePath(QStringLiteral("Vars.cfg"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(RealisticCatalogue()) < 0)
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return path;
    }();
    return path;
}

namespace {

// A figure against its floor: at most `limit` times the floor. Without a
// floor, `limit` is in microseconds.
struct Goal {
    const char* what;
    const char* figure;
    const char* floor;
    double limit;
};

const Goal Goals[] = {
    {"catalogue of 8001 entries read", "ReadCatalogue", "Floor_ReadFile", 3.0},
    {"the same, from its file (read included)", "LoadCatalogue", "Floor_ReadFile", 0},
    {"look-up, 8001 against 1001 entries", "FindVariableIndex/8001", "FindVariableIndex/1001", 1.5},
    {"15 look-ups against a naive linear scan", "FindVariableIndex15", "Floor_LinearScan15", 0},
    {"BuildConfigImage, 15 channels, 8001 entries", "BuildConfigImage", nullptr, 20.0},
    {"IntelHexText of the image", "IntelHexText", "Floor_NaiveIntelHex", 2.0},
    {"checks of the same table, run on every edit", "CheckConfiguration", "BuildConfigImage", 12.0},
    {"its HEX read back into settings and verified", "ReadBack", nullptr, 2000.0},
    {"CLI hex end to end", "CliHex", "Floor_QtCoreNoop", 1.3},
    {"5 MB CAN database read from its file", "LoadDatabaseFile", nullptr, 100000.0},
    {"CLI dbc --json, 843 kB database", "CliDbcJson", "Floor_QtCoreDbcReader", 2.0},
    {"candump log decoded by 5 channels", "DecodeCandump", "Floor_CandumpLines", 2.5},
    {"BLF log decoded by 5 channels", "DecodeBlf", "Floor_BlfInflate", 2.0},
    {"candump log's signals found (discover)", "DiscoverCandump", "DecodeCandump", 3.0},
    {"demo drive's signals found", "DiscoverDemoDrive", "DecodeDemoDrive", 3.0},
    {"the same, OBD references and pages", "DiscoverDemoDriveObd", "DecodeDemoDrive", 3.0},
};

// Keeps the time of every run, the median where there are aggregates.
class GoalReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if (run.run_type == Run::RT_Aggregate && !median)
                continue;
            // The name without the options that follow it ("/min_time:2.000/manual_time").
            std::string name = run.run_name.function_name;
            if (!run.run_name.args.empty())
                name += "/" + run.run_name.args;
            if (median || !m_medians.count(name)) {
                // Processes are timed by hand (their CPU time); the rest by this process's CPU
                // time.
                const double seconds =
                    name.rfind("Cli", 0) == 0 || name.rfind("Floor_QtCore", 0) == 0
                        ? run.GetAdjustedRealTime()
                        : run.GetAdjustedCPUTime();
                m_times[name] = seconds * 1e6 / benchmark::GetTimeUnitMultiplier(run.time_unit);
                m_medians[name] = median;
            }
        }
    }

    void printGoals() const {
        std::printf("\nGoals (%s; CPU time, of the child for processes):\n",
                    m_medians.empty() || !m_medians.begin()->second ? "single runs" : "medians");
        for (const Goal& goal : Goals) {
            const auto figure = m_times.find(goal.figure);
            const auto floor = goal.floor ? m_times.find(goal.floor) : m_times.end();
            if (figure == m_times.end() || (goal.floor && floor == m_times.end()))
                continue;
            if (!goal.floor) {
                std::printf("  %-44s %10.2f us  %28s goal <= %.0f us  %s\n", goal.what,
                            figure->second, "", goal.limit,
                            figure->second <= goal.limit ? "met" : "MISSED");
                continue;
            }
            const double ratio = figure->second / floor->second;
            std::printf("  %-44s %10.2f us  floor %10.2f us  %5.2fx", goal.what, figure->second,
                        floor->second, ratio);
            if (goal.limit > 0)
                std::printf("  goal <= %.1fx  %s\n", goal.limit,
                            ratio <= goal.limit ? "met" : "MISSED");
            else
                std::printf("\n");
        }
    }

private:
    std::map<std::string, double> m_times; // microseconds
    std::map<std::string, bool> m_medians;
};

} // namespace
} // namespace bench

int main(int argc, char** argv) {
    // The allocator keeps what is freed, as in a program that goes on running:
    // otherwise every iteration would also time the kernel handing the same
    // pages back, after glibc returned them at the previous one.
    mallopt(M_TRIM_THRESHOLD, 256 * 1024 * 1024);
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    bench::GoalReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printGoals();
    benchmark::Shutdown();
    return 0;
}

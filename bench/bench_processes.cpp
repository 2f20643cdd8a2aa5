// The command line end to end: `can-adapter-cli hex` on a full catalogue,
// beside a QtCore program that only constructs QCoreApplication. Both run as
// processes; each is timed by the CPU time it used (user and system, from
// wait4), which other work on the machine hardly changes. Wall time is kept
// as a counter.
#include "BenchGoals.h"

#include <QTemporaryFile>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <chrono>
#include <vector>

extern char** environ;

namespace {

// Runs the program with its output thrown away; returns its CPU seconds,
// or a negative value when it could not be run or failed.
double RunProcess(const std::vector<const char*>& arguments, double& wallSeconds) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    for (const char* argument : arguments)
        argv.push_back(const_cast<char*>(argument));
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

} // namespace

void bench::TimeProcess(benchmark::State& state, const std::vector<const char*>& arguments) {
    double wall = 0;
    for (auto _ : state) {
        double seconds = 0;
        const double cpu = RunProcess(arguments, seconds);
        if (cpu < 0) {
            state.SkipWithError("the program did not run to success");
            break;
        }
        state.SetIterationTime(cpu);
        wall += seconds;
    }
    state.counters["wall_ms"] = benchmark::Counter(wall * 1e3, benchmark::Counter::kAvgIterations);
}

namespace {

void Floor_QtCoreNoop(benchmark::State& state) {
    bench::TimeProcess(state, {CAC_NOOP_PATH});
}
BENCHMARK(Floor_QtCoreNoop)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

void CliHex(benchmark::State& state) {
    const QByteArray catalogue = bench::RealisticCataloguePath().toLocal8Bit();
    bench::TimeProcess(state, {CAC_CLI_PATH, "hex", CAC_EXAMPLES_DIR "/engine-demo.ccf",
                               "--catalogue", catalogue.constData()});
}
BENCHMARK(CliHex)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace

// The window's costs that must not grow with the data: opening the variable
// list of a full catalogue and filtering it, beside the same with a list of
// one entry; repainting the channel grid with every cell at 100 KB, beside
// the same with the short texts cells usually hold; the window's answers
// while the CAN preview reads a long candump log, beside the same window idle.
//
// The log's size is CAC_BENCH_PREVIEW_MIB mebibytes (64 unless set; the goal
// is held at 1024).
#include "FakePlatform.h"
#include "VarsFileWriter.h"
#include "app/grid/CellListEditor.h"
#include "app/grid/CellListPopup.h"
#include "app/preview/PreviewPanel.h"
#include "app/window/MainForm.h"
#include "app/window/ObjectNames.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <QTimer>

#include <cstdio>
#include <memory>

namespace {

// The list of a catalogue with all 8001 entries named.
QStringList FullVariableList() {
    cac::tools::VarsFileLayout varsFile;
    varsFile.upperIndexB = 8000;
    for (int id = 0; id <= 8000; ++id)
        varsFile.entries.insert(
            id, {QStringLiteral("VAR%1").arg(id), QStringLiteral("Logger variable %1").arg(id)});
    return cac::ReadVariableDefinitions(cac::tools::WriteVarsFile(varsFile)).variableList;
}

void OpenAndFilter(benchmark::State& state, const QStringList& entries) {
    QWidget host;
    host.resize(600, 400);
    host.show();
    for (auto _ : state) {
        state.PauseTiming(); // the list is filled once, at start-up
        auto list = std::make_unique<cac::app::CellListEditor>(&host);
        list->setFilterable(true);
        list->addItems(entries);
        list->setGeometry(10, 10, 300, list->sizeHint().height());
        list->show();
        state.ResumeTiming();

        list->showPopup();
        QCoreApplication::processEvents(); // shown and painted
        for (const QChar key : QStringLiteral("able 47"))
            list->popup()->filterField()->insert(key);
        QCoreApplication::processEvents();
        benchmark::DoNotOptimize(list->popup()->view()->model()->rowCount());
        list->hidePopup();
    }
}
BENCHMARK_CAPTURE(OpenAndFilter, full catalogue, FullVariableList())->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OpenAndFilter, floor one entry, QStringList{QStringLiteral("**Do not use**")})
    ->Unit(benchmark::kMillisecond);

// Every channel cell holds its column's default text, continued, when
// `length` asks for more, with a word naming the cell and further words. With `fresh`,
// every cell starts with a new word before each repaint, so nothing laid out
// for an earlier one is reused: the first repaint after a load.
void GridRepaint(benchmark::State& state, qsizetype length, bool fresh) {
    const QTemporaryDir folder; // no catalogue there: the variable list is "**Do not use**"
    cac::testing::FakePlatform fake;
    fake.folders->catalogue = folder.filePath(QStringLiteral("Vars.cfg"));
    fake.folders->appFolder = folder.path();
    cac::app::MainForm window(fake.services());
    window.startUp();
    cac::ConfigModel* model = window.model();
    QString words;
    for (int i = 0; words.size() < length; ++i)
        words += QStringLiteral(" word%1").arg(i);
    QList<QString> defaults;
    for (int row = 1; row <= cac::ChannelCount; ++row) {
        model->FillRowDefaults(row);
        for (int column = 1; column < cac::ChannelGridColumns; ++column)
            defaults << model->cell(row, column);
    }
    const auto fill = [&](const QString& first) {
        for (int row = 1, i = 0; row <= cac::ChannelCount; ++row) {
            for (int column = 1; column < cac::ChannelGridColumns; ++column, ++i) {
                const QString text = first + defaults.at(i);
                model->setCell(row, column,
                               length <= text.size()
                                   ? text
                                   : (text + QStringLiteral(" r%1c%2").arg(row).arg(column) + words)
                                         .left(length));
            }
        }
    };
    fill(QString());
    QWidget* cells = window.findChild<QTableView*>(cac::app::names::ChannelGrid)->viewport();
    int round = 0;
    for (auto _ : state) {
        if (fresh) {
            state.PauseTiming();
            fill(QString::number(++round));
            state.ResumeTiming();
        }
        cells->repaint();
    }
}
BENCHMARK_CAPTURE(GridRepaint, every cell 100 KB, 100 * 1024, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GridRepaint, every cell 100 KB first paint, 100 * 1024, true)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(GridRepaint, floor short cells, 0, false)->Unit(benchmark::kMillisecond);

// Kilobytes of a line of /proc/self/status ("VmRSS:", "VmHWM:").
qint64 StatusKb(const char* key) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').first().toLongLong();
    return 0;
}

// A candump log of about `bytes` bytes: the frames of the engine demo's
// channels, one identifier no channel takes, values that move.
void WriteCandumpLog(const QString& path, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    static const char* const frames[] = {"280#0000%02X0C32140002",
                                         "288#%02X00000000000000",
                                         "2A0#00%02X1400",
                                         "18FEF100#000000%02X00000000",
                                         "5A0#%02X20",
                                         "4B0#%02X"};
    QByteArray chunk;
    char line[80];
    for (qint64 i = 0, written = 0; written < bytes; ++i) {
        const int n = std::snprintf(line, sizeof line, "(%.6f) can0 ", 1436509052.0 + i * 1e-4);
        std::snprintf(line + n, sizeof line - n, frames[i % 6], int(i / 6 % 256));
        chunk += line;
        chunk += '\n';
        if (chunk.size() >= (1 << 20)) {
            written += file.write(chunk);
            chunk.clear();
        }
    }
}

struct PreviewFigures {
    double longestPauseMs = 0, addedMb = 0, seconds = 0;
    qint64 frames = 0, logMib = 0;
};
PreviewFigures g_read, g_idle;

// The longest the event loop waits between two ticks of a 1 ms timer while
// the preview reads the log (`read`), or for as long with nothing to do;
// and the most memory the process held beyond what it held before.
void PreviewLongLog(benchmark::State& state, bool read) {
    const qint64 mib = qEnvironmentVariableIsSet("CAC_BENCH_PREVIEW_MIB")
                           ? qEnvironmentVariableIntValue("CAC_BENCH_PREVIEW_MIB")
                           : 64;
    const QTemporaryDir folder;
    const QString log = folder.filePath(QStringLiteral("long.log"));
    if (read)
        WriteCandumpLog(log, mib << 20);
    cac::testing::FakePlatform fake;
    fake.folders->catalogue = folder.filePath(QStringLiteral("Vars.cfg"));
    fake.folders->appFolder = folder.path();
    fake.dialogs->answer = QStringLiteral(CAC_EXAMPLES_DIR "/engine-demo.ccf");
    cac::app::MainForm window(fake.services());
    window.startUp();
    window.findChild<QAction*>(cac::app::names::MenuLoad)->trigger();
    auto* panel = window.findChild<cac::app::PreviewPanel*>();
    PreviewFigures& figures = read ? g_read : g_idle;
    // The window shown with its panel open and painted, before the clock runs.
    panel->show();
    QEventLoop settle;
    QTimer::singleShot(500, &settle, &QEventLoop::quit);
    settle.exec();
    for (auto _ : state) {
        const qint64 before = StatusKb("VmRSS:");
        QFile clear(QStringLiteral("/proc/self/clear_refs")); // the peak starts from here
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5");
        QEventLoop loop;
        QElapsedTimer clock, sinceTick;
        double longest = 0;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(1);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longest = std::max(longest, sinceTick.nsecsElapsed() / 1e6);
            sinceTick.restart();
            if (!read && clock.elapsed() >= g_read.seconds * 1000)
                loop.quit();
        });
        QObject::connect(panel, &cac::app::PreviewPanel::refreshed, &loop, &QEventLoop::quit);
        clock.start();
        sinceTick.start();
        tick.start();
        if (read)
            panel->previewLogFile(log);
        loop.exec();
        figures.seconds = clock.elapsed() / 1000.0;
        state.SetIterationTime(figures.seconds);
        figures.longestPauseMs = longest;
        figures.addedMb = (StatusKb("VmHWM:") - before) / 1024.0;
        figures.frames = read && panel->decoding() ? panel->decoding()->tally().frames() : 0;
        figures.logMib = read ? mib : 0;
    }
    state.counters["longest_pause_ms"] = figures.longestPauseMs;
    state.counters["added_MB"] = figures.addedMb;
    state.counters["log_MiB"] = double(figures.logMib);
    state.counters["frames"] = double(figures.frames);
}
BENCHMARK_CAPTURE(PreviewLongLog, candump log read, true)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);
// As long as the read took, with nothing to read.
BENCHMARK_CAPTURE(PreviewLongLog, floor idle window, false)
    ->Iterations(1)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

void PrintPreviewGoals() {
    if (g_read.frames == 0)
        return;
    std::printf("\nGoals of the preview of a %lld MiB candump log (%lld frames, read in %.1f s):\n",
                g_read.logMib, g_read.frames, g_read.seconds);
    std::printf("  longest pause of the event loop  %8.1f ms  floor %6.1f ms  goal <= 50 ms  %s\n",
                g_read.longestPauseMs, g_idle.longestPauseMs,
                g_read.longestPauseMs <= 50 ? "met" : "MISSED");
    std::printf("  memory added while reading       %8.1f MB  floor %6.1f MB  goal < 300 MB  %s\n",
                g_read.addedMb, g_idle.addedMb, g_read.addedMb < 300 ? "met" : "MISSED");
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    PrintPreviewGoals();
    benchmark::Shutdown();
    return 0;
}

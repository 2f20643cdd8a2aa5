// The window's costs that must not grow with the data: opening the variable
// list of a full catalogue and filtering it, beside the same with a list of
// one entry; repainting the channel grid with every cell at 100 KB, beside
// the same with the short texts cells usually hold.
#include "FakePlatform.h"
#include "VarsFileWriter.h"
#include "app/CellListEditor.h"
#include "app/CellListPopup.h"
#include "app/MainForm.h"
#include "app/ObjectNames.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>
#include <QTableView>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

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

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

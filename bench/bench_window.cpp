// Opening the variable list of a full catalogue and typing a filter into it,
// key by key, beside the floor: the same with a list of one entry, which is
// what showing and painting any drop-down costs.
#include "VarsFileWriter.h"
#include "app/CellListEditor.h"
#include "app/CellListPopup.h"
#include "catalogue/VariableCatalogue.h"

#include <QApplication>
#include <QLineEdit>
#include <QListView>

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

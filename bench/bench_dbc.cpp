// Timings of the CAN database reader on a generated 5 MB database (3600
// messages, 28800 signals, with comments, attributes and value tables), beside
// the floor of reading and decoding the same bytes, and of mapping every
// signal to its channel row as a listing does; and `can-adapter-cli dbc
// --json` end to end beside a program that only reads the database.
#include "BenchGoals.h"
#include "dbc/CanDatabase.h"
#include "dbc/SignalRow.h"

#include <QFile>
#include <QTemporaryFile>

#include <benchmark/benchmark.h>

namespace {

constexpr int Messages = 3600;
constexpr int SignalsPerMessage = 8;

} // namespace

QByteArray bench::GeneratedCanDatabase(int messages) {
    static const char* const Units[] = {"rpm", "degC", "%", "mbar", "Hz", "ms", "deg", ""};
    QByteArray text = "VERSION \"\"\n\nNS_ :\n\tCM_\n\tBA_DEF_\n\tBA_\n\tVAL_\n\nBS_:\n\n"
                      "BU_: ECU TCU ABS BCM Logger\n\n";
    QByteArray tail = "BA_DEF_ BO_ \"GenMsgCycleTime\" INT 0 65535;\n";
    for (int m = 0; m < messages; ++m) {
        const bool extended = m % 3 == 0 || m >= 0x7F8; // 11-bit identifiers stay unique
        const quint64 id = extended ? (0x80000000u | (0x18F00000u + m)) : m;
        text += "BO_ " + QByteArray::number(id) + " Message_" + QByteArray::number(m) + ": 8 ECU\n";
        const bool multiplexed = m % 10 == 0;
        for (int s = 0; s < SignalsPerMessage; ++s) {
            const QByteArray name = "Signal_" + QByteArray::number(m) + '_' + QByteArray::number(s);
            QByteArray mark = " ";
            if (multiplexed)
                mark = s == 0 ? " M " : " m" + QByteArray::number(s % 3) + ' ';
            text += " SG_ " + name + mark + ": " + QByteArray::number(s * 8) + "|8@" +
                    (s % 2 ? "0" : "1") + (s % 4 ? "+" : "-") + " (0." + QByteArray::number(1 + s) +
                    ",-" + QByteArray::number(40 + s) + ") [-40|215] \"" + Units[s] +
                    "\" TCU,ABS,Logger\n";
            tail += "CM_ SG_ " + QByteArray::number(id) + ' ' + name +
                    " \"Generated signal with a comment\nthat spans two lines.\";\n";
            if (s == 7)
                tail += "VAL_ " + QByteArray::number(id) + ' ' + name +
                        " 0 \"Off\" 1 \"On\" 2 \"Error\" 3 \"Not available\" ;\n";
        }
        text += '\n';
        tail += "CM_ BO_ " + QByteArray::number(id) + " \"Message " + QByteArray::number(m) +
                " of the generated bus.\";\n";
        tail += "BA_ \"GenMsgCycleTime\" BO_ " + QByteArray::number(id) + " 100;\n";
    }
    return text + tail;
}

namespace {

// The generated database, in memory and as a file.
struct Database {
    QByteArray bytes = bench::GeneratedCanDatabase(Messages);
    QTemporaryFile file;
    Database() {
        if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
            qFatal("cannot write the generated database");
    }
};

Database& Generated() {
    static Database database;
    return database;
}

void Check(benchmark::State& state, const cac::CanDatabase& database) {
    if (database.messages.size() != Messages || !database.problems.isEmpty())
        state.SkipWithError("database not read completely");
}

void LoadDatabaseFile(benchmark::State& state) {
    Database& generated = Generated();
    for (auto _ : state) {
        cac::CanDatabase database;
        if (!cac::LoadCanDatabase(generated.file.fileName(), database))
            state.SkipWithError("cannot read the file");
        Check(state, database);
        benchmark::DoNotOptimize(database.messages.constData());
    }
    state.SetBytesProcessed(state.iterations() * generated.bytes.size());
    state.counters["file_MB"] = static_cast<double>(generated.bytes.size()) / 1e6;
}
BENCHMARK(LoadDatabaseFile)->Unit(benchmark::kMillisecond);

void ReadDatabaseBytes(benchmark::State& state) {
    const QByteArray& bytes = Generated().bytes;
    for (auto _ : state) {
        const cac::CanDatabase database = cac::ReadCanDatabase(bytes);
        Check(state, database);
        benchmark::DoNotOptimize(database.messages.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(ReadDatabaseBytes)->Unit(benchmark::kMillisecond);

// Floor: the file's bytes, then the same bytes decoded as the reader's first
// step does.
void FloorReadFileBytes(benchmark::State& state) {
    Database& generated = Generated();
    for (auto _ : state) {
        QFile file(generated.file.fileName());
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot read the file");
        const QByteArray bytes = file.readAll();
        benchmark::DoNotOptimize(bytes.constData());
    }
    state.SetBytesProcessed(state.iterations() * generated.bytes.size());
}
BENCHMARK(FloorReadFileBytes)->Unit(benchmark::kMillisecond);

void FloorDecodeUtf8(benchmark::State& state) {
    const QByteArray& bytes = Generated().bytes;
    for (auto _ : state) {
        const QString text = QString::fromUtf8(bytes);
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(FloorDecodeUtf8)->Unit(benchmark::kMillisecond);

void MapEverySignal(benchmark::State& state) {
    const cac::CanDatabase database = cac::ReadCanDatabase(Generated().bytes);
    for (auto _ : state) {
        for (const cac::DbcMessage& message : database.messages) {
            for (const cac::DbcSignal& signal : message.signalList)
                benchmark::DoNotOptimize(cac::MapSignalToRow(message, signal).notes.size());
        }
    }
    state.SetItemsProcessed(state.iterations() * Messages * SignalsPerMessage);
}
BENCHMARK(MapEverySignal)->Unit(benchmark::kMillisecond);

// `can-adapter-cli dbc --json` on an 843 kB database (600 messages, 4800
// signals), beside a QtCore program that only reads the same database. The
// tool reads the catalogue a user without Vars.cfg has: the demo catalogue
// beside it, so the listing proposes variables for every signal.
const QByteArray& DatabasePath() {
    static QTemporaryFile file;
    static const QByteArray path = [] {
        const QByteArray bytes = bench::GeneratedCanDatabase(600);
        if (!file.open() || file.write(bytes) != bytes.size() || !file.flush())
            qFatal("cannot write the generated database");
        return file.fileName().toLocal8Bit();
    }();
    return path;
}

void Floor_QtCoreDbcReader(benchmark::State& state) {
    bench::TimeProcess(state, {CAC_DBC_READER_PATH, DatabasePath().constData()});
}
BENCHMARK(Floor_QtCoreDbcReader)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

void CliDbcJson(benchmark::State& state) {
    bench::TimeProcess(state, {CAC_CLI_PATH, "dbc", DatabasePath().constData(), "--json"});
}
BENCHMARK(CliDbcJson)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace

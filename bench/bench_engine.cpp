// The engine's hot paths, each beside its floor: reading a full catalogue
// (against a read(2) of its file), the variable look-up (against its own
// time on a smaller catalogue, and a linear scan), building the image of a
// full table, and its Intel HEX text (against a naive formatter); checking
// the table and reading its HEX back into settings (against the image build
// they repeat).
#include "BenchGoals.h"
#include "VarsFileWriter.h"
#include "catalogue/VariableCatalogue.h"
#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "checks/ConfigChecks.h"
#include "common/TextBlanks.h"
#include "image/ConfigImage.h"
#include "image/ImageDecoder.h"
#include "output/IntelHex.h"
#include "output/IntelHexReader.h"

#include <QDataStream>
#include <QIODevice>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace {

// The floor of reading a catalogue: open, read(2) into a buffer of the
// file's size, close.
void Floor_ReadFile(benchmark::State& state) {
    const QByteArray path = bench::RealisticCataloguePath().toLocal8Bit();
    std::vector<char> buffer(static_cast<size_t>(bench::RealisticCatalogue().size()));
    for (auto _ : state) {
        const int fd = ::open(path.constData(), O_RDONLY);
        const ssize_t read = ::read(fd, buffer.data(), buffer.size());
        ::close(fd);
        if (read != static_cast<ssize_t>(buffer.size()))
            state.SkipWithError("file not read");
        benchmark::DoNotOptimize(buffer.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(buffer.size()));
}
BENCHMARK(Floor_ReadFile)->Unit(benchmark::kMicrosecond);

// Bytes held by the allocator now, mapped blocks included.
size_t HeldBytes() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Reading: what start-up pays. Releasing the catalogue happens once, at the
// end of a run, and is timed on its own below.
template <typename Read> void TimeRead(benchmark::State& state, Read&& read) {
    for (auto _ : state) {
        auto load = std::make_unique<cac::CatalogueLoad>(read());
        if (load->corrupt || load->catalogue.size() != 8001)
            state.SkipWithError("catalogue not read");
        state.PauseTiming();
        load.reset();
        state.ResumeTiming();
    }
    // Memory the catalogue holds, per byte of its file.
    const size_t before = HeldBytes();
    const cac::CatalogueLoad load = read();
    state.counters["held_per_file_byte"] = static_cast<double>(HeldBytes() - before) /
                                           static_cast<double>(bench::RealisticCatalogue().size());
    state.SetBytesProcessed(state.iterations() * bench::RealisticCatalogue().size());
}

void ReadCatalogue(benchmark::State& state) {
    const QByteArray& bytes = bench::RealisticCatalogue();
    TimeRead(state, [&] { return cac::ReadVariableDefinitions(bytes); });
}
BENCHMARK(ReadCatalogue)->Unit(benchmark::kMicrosecond);

void LoadCatalogue(benchmark::State& state) {
    const QString& path = bench::RealisticCataloguePath();
    TimeRead(state, [&] { return cac::LoadVariableDefinitions(path); });
}
BENCHMARK(LoadCatalogue)->Unit(benchmark::kMicrosecond);

void ReleaseCatalogue(benchmark::State& state) {
    const QByteArray& bytes = bench::RealisticCatalogue();
    for (auto _ : state) {
        state.PauseTiming();
        auto load = std::make_unique<cac::CatalogueLoad>(cac::ReadVariableDefinitions(bytes));
        state.ResumeTiming();
        load.reset();
    }
}
BENCHMARK(ReleaseCatalogue)->Unit(benchmark::kMicrosecond);

// A leading table of one record, then a claim of 2^31 - 1 entries followed by
// a single real one and the signature.
void RejectHugeClaim(benchmark::State& state) {
    cac::tools::VarsFileLayout varsFile;
    QByteArray bytes = cac::tools::WriteVarsFile(varsFile);
    QDataStream out(&bytes, QIODevice::ReadWrite);
    out.setByteOrder(QDataStream::LittleEndian);
    out.device()->seek(4 + 4 * 3); // A, four one-character strings
    out << qint32(2147483647);
    for (auto _ : state) {
        const cac::CatalogueLoad load = cac::ReadVariableDefinitions(bytes);
        if (!load.corrupt || !load.catalogue.isEmpty())
            state.SkipWithError("claim not refused");
        benchmark::DoNotOptimize(load.corrupt);
    }
}
BENCHMARK(RejectHugeClaim)->Unit(benchmark::kNanosecond);

// The look-up on catalogues of 1001 to 8001 entries, one in four named: the
// same time whatever the size. The texts are those channels hold: the last
// name, a middle one in other letter case and blanks, one that no entry
// has (the whole search before the index), the empty cell.
void FindVariableIndex(benchmark::State& state) {
    const auto size = static_cast<int>(state.range(0));
    QMap<std::int32_t, cac::CatalogueEntry> entries;
    for (int id = 0; id < size; id += 4)
        entries.insert(id, {QStringLiteral("VAR%1").arg(id), QString()});
    const cac::VariableCatalogue catalogue(size, entries);
    const QStringList texts = {QStringLiteral("Last {VAR%1}").arg((size - 1) / 4 * 4),
                               QStringLiteral("  middle {var%1}  ").arg(size / 8 * 4),
                               QStringLiteral("Not in the catalogue {NONE}"), QString()};
    for (auto _ : state) {
        for (const QString& text : texts)
            benchmark::DoNotOptimize(cac::FindVariableIndex(catalogue, text));
    }
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(FindVariableIndex)
    ->Arg(1001)
    ->Arg(2001)
    ->Arg(4001)
    ->Arg(8001)
    ->Unit(benchmark::kNanosecond);

// Every channel configured, every third with a variable that is not in the
// catalogue.
QStringList ChannelVariables() {
    QStringList variables;
    for (int channel = 1; channel <= cac::ChannelCount; ++channel)
        variables << (channel % 3 == 0 ? QStringLiteral("Not in the catalogue {NONE}")
                                       : QStringLiteral("Logger variable 1000 {VAR1000}"));
    return variables;
}

void FillTable(cac::ConfigModel& model) {
    const QStringList values = {{},
                                QStringLiteral("29 bit"),
                                QStringLiteral("0x18FEF100"),
                                QStringLiteral("Byte 2"),
                                QStringLiteral("0x12"),
                                QStringLiteral("8"),
                                QStringLiteral("16"),
                                QStringLiteral("Unsigned"),
                                QStringLiteral("Motorola forw MSB"),
                                QStringLiteral("0,1"),
                                QStringLiteral("-40"),
                                QStringLiteral("0")};
    const QStringList variables = ChannelVariables();
    for (int channel = 1; channel <= cac::ChannelCount; ++channel) {
        model.setCell(channel, 1, variables.at(channel - 1));
        for (int column = 2; column <= 12; ++column)
            model.setCell(channel, column, values.at(column - 1));
    }
    model.setBaudRateText(QStringLiteral("1 Mbit"));
}

// The image's 15 look-ups the way they were made before the index: every
// entry's default name, trimmed, compared with the key in place.
std::int32_t LinearFind(const cac::VariableCatalogue& catalogue, const QString& text) {
    QString key = text.left(text.indexOf(u'[') < 0 ? text.size() : text.indexOf(u'['));
    key = cac::TrimBlanks(key).toString().toUpper();
    const qsizetype open = key.indexOf(u'{');
    const qsizetype close = key.indexOf(u'}');
    if (open >= 0 && close > open)
        key = key.mid(open + 1, close - open - 1);
    const qsizetype last = std::min<qsizetype>(8000, catalogue.size() - 1);
    for (qsizetype id = 0; id <= last; ++id) {
        const QLatin1StringView name = cac::TrimBlanks(catalogue.defaultName(id));
        if (name.size() != key.size())
            continue;
        qsizetype i = 0;
        for (; i < name.size(); ++i) {
            char16_t ch = name[i].unicode();
            if (ch >= u'a' && ch <= u'z')
                ch = static_cast<char16_t>(ch - u'a' + u'A');
            if (ch != key[i].unicode())
                break;
        }
        if (i == name.size())
            return static_cast<std::int32_t>(id);
    }
    return -1;
}

void Floor_LinearScan15(benchmark::State& state) {
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(bench::RealisticCatalogue());
    const QStringList variables = ChannelVariables();
    for (auto _ : state) {
        for (const QString& text : variables)
            benchmark::DoNotOptimize(LinearFind(load.catalogue, text));
    }
}
BENCHMARK(Floor_LinearScan15)->Unit(benchmark::kMicrosecond);

void FindVariableIndex15(benchmark::State& state) {
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(bench::RealisticCatalogue());
    const QStringList variables = ChannelVariables();
    for (auto _ : state) {
        for (const QString& text : variables)
            benchmark::DoNotOptimize(cac::FindVariableIndex(load.catalogue, text));
    }
}
BENCHMARK(FindVariableIndex15)->Unit(benchmark::kMicrosecond);

void BuildConfigImage(benchmark::State& state) {
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(bench::RealisticCatalogue());
    cac::ConfigModel model;
    model.setVariableList(load.variableList);
    FillTable(model);
    for (auto _ : state) {
        const QByteArray image = cac::BuildConfigImage(model, load.catalogue);
        benchmark::DoNotOptimize(image.constData());
    }
}
BENCHMARK(BuildConfigImage)->Unit(benchmark::kMicrosecond);

QByteArray FullImage() {
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(bench::RealisticCatalogue());
    cac::ConfigModel model;
    FillTable(model);
    return cac::BuildConfigImage(model, load.catalogue);
}

// The floor of the HEX text: the same records written one character at a
// time into a string that grows as it goes.
std::string NaiveIntelHex(const QByteArray& image) {
    static const char Digits[] = "0123456789ABCDEF";
    std::string text = ":020000040000FA\r\n";
    auto hex = [&](unsigned byte) {
        text += Digits[(byte >> 4) & 0xF];
        text += Digits[byte & 0xF];
    };
    unsigned address = 0x6000;
    for (qsizetype pos = 0; pos < image.size(); pos += 16, address += 16) {
        const unsigned count = static_cast<unsigned>(std::min<qsizetype>(16, image.size() - pos));
        unsigned sum = count + (address >> 8) + (address & 0xFF);
        text += ':';
        hex(count);
        hex(address >> 8);
        hex(address & 0xFF);
        hex(0);
        for (unsigned i = 0; i < count; ++i) {
            const auto byte = static_cast<unsigned char>(image[pos + i]);
            hex(byte);
            sum += byte;
        }
        hex((256 - (sum & 0xFF)) & 0xFF);
        text += "\r\n";
    }
    return text + ":00000001FF";
}

void Floor_NaiveIntelHex(benchmark::State& state) {
    const QByteArray image = FullImage();
    for (auto _ : state) {
        const std::string text = NaiveIntelHex(image);
        benchmark::DoNotOptimize(text.data());
    }
}
BENCHMARK(Floor_NaiveIntelHex)->Unit(benchmark::kMicrosecond);

void IntelHexText(benchmark::State& state) {
    const QByteArray image = FullImage();
    if (cac::IntelHexText(image).toStdString() != NaiveIntelHex(image))
        state.SkipWithError("the floor writes different text");
    for (auto _ : state) {
        const QByteArray text = cac::IntelHexText(image);
        benchmark::DoNotOptimize(text.constData());
    }
}
BENCHMARK(IntelHexText)->Unit(benchmark::kMicrosecond);

// A checks panel runs the checks on every edit; they encode each record once
// more than an image build does.
void CheckConfiguration(benchmark::State& state) {
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(bench::RealisticCatalogue());
    cac::ConfigModel model;
    FillTable(model);
    for (auto _ : state) {
        const QList<cac::Finding> findings = cac::CheckConfiguration(model, load.catalogue);
        benchmark::DoNotOptimize(findings.size());
    }
}
BENCHMARK(CheckConfiguration)->Unit(benchmark::kMicrosecond);

// A kept HEX file read back into settings, which are verified by building
// the image again.
void ReadBack(benchmark::State& state) {
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(bench::RealisticCatalogue());
    const QByteArray hex = cac::IntelHexText(FullImage());
    for (auto _ : state) {
        cac::ConfigModel model;
        const cac::ImageDecoding decoding =
            cac::DecodeConfigImage(cac::ReadIntelHexImage(hex).value(), load.catalogue, model);
        if (!decoding.identical)
            state.SkipWithError("not read back");
    }
}
BENCHMARK(ReadBack)->Unit(benchmark::kMicrosecond);

} // namespace

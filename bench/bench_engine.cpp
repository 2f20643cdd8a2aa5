// Timings of the engine's hot paths: reading a full catalogue, refusing an
// impossible one, building the image of a full table and its Intel HEX text,
// checking the table, and reading its HEX back into settings.
#include "VarsFileWriter.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "checks/ConfigChecks.h"
#include "image/ConfigImage.h"
#include "image/ImageDecoder.h"
#include "output/IntelHex.h"
#include "output/IntelHexReader.h"

#include <QDataStream>
#include <QIODevice>

#include <benchmark/benchmark.h>

namespace {

// A catalogue shaped like a real one: indices 0 to 8000, about one in four
// named, and the unused fields filled.
QByteArray RealisticCatalogue() {
    cac::tools::VarsFileLayout varsFile;
    varsFile.upperIndexA = 20;
    varsFile.upperIndexB = 8000;
    for (int id = 0; id <= 8000; id += 4)
        varsFile.entries.insert(
            id, {QStringLiteral("VAR%1").arg(id), QStringLiteral("Logger variable %1").arg(id)});
    return cac::tools::WriteVarsFile(varsFile);
}

// A leading table of one record, then a claim of 2^31 - 1 entries followed by
// a single real one and the signature.
QByteArray HugeClaimCatalogue() {
    cac::tools::VarsFileLayout varsFile;
    QByteArray bytes = cac::tools::WriteVarsFile(varsFile);
    const qsizetype upperBAt = 4 + 4 * 3; // A, four one-character strings
    QDataStream out(&bytes, QIODevice::ReadWrite);
    out.setByteOrder(QDataStream::LittleEndian);
    out.device()->seek(upperBAt);
    out << qint32(2147483647);
    return bytes;
}

void ReadRealisticCatalogue(benchmark::State& state) {
    const QByteArray bytes = RealisticCatalogue();
    for (auto _ : state) {
        const cac::CatalogueLoad load = cac::ReadVariableDefinitions(bytes);
        if (load.corrupt || load.catalogue.size() != 8001)
            state.SkipWithError("catalogue not read");
        benchmark::DoNotOptimize(load.variableList.size());
    }
    state.SetBytesProcessed(state.iterations() * bytes.size());
}
BENCHMARK(ReadRealisticCatalogue)->Unit(benchmark::kMicrosecond);

void RejectHugeClaim(benchmark::State& state) {
    const QByteArray bytes = HugeClaimCatalogue();
    for (auto _ : state) {
        const cac::CatalogueLoad load = cac::ReadVariableDefinitions(bytes);
        if (!load.corrupt || !load.catalogue.isEmpty())
            state.SkipWithError("claim not refused");
        benchmark::DoNotOptimize(load.corrupt);
    }
}
BENCHMARK(RejectHugeClaim)->Unit(benchmark::kNanosecond);

// Every channel configured, several with variables that are not in the
// catalogue, so that look-ups run to the end of it.
void FillTable(cac::ConfigModel& model) {
    const QStringList values = {QStringLiteral("Logger variable 1000 {VAR1000}"),
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
    for (int channel = 1; channel <= cac::ChannelCount; ++channel) {
        for (int column = 1; column <= 12; ++column)
            model.setCell(channel, column, values.at(column - 1));
        if (channel % 3 == 0)
            model.setCell(channel, 1, QStringLiteral("Not in the catalogue {NONE}"));
    }
    model.setBaudRateText(QStringLiteral("1 Mbit"));
}

void BuildFullImage(benchmark::State& state) {
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(RealisticCatalogue());
    cac::ConfigModel model;
    model.setVariableList(load.variableList);
    FillTable(model);
    for (auto _ : state) {
        const QByteArray image = cac::BuildConfigImage(model, load.catalogue);
        benchmark::DoNotOptimize(image.constData());
    }
}
BENCHMARK(BuildFullImage)->Unit(benchmark::kMicrosecond);

void IntelHexOfImage(benchmark::State& state) {
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(RealisticCatalogue());
    cac::ConfigModel model;
    FillTable(model);
    const QByteArray image = cac::BuildConfigImage(model, load.catalogue);
    for (auto _ : state) {
        const QByteArray text = cac::IntelHexText(image);
        benchmark::DoNotOptimize(text.constData());
    }
}
BENCHMARK(IntelHexOfImage)->Unit(benchmark::kMicrosecond);

// A checks panel runs the checks on every edit; they encode each record once
// more, so BuildFullImage is their floor.
void CheckFullTable(benchmark::State& state) {
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(RealisticCatalogue());
    cac::ConfigModel model;
    FillTable(model);
    for (auto _ : state) {
        const QList<cac::Finding> findings = cac::CheckConfiguration(model, load.catalogue);
        benchmark::DoNotOptimize(findings.size());
    }
}
BENCHMARK(CheckFullTable)->Unit(benchmark::kMicrosecond);

// A kept HEX file read back into settings; the decoder builds the image again
// to verify them, so BuildFullImage and IntelHexOfImage are its floor.
void ReadBackFullImage(benchmark::State& state) {
    const cac::CatalogueLoad load = cac::ReadVariableDefinitions(RealisticCatalogue());
    cac::ConfigModel source;
    FillTable(source);
    const QByteArray hex = cac::IntelHexText(cac::BuildConfigImage(source, load.catalogue));
    for (auto _ : state) {
        cac::ConfigModel model;
        const cac::ImageDecoding decoding =
            cac::DecodeConfigImage(cac::ReadIntelHexImage(hex).value(), load.catalogue, model);
        if (!decoding.identical)
            state.SkipWithError("not read back");
    }
}
BENCHMARK(ReadBackFullImage)->Unit(benchmark::kMicrosecond);

} // namespace

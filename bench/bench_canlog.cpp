// Decoding CAN logs beside their floors: a candump log decoded by the five
// channels of examples/engine-demo.ccf, beside reading and splitting its lines
// the way the reader does; a BLF log beside inflating its containers. The
// candump log has CAC_BENCH_LOG_FRAMES frames (2 million unless set).
#include "canlog/CandumpWriter.h"
#include "canlog/LineSource.h"
#include "canlog/LogReader.h"
#include "canlog/TextFields.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "decode/DecodeTally.h"
#include "discover/DiscoveryCandidates.h"
#include "discover/LogDiscovery.h"
#include "discover/SignalDiscovery.h"

#include <QFile>
#include <QTemporaryFile>
#include <QtEndian>

#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdlib>
#include <random>

namespace {

qint64 FrameCount() {
    const QByteArray set = qgetenv("CAC_BENCH_LOG_FRAMES");
    return set.isEmpty() ? 2000000 : set.toLongLong();
}

// Identifiers the demo configuration takes, and others it does not.
constexpr std::uint32_t Identifiers[] = {0x280, 0x288, 0x2A0, 0x5A0, 0x123, 0x4B0, 0x500, 0x7DF};

struct Logs {
    QTemporaryFile candump;
    QTemporaryFile blf;
    qint64 candumpBytes = 0;
    qint64 blfBytes = 0;

    Logs() {
        if (!candump.open() || !blf.open())
            qFatal("cannot create the logs");
        std::mt19937 random(19);
        QByteArray chunk;
        QByteArray objects;
        QByteArray blfBytesOut = "LOGG" + le32(144) + QByteArray(136, '\0');
        const qint64 frames = FrameCount();
        for (qint64 i = 0; i < frames; ++i) {
            const std::uint32_t id = Identifiers[random() % std::size(Identifiers)];
            const bool extended = i % 16 == 0;
            const std::uint32_t fullId = extended ? 0x18FEF100 : id;
            std::uint8_t data[8];
            for (std::uint8_t& b : data)
                b = static_cast<std::uint8_t>(random());
            if (id == 0x2A0)
                data[0] = 2; // the throttle channel's filter value
            const double time = 1436509052.0 + double(i) * 0.0005;
            chunk += '(' + QByteArray::number(time, 'f', 6) + ") can0 " +
                     (extended ? QByteArray::number(fullId, 16).toUpper()
                               : QByteArray::number(fullId, 16).toUpper().rightJustified(3, '0')) +
                     '#' + QByteArray(reinterpret_cast<const char*>(data), 8).toHex().toUpper() +
                     '\n';
            if (chunk.size() > (1 << 20)) {
                candumpBytes += candump.write(chunk);
                chunk.clear();
            }
            // The BLF log: the first frames only, a tenth of them.
            if (i % 10 == 0) {
                objects += "LOBJ" + le16(32) + le16(1) + le32(48) + le32(1) + le32(2) + le32(0) +
                           le64(quint64(i) * 500000) + le16(1) + QByteArray(1, 0) +
                           QByteArray(1, 8) + le32(extended ? (fullId | 0x80000000u) : fullId) +
                           QByteArray(reinterpret_cast<const char*>(data), 8);
                if (objects.size() >= 128 * 1024)
                    blfBytesOut += container(objects);
            }
        }
        candumpBytes += candump.write(chunk);
        if (!objects.isEmpty())
            blfBytesOut += container(objects);
        blfBytes = blf.write(blfBytesOut);
        candump.flush();
        blf.flush();
    }

    static QByteArray le16(quint16 v) {
        QByteArray b(2, 0);
        qToLittleEndian(v, b.data());
        return b;
    }
    static QByteArray le32(quint32 v) {
        QByteArray b(4, 0);
        qToLittleEndian(v, b.data());
        return b;
    }
    static QByteArray le64(quint64 v) {
        QByteArray b(8, 0);
        qToLittleEndian(v, b.data());
        return b;
    }
    static QByteArray container(QByteArray& objects) {
        const QByteArray packed = qCompress(objects).mid(4);
        QByteArray body = le16(2) + QByteArray(6, 0) + le32(objects.size()) + le32(0) + packed;
        QByteArray o = "LOBJ" + le16(16) + le16(1) + le32(16 + body.size()) + le32(10) + body;
        objects.clear();
        return o + QByteArray(o.size() % 4, 0);
    }
};

Logs& Generated() {
    static Logs logs;
    return logs;
}

const cac::ConfigModel& DemoConfiguration() {
    static cac::ConfigModel model;
    static const bool loaded = [] {
        QFile file(QStringLiteral(CAC_EXAMPLES_DIR "/engine-demo.ccf"));
        return file.open(QIODevice::ReadOnly) &&
               cac::ApplyCcf(model, file.readAll()).channelColumnsApplied == 12;
    }();
    if (!loaded)
        qFatal("cannot read engine-demo.ccf");
    return model;
}

void Decode(benchmark::State& state, QTemporaryFile& log, qint64 bytes) {
    const cac::VariableCatalogue catalogue;
    const cac::FrameDecoder decoder(DemoConfiguration(), catalogue);
    for (auto _ : state) {
        QFile file(log.fileName());
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot open the log");
        const auto reader = cac::OpenLogReader(&file, cac::LogFormat::Unknown, nullptr);
        if (!reader)
            state.SkipWithError("not a log");
        cac::DecodeTally tally(decoder);
        cac::CanFrame frame;
        while (reader->readFrame(frame))
            tally.add(frame);
        if (reader->problemCount() > 0 || tally.channel(1).frames == 0)
            state.SkipWithError("log not decoded");
        benchmark::DoNotOptimize(tally.channel(1).last);
    }
    state.SetBytesProcessed(state.iterations() * bytes);
}

void DecodeCandump(benchmark::State& state) {
    Logs& logs = Generated();
    Decode(state, logs.candump, logs.candumpBytes);
    state.counters["frames"] = double(FrameCount());
}
BENCHMARK(DecodeCandump)->Unit(benchmark::kMillisecond)->Iterations(3);

// The fields of the same log found without a database, as `discover` finds
// them: the log read twice, its bits, then its fields. Its floor is the
// decode above.
void DiscoverCandump(benchmark::State& state) {
    Logs& logs = Generated();
    for (auto _ : state) {
        bool readable = true;
        const cac::FramePlayer play = [&](const cac::FrameSink& sink) {
            QFile file(logs.candump.fileName());
            if (!file.open(QIODevice::ReadOnly))
                return false;
            const auto reader = cac::OpenLogReader(&file, cac::LogFormat::Unknown, nullptr);
            if (!reader)
                return false;
            cac::CanFrame frame;
            while (reader->readFrame(frame))
                sink(frame);
            readable = readable && reader->problemCount() == 0;
            return true;
        };
        const cac::DiscoveryResult result = cac::DiscoverSignals(play);
        if (result.stopped || !readable || result.identifiers.isEmpty())
            state.SkipWithError("log not analysed");
        benchmark::DoNotOptimize(result.frames);
    }
    state.SetBytesProcessed(state.iterations() * logs.candumpBytes);
}
BENCHMARK(DiscoverCandump)->Unit(benchmark::kMillisecond)->Iterations(3);

// The demo drive with its OBD answers and paged frames, repeated (times
// running on) to CAC_BENCH_LOG_FRAMES frames: a log as a car gives it.
struct DemoDrive {
    QTemporaryFile candump;
    qint64 bytes = 0;

    DemoDrive() {
        QFile demo(QStringLiteral(CAC_EXAMPLES_DIR "/discover-demo-obd.log"));
        if (!candump.open() || !demo.open(QIODevice::ReadOnly))
            qFatal("cannot create the demo drive");
        const auto reader = cac::OpenLogReader(&demo, cac::LogFormat::Unknown, nullptr);
        std::vector<cac::CanFrame> frames;
        cac::CanFrame frame;
        while (reader && reader->readFrame(frame))
            frames.push_back(frame);
        if (frames.empty())
            qFatal("the demo drive holds no frames");
        const double lap = frames.back().time - frames.front().time + 0.01;
        QByteArray chunk;
        for (qint64 i = 0; i < FrameCount(); ++i) {
            cac::CanFrame f = frames[std::size_t(i) % frames.size()];
            f.time += lap * double(i / qint64(frames.size()));
            chunk += cac::CandumpLine(f, 0);
            if (chunk.size() > (1 << 20)) {
                bytes += candump.write(chunk);
                chunk.clear();
            }
        }
        bytes += candump.write(chunk);
        candump.flush();
    }
};

DemoDrive& Drive() {
    static DemoDrive drive;
    return drive;
}

void DecodeDemoDrive(benchmark::State& state) {
    Decode(state, Drive().candump, Drive().bytes);
}
BENCHMARK(DecodeDemoDrive)->Unit(benchmark::kMillisecond)->Iterations(3);

// The whole analysis as `discover --reference obd` runs it: bits, fields,
// pages, every field paired with every OBD answer, and the ranking; and
// `discover` alone, bits and fields.
void DiscoverDemoDrive(benchmark::State& state) {
    DemoDrive& drive = Drive();
    for (auto _ : state) {
        const cac::LogDiscovery run = cac::DiscoverLogFile(drive.candump.fileName(), {});
        if (!run.error.isEmpty() || run.result.identifiers.isEmpty())
            state.SkipWithError("the drive was not analysed");
        benchmark::DoNotOptimize(run.result.frames);
    }
    state.SetBytesProcessed(state.iterations() * drive.bytes);
}
BENCHMARK(DiscoverDemoDrive)->Unit(benchmark::kMillisecond)->Iterations(3);

void DiscoverDemoDriveObd(benchmark::State& state) {
    DemoDrive& drive = Drive();
    for (auto _ : state) {
        cac::LogDiscoveryOptions options;
        options.references = options.obdAnswers = true;
        const cac::LogDiscovery run = cac::DiscoverLogFile(drive.candump.fileName(), options);
        const QList<cac::ReferenceMatches> matched =
            cac::MatchObdAnswers(run.candidates, run.answers);
        if (!run.error.isEmpty() || matched.size() != 3 || matched[0].ranking.matches.empty())
            state.SkipWithError("the drive's references were not matched");
        benchmark::DoNotOptimize(matched);
    }
    state.SetBytesProcessed(state.iterations() * drive.bytes);
}
BENCHMARK(DiscoverDemoDriveObd)->Unit(benchmark::kMillisecond)->Iterations(3);

// Floor: the same lines read through the same buffer and split into their
// fields, nothing read out of them.
void Floor_CandumpLines(benchmark::State& state) {
    Logs& logs = Generated();
    for (auto _ : state) {
        QFile file(logs.candump.fileName());
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot open the log");
        cac::LineSource lines(&file);
        std::string_view line;
        bool tooLong = false;
        std::size_t fields = 0;
        std::array<std::string_view, 4> split;
        while (lines.next(line, tooLong))
            fields += cac::logtext::splitFields(line, split);
        benchmark::DoNotOptimize(fields);
    }
    state.SetBytesProcessed(state.iterations() * logs.candumpBytes);
}
BENCHMARK(Floor_CandumpLines)->Unit(benchmark::kMillisecond)->Iterations(3);

void DecodeBlf(benchmark::State& state) {
    Logs& logs = Generated();
    Decode(state, logs.blf, logs.blfBytes);
}
BENCHMARK(DecodeBlf)->Unit(benchmark::kMillisecond)->Iterations(3);

// Floor: the containers read one after the other and inflated.
void Floor_BlfInflate(benchmark::State& state) {
    Logs& logs = Generated();
    std::vector<char> packed, unpacked;
    for (auto _ : state) {
        QFile file(logs.blf.fileName());
        if (!file.open(QIODevice::ReadOnly))
            state.SkipWithError("cannot open the log");
        file.seek(144);
        char header[32];
        qint64 total = 0;
        while (file.read(header, 32) == 32) {
            const quint32 size = qFromLittleEndian<quint32>(header + 8);
            const quint32 unpackedSize = qFromLittleEndian<quint32>(header + 24);
            packed.resize(size - 32);
            unpacked.resize(unpackedSize);
            file.read(packed.data(), qint64(packed.size()));
            file.skip(size % 4);
            uLongf length = unpackedSize;
            uncompress(reinterpret_cast<Bytef*>(unpacked.data()), &length,
                       reinterpret_cast<const Bytef*>(packed.data()), uLong(packed.size()));
            total += qint64(length);
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * logs.blfBytes);
}
BENCHMARK(Floor_BlfInflate)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

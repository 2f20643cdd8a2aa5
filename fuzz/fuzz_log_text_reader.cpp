// The text CAN log readers (candump, ASC, TRC, SavvyCAN CSV) on arbitrary
// bytes. The first byte picks the reader (or the choice from the content);
// every reader must read to the end, give only classic frames, and name
// every problem by a line the input has.
#include "FuzzCheck.h"
#include "canlog/LogReader.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

constexpr cac::LogFormat Formats[] = {cac::LogFormat::Unknown, cac::LogFormat::Candump,
                                      cac::LogFormat::Asc, cac::LogFormat::Trc,
                                      cac::LogFormat::SavvyCsv};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    const cac::LogFormat format = Formats[data[0] % std::size(Formats)];
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    const auto reader = cac::OpenLogReader(&buffer, format, &error);
    if (!reader) {
        check(format == cac::LogFormat::Unknown && !error.isEmpty());
        return 0;
    }
    if (reader->format() == cac::LogFormat::Blf)
        return 0; // "LOGG" at the start is a BLF file, found from the content: fuzz_blf_reader's
    const qint64 lines = bytes.count('\n') + 1;
    cac::CanFrame frame;
    qint64 frames = 0;
    while (reader->readFrame(frame)) {
        check(frame.length <= 8);
        check(busIdentifier(frame) || frame.error);
        check(!(frame.remote && frame.error));
        ++frames;
    }
    check(frames + reader->problemCount() + reader->fdFramesSkipped() <= lines);
    for (const cac::LogProblem& problem : reader->problems()) {
        check(!problem.binary && problem.position >= 1 && problem.position <= lines);
        check(!problem.text.isEmpty());
    }
    check(!reader->readFrame(frame)); // the end stays the end
    return 0;
}

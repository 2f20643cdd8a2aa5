// The BLF reader on arbitrary bytes after a file header: damaged objects,
// containers that do not inflate, sizes that lie. It must read to the end,
// give only classic frames, keep memory to what the bytes hold (the target
// runs with a small malloc limit) and name problems by offsets inside the file.
#include "FuzzCheck.h"
#include "canlog/LogReader.h"

#include <QBuffer>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // Inputs without the signature get it, so the fuzzer spends its time on objects.
    if (!bytes.startsWith("LOGG"))
        bytes.prepend(QByteArray("LOGG\x90\0\0\0", 8) + QByteArray(136, '\0'));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    const auto reader = cac::OpenLogReader(&buffer, cac::LogFormat::Unknown, nullptr);
    check(reader && reader->format() == cac::LogFormat::Blf);
    cac::CanFrame frame;
    while (reader->readFrame(frame)) {
        check(frame.length <= 8);
        check(busIdentifier(frame));
        check(std::isfinite(frame.time) && frame.time >= 0);
    }
    for (const cac::LogProblem& problem : reader->problems())
        check(problem.binary && problem.position >= 0 && problem.position <= bytes.size());
    return 0;
}

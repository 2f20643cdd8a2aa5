// Vector BLF logs, as the open readers document the layout (all numbers
// little-endian):
//   file header: "LOGG", its size (u32), then statistics, among them at
//     offset 40 the start of the log as a SYSTEMTIME in local time (u16 year,
//     month, day of week, day, hour, minute, second, milliseconds; zeros
//     when the writer did not know it); objects follow the header.
//   object: "LOBJ", header size (u16), header version (u16), object size
//     (u32, header included), object type (u32); version 1 and 2 headers go
//     on with flags (u32; 1 = time in 10 us, 2 = in 1 ns), two u16 words and
//     the time stamp (u64) at offset 24. After an object come (object size
//     mod 4) bytes of padding.
//   log container (type 10): compression method (u16; 0 none, 2 zlib), 6
//     reserved bytes, uncompressed size (u32), 4 reserved bytes, then the
//     data: further objects, which may run on into the next container.
//   CAN message (1) and CAN message 2 (86): channel (u16), flags (u8; 0x80
//     remote request), DLC (u8), identifier (u32; bit 31 marks 29 bits),
//     8 data bytes. Object times count from the file header's start. CAN error (2) and extended
//     error (73) are error frames; CAN FD message (100) and FD message 64 (101) are CAN FD frames.

#include "canlog/LogReader.h"
#include "canlog/LogStart.h"
#include "common/HexText.h"

#include <QIODevice>

#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

namespace cac {
namespace {

constexpr char ObjectSignature[] = {'L', 'O', 'B', 'J'};
constexpr std::uint32_t BaseHeaderSize = 16;
constexpr std::uint32_t StampedHeaderSize = 32;
// The file header's start time: eight u16 from byte 40.
constexpr std::uint32_t StartOffset = 40;
constexpr std::uint32_t StartEnd = StartOffset + 16;
// Writers keep containers near 128 KiB; far larger claims are damage.
constexpr std::uint32_t MaxObjectSize = 16 * 1024 * 1024;

enum ObjectType : std::uint32_t {
    CanMessage = 1,
    CanError = 2,
    LogContainer = 10,
    CanErrorExt = 73,
    CanMessage2 = 86,
    CanFdMessage = 100,
    CanFdMessage64 = 101,
};

std::uint16_t u16(const char* p) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(p[0]) |
                                      static_cast<unsigned char>(p[1]) << 8);
}
std::uint32_t u32(const char* p) {
    return u16(p) | std::uint32_t{u16(p + 2)} << 16;
}
std::uint64_t u64(const char* p) {
    return u32(p) | std::uint64_t{u32(p + 4)} << 32;
}

bool isSignature(const char* p) {
    return std::memcmp(p, ObjectSignature, 4) == 0;
}

class BlfReader final : public LogReader {
public:
    explicit BlfReader(QIODevice* device) : LogReader(LogFormat::Blf), m_device(device) {}

    bool readFrame(CanFrame& frame) override {
        if (!m_started && !readFileHeader())
            return false;
        for (;;) {
            switch (nextObject(frame)) {
            case Inner::Frame:
                return true;
            case Inner::Skipped:
                continue;
            case Inner::NeedMore:
                if (!readOuterObject()) {
                    if (m_objects.size() > m_pos)
                        addProblem(m_containerOffset, true,
                                   QStringLiteral("the log ends inside an object"));
                    m_objects.clear();
                    m_pos = 0;
                    return false;
                }
            }
        }
    }

private:
    enum class Inner { Frame, Skipped, NeedMore };

    // Reads exactly n bytes of the file; false at its end.
    bool take(char* out, qint64 n) {
        qint64 got = 0;
        while (got < n) {
            const qint64 step = m_device->read(out + got, n - got);
            if (step <= 0)
                break;
            got += step;
        }
        m_offset += got;
        return got == n;
    }
    // Appends n bytes of the file to `out`, growing it only by what was read,
    // so a size that lies costs no memory.
    template <class Bytes> bool takeInto(Bytes& out, qint64 n) {
        constexpr qint64 Step = 64 * 1024;
        while (n > 0) {
            const qint64 step = std::min(n, Step);
            const auto start = static_cast<qsizetype>(out.size());
            out.resize(start + step);
            if (!take(out.data() + start, step)) {
                out.resize(start);
                return false;
            }
            n -= step;
        }
        return true;
    }
    bool skip(qint64 n) {
        char scratch[4096];
        while (n > 0) {
            const qint64 step = std::min<qint64>(n, sizeof scratch);
            if (!take(scratch, step))
                return false;
            n -= step;
        }
        return true;
    }

    bool readFileHeader() {
        m_started = true;
        char head[8];
        if (!take(head, 8) || std::memcmp(head, "LOGG", 4) != 0) {
            addProblem(0, true, QStringLiteral("no BLF file header (\"LOGG\")"));
            return false;
        }
        std::uint32_t size = u32(head + 4);
        if (size < 8 || size > 65536) {
            addProblem(4, true, QStringLiteral("file header size %1 is not plausible").arg(size));
            size = 144;
        }
        if (size < StartEnd)
            return skip(size - 8);
        char start[StartEnd - 8];
        if (!take(start, sizeof start))
            return false;
        const auto word = [&](int i) { return u16(start + StartOffset - 8 + 2 * i); };
        if (const auto seconds =
                logstart::SystemTime(word(0), word(1), word(3), word(4), word(5), word(6), word(7)))
            m_start = startFrom(*seconds);
        return skip(size - StartEnd);
    }

    // Reads the file's next object: a container's objects, or an object
    // outside any container, go to m_objects. False at the end of the file.
    bool readOuterObject() {
        char header[BaseHeaderSize];
        qint64 at = m_offset;
        if (!take(header, BaseHeaderSize))
            return false;
        for (;;) {
            const std::uint32_t size = u32(header + 8);
            if (!isSignature(header) || size < BaseHeaderSize || size > MaxObjectSize) {
                addProblem(at, true,
                           isSignature(header)
                               ? QStringLiteral("object size %1 is not plausible; looking for "
                                                "the next object")
                                     .arg(size)
                               : QStringLiteral("no object signature \"LOBJ\"; looking for the "
                                                "next object"));
                if (!resync(header, at))
                    return false;
                continue;
            }
            compact();
            if (u32(header + 12) == LogContainer)
                return readContainer(at, size);
            // An object outside any container is read like one inside.
            m_objects.append(header, BaseHeaderSize);
            m_containerOffset = at;
            return takeInto(m_objects, size - BaseHeaderSize) && skip(size % 4);
        }
    }

    // After damage: the header of the next "LOBJ" in the file, searched from
    // byte 1 of the 16 bytes in `header`; `at` becomes its offset.
    bool resync(char* header, qint64& at) {
        for (std::uint32_t i = 1; i + 4 <= BaseHeaderSize; ++i) {
            if (isSignature(header + i)) {
                std::memmove(header, header + i, BaseHeaderSize - i);
                at += i;
                return take(header + BaseHeaderSize - i, i);
            }
        }
        char window[4];
        std::memcpy(window, header + BaseHeaderSize - 3, 3);
        for (;;) {
            if (!take(window + 3, 1))
                return false;
            if (isSignature(window)) {
                at = m_offset - 4;
                std::memcpy(header, window, 4);
                return take(header + 4, BaseHeaderSize - 4);
            }
            std::memmove(window, window + 1, 3);
        }
    }

    bool readContainer(qint64 at, std::uint32_t size) {
        m_containerOffset = at;
        char head[16];
        if (size < BaseHeaderSize + sizeof head) {
            addProblem(at, true,
                       QStringLiteral("log container of %1 bytes is too short").arg(size));
            return skip(size - BaseHeaderSize + size % 4);
        }
        if (!take(head, sizeof head)) {
            addProblem(at, true, QStringLiteral("the log ends inside a log container"));
            return false;
        }
        const std::uint16_t method = u16(head);
        const std::uint32_t unpacked = u32(head + 8);
        const qint64 packed = qint64(size) - BaseHeaderSize - qint64(sizeof head);
        m_packed.clear();
        if (!takeInto(m_packed, packed) || !skip(size % 4)) {
            addProblem(at, true, QStringLiteral("the log ends inside a log container"));
            return false;
        }
        if (method == 0) {
            m_objects.append(m_packed.data(), packed);
            return true;
        }
        if (method != 2 || unpacked > MaxObjectSize) {
            addProblem(at, true,
                       method != 2
                           ? QStringLiteral("unknown compression method %1").arg(method)
                           : QStringLiteral("uncompressed size %1 is not plausible").arg(unpacked));
            dropPartialObject();
            return true;
        }
        const qsizetype start = m_objects.size();
        m_objects.resize(start + unpacked);
        uLongf length = unpacked;
        const int result =
            uncompress(reinterpret_cast<Bytef*>(m_objects.data() + start), &length,
                       reinterpret_cast<const Bytef*>(m_packed.data()), static_cast<uLong>(packed));
        if (result != Z_OK) {
            m_objects.resize(start);
            addProblem(at, true, QStringLiteral("log container does not decompress"));
            dropPartialObject();
            return true;
        }
        m_objects.resize(start + static_cast<qsizetype>(length));
        return true;
    }

    // An object begun in a container that is lost cannot be finished.
    void dropPartialObject() {
        m_objects.clear();
        m_pos = 0;
    }

    // Drops the objects already read; padding that lies past them is
    // skipped in what comes next.
    void compact() {
        if (m_pos >= m_objects.size()) {
            m_pos -= m_objects.size();
            m_objects.clear();
        } else if (m_pos > 0) {
            m_objects.remove(0, m_pos);
            m_pos = 0;
        }
    }

    Inner nextObject(CanFrame& frame) {
        if (m_objects.size() - m_pos < qsizetype(BaseHeaderSize))
            return Inner::NeedMore;
        const char* p = m_objects.constData() + m_pos;
        const std::uint32_t size = u32(p + 8);
        const std::uint16_t headerSize = u16(p + 4);
        if (!isSignature(p) || size < BaseHeaderSize || size > MaxObjectSize || headerSize > size) {
            addProblem(m_containerOffset, true,
                       QStringLiteral("damaged object in the log container; looking for the "
                                      "next object"));
            const qsizetype next = m_objects.indexOf(QByteArrayView(ObjectSignature, 4), m_pos + 1);
            m_pos = next < 0 ? std::max<qsizetype>(m_pos, m_objects.size() - 3) : next;
            return next < 0 ? Inner::NeedMore : Inner::Skipped;
        }
        if (m_objects.size() - m_pos < qsizetype(size))
            return Inner::NeedMore;
        m_pos += size + size % 4;
        return readObject(p, size, headerSize, frame) ? Inner::Frame : Inner::Skipped;
    }

    bool readObject(const char* p, std::uint32_t size, std::uint16_t headerSize, CanFrame& frame) {
        const std::uint32_t type = u32(p + 12);
        if (type == CanFdMessage || type == CanFdMessage64) {
            countFdFrame();
            return false;
        }
        if (type != CanMessage && type != CanMessage2 && type != CanError && type != CanErrorExt)
            return false;
        if (headerSize < StampedHeaderSize ||
            (type != CanError && type != CanErrorExt && size < headerSize + 16u)) {
            addProblem(m_containerOffset, true,
                       QStringLiteral("CAN object of %1 bytes is too short").arg(size));
            return false;
        }
        frame = CanFrame{};
        const std::uint32_t flags = u32(p + 16);
        const auto stamp = static_cast<double>(u64(p + 24));
        frame.time = (flags & 1) ? stamp * 1e-5 : stamp * 1e-9;
        frame.time += m_start;
        if (type == CanError || type == CanErrorExt) {
            frame.error = true;
            return true;
        }
        const char* body = p + headerSize;
        // Vector numbers its channels from 1.
        const std::string channel = std::to_string(u16(body));
        frame.bus = busOf(channel);
        const auto dlc = static_cast<std::uint8_t>(body[3]);
        const std::uint32_t id = u32(body + 4);
        frame.extended = (id & 0x80000000u) != 0;
        frame.id = id & 0x1FFFFFFFu;
        if (!frame.extended && (id & 0x7FFFFFFFu) > 0x7FFu) {
            // Cut to 11 bits it would be taken for another frame.
            addProblem(m_containerOffset, true,
                       QStringLiteral("identifier 0x%1 without the 29-bit mark is wider than 11 "
                                      "bits")
                           .arg(HexDigits(id)));
            return false;
        }
        frame.remote = (static_cast<std::uint8_t>(body[2]) & 0x80) != 0;
        frame.length = std::min<std::uint8_t>(dlc, 8);
        if (!frame.remote)
            std::memcpy(frame.data.data(), body + 8, frame.length);
        return true;
    }

    QIODevice* m_device;
    bool m_started = false;
    qint64 m_offset = 0;          // bytes of the file read so far
    qint64 m_containerOffset = 0; // where the objects being read came from
    double m_start = 0;           // seconds since 1970, or 0 when the header does not say
    QByteArray m_objects;         // objects taken out of containers, not yet read
    qsizetype m_pos = 0;          // read position in m_objects (may lie past it: padding)
    std::vector<char> m_packed;
};

} // namespace

std::unique_ptr<LogReader> MakeBlfReader(QIODevice* device) {
    return std::make_unique<BlfReader>(device);
}

} // namespace cac

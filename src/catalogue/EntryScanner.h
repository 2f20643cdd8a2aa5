#pragma once

#include <QByteArrayView>
#include <QtEndian>

#include <algorithm>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Stepping over the entries of a Vars.cfg catalogue table.
namespace cac {

// The 16-bit length that opens a string of the file.
inline std::uint16_t StringLengthAt(const char* at) {
    return qFromLittleEndian<std::uint16_t>(at);
}

// String lengths expected at known offsets from a position. When they lie
// within the first `Chunks` times 16 bytes, they are compared at once, the
// other bytes masked; otherwise one by one.
template <int Chunks> class LengthPattern {
public:
    static constexpr int MaxLengths = 6;

    // Expects lengths[k] at offsets[k], for k < count, offsets increasing.
    void expect(const qsizetype* offsets, const std::uint16_t* lengths, int count) {
        m_count = count;
        std::copy_n(offsets, count, m_offsets);
        std::copy_n(lengths, count, m_lengths);
        m_reach = count > 0 ? offsets[count - 1] + 2 : 0;
        m_atOnce = false;
#if defined(__SSE2__)
        if (m_reach > Chunks * 16)
            return;
        alignas(16) unsigned char masks[Chunks * 16] = {};
        alignas(16) unsigned char bytes[Chunks * 16] = {};
        for (int k = 0; k < count; ++k) {
            masks[offsets[k]] = masks[offsets[k] + 1] = 0xFF;
            bytes[offsets[k]] = static_cast<unsigned char>(lengths[k]);
            bytes[offsets[k] + 1] = static_cast<unsigned char>(lengths[k] >> 8);
        }
        std::memcpy(m_masks, masks, sizeof masks);
        std::memcpy(m_bytes, bytes, sizeof bytes);
        m_atOnce = true;
        m_reach = Chunks * 16;
#endif
    }

    // Bytes that matches() reads.
    qsizetype reach() const {
        return m_reach;
    }

    Q_ALWAYS_INLINE bool matches(const char* at) const {
#if defined(__SSE2__)
        if (m_atOnce) [[likely]] {
            const auto* chunks = reinterpret_cast<const __m128i*>(at);
            __m128i equal = _mm_set1_epi8(-1);
            for (int chunk = 0; chunk < Chunks; ++chunk) {
                const __m128i bytes =
                    _mm_and_si128(_mm_loadu_si128(chunks + chunk), m_masks[chunk]);
                equal = _mm_and_si128(equal, _mm_cmpeq_epi8(bytes, m_bytes[chunk]));
            }
            return _mm_movemask_epi8(equal) == 0xFFFF;
        }
#endif
        bool expected = true;
        for (int k = 0; k < m_count; ++k)
            expected = expected && StringLengthAt(at + m_offsets[k]) == m_lengths[k];
        return expected;
    }

private:
    qsizetype m_offsets[MaxLengths] = {};
    std::uint16_t m_lengths[MaxLengths] = {};
    int m_count = 0;
    qsizetype m_reach = 0;
    bool m_atOnce = false; // compared at once rather than one by one
#if defined(__SSE2__)
    __m128i m_masks[Chunks] = {};
    __m128i m_bytes[Chunks] = {};
#endif
};

// Steps over the entries of the catalogue table that lie whole in a window.
//
// The position of each string depends on the length before it, a chain of
// loads that would leave the processor waiting for every length in turn.
// The texts this program skips mostly repeat the length they had in the
// entry before, and names are mostly empty. While they do, every length lies
// at a known offset and the entry's end at a known distance: one check that
// the end is in the window covers all of them, the lengths are compared
// together, and the position moves on by a value the processor already has.
// It stays in a register for the whole window.
class EntryScanner {
public:
    EntryScanner() {
        predictHead(0);
        predictTail({});
    }

    // Steps over entries `id` to `last` from `pos`, handing those with a name
    // to the table, until one runs past the window's end; returns the
    // position after the last entry stepped over, and the next `id`.
    template <typename Table>
    Q_NEVER_INLINE qsizetype scan(QByteArrayView window, qsizetype pos, std::int32_t& id,
                                  std::int32_t last, Table& table) {
        const char* const end = window.data() + window.size();
        const char* entry = window.data() + pos;
        std::int32_t next = id;
        for (; next <= last; ++next) {
            // An entry without names, of the predicted layout: the loop holds
            // only what it needs, so that nothing it carries waits on memory.
            if (end - entry >= m_reach && m_head.matches(entry) &&
                m_tail.matches(entry + m_headSize + TailFixedBefore)) [[likely]] {
                entry += m_size;
                continue;
            }
            const qsizetype length = readEntry(next, entry, end - entry, table);
            if (length == 0)
                break;
            entry += length;
        }
        id = next;
        return entry - window.data();
    }

private:
    static constexpr int TailStrings = 6;
    static constexpr qsizetype TailFixedBefore = 44;
    static constexpr qsizetype TailFixedAfter = 13;

    // Reads entry `id` at `entry` one length after the other, predicts the
    // layout of the next from it, and hands its names to the table; its
    // length, or 0 when it runs past `room` bytes.
    template <typename Table>
    Q_NEVER_INLINE qsizetype readEntry(std::int32_t id, const char* entry, qsizetype room,
                                       Table& table) {
        if (room < 2)
            return 0;
        if (const std::uint16_t first = StringLengthAt(entry); first != m_first)
            predictHead(first);
        qsizetype at = 2 + m_first;
        qsizetype defaultAt = 0, userAt = 0;
        std::uint16_t defaultLength = 0, userLength = 0;
        if (!readName(entry, room, at, defaultAt, defaultLength) ||
            !readName(entry, room, at, userAt, userLength))
            return 0;
        // Fields 4 to 11: 44 fixed bytes, six strings, 13 fixed bytes.
        const char* tail = entry + at;
        const qsizetype tailRoom = room - at;
        if (tailRoom < m_tailReach || !m_tail.matches(tail + TailFixedBefore)) {
            if (!readTail(tail, tailRoom))
                return 0;
        }
        if ((defaultLength | userLength) != 0)
            table.add(id, entry + defaultAt, defaultLength, entry + userAt, userLength);
        return at + m_tailSize;
    }

    static bool readName(const char* entry, qsizetype room, qsizetype& at, qsizetype& textAt,
                         std::uint16_t& length) {
        if (room - at < 2)
            return false;
        length = StringLengthAt(entry + at);
        textAt = at + 2;
        at += 2 + length;
        return true;
    }

    // A first text of `first` bytes and two empty names.
    void predictHead(std::uint16_t first) {
        m_first = first;
        m_headSize = 2 + first + 2 + 2;
        const qsizetype offsets[] = {0, 2 + first, 4 + first};
        const std::uint16_t lengths[] = {first, 0, 0};
        m_head.expect(offsets, lengths, 3);
        predictEntry();
    }

    // Predicts the tail at `tail` from now on; false when it runs past `room` bytes.
    bool readTail(const char* tail, qsizetype room) {
        std::uint16_t lengths[TailStrings];
        qsizetype offset = TailFixedBefore;
        for (std::uint16_t& length : lengths) {
            if (room < offset + 2)
                return false;
            length = StringLengthAt(tail + offset);
            offset += 2 + length;
        }
        if (room < offset + TailFixedAfter)
            return false;
        predictTail(lengths);
        return true;
    }

    // Six strings of the given lengths.
    void predictTail(const std::uint16_t (&lengths)[TailStrings]) {
        qsizetype offsets[TailStrings];
        qsizetype offset = 0;
        for (int k = 0; k < TailStrings; ++k) {
            offsets[k] = offset;
            offset += 2 + lengths[k];
        }
        m_tailSize = TailFixedBefore + offset + TailFixedAfter;
        m_tail.expect(offsets, lengths, TailStrings);
        m_tailReach = std::max(m_tailSize, TailFixedBefore + m_tail.reach());
        predictEntry();
    }

    void predictEntry() {
        m_size = m_headSize + m_tailSize;
        m_reach = std::max(m_head.reach(), m_headSize + m_tailReach);
    }

    std::uint16_t m_first = 0;
    qsizetype m_headSize = 0;
    LengthPattern<1> m_head; // a first text of up to 10 bytes and the two names
    qsizetype m_tailSize = 0;
    qsizetype m_tailReach = 0; // bytes the tail's check reads
    LengthPattern<2> m_tail;   // from the end of the 44 fixed bytes
    qsizetype m_size = 0;      // of an entry without names
    qsizetype m_reach = 0;     // bytes the checks of such an entry read
};

} // namespace cac

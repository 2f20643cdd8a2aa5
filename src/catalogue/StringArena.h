#pragma once

#include <QString>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cac {

// Makes many strings in a few shared allocations: each QString made points
// into a block and holds one reference to it, so a block lives exactly as
// long as the last of its strings, wherever they are copied. One allocation
// and no atomic operation per string, where QString would make one of each.
// Each string is followed by a NUL, as QString keeps its text.
class StringArena {
public:
    StringArena() = default;
    ~StringArena() { seal(); }
    StringArena(const StringArena&) = delete;
    StringArena& operator=(const StringArena&) = delete;

    // A string being made. Held by the caller, so that its ends stay in
    // registers rather than being stored and read back for every unit.
    struct Text {
        char16_t* start;
        char16_t* end;
    };

    // Starts a string of at most `maxLength` units.
    Text start(qsizetype maxLength) {
        if (m_blockEnd - m_end < maxLength + 1 + Overrun || m_unmade == 0)
            newBlock(maxLength);
        return {m_end, m_end};
    }
    // Appends 8-bit text. Reads and writes sixteen characters at a time: up
    // to fifteen bytes past the text must be readable (the units written past
    // it are room kept in the block).
    static void appendLatin1(Text& text, const char* bytes, qsizetype length) {
        for (qsizetype at = 0; at < length; at += 16) {
#if defined(__SSE2__)
            const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
            const __m128i zero = _mm_setzero_si128();
            _mm_storeu_si128(reinterpret_cast<__m128i*>(text.end + at),
                             _mm_unpacklo_epi8(chunk, zero));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(text.end + at + 8),
                             _mm_unpackhi_epi8(chunk, zero));
#else
            for (qsizetype i = at; i < at + 16; ++i)
                text.end[i] = static_cast<unsigned char>(bytes[i]);
#endif
        }
        text.end += length;
    }
    static void append(Text& text, char16_t unit) {
        *text.end++ = unit;
    }
    // The string made.
    QString finish(Text text) {
        *text.end = u'\0';
        --m_unmade;
        m_end = text.end + 1;
        return QString(QString::DataPointer(m_owner.d_ptr(), text.start, text.end - text.start));
    }

private:
    static constexpr qsizetype BlockUnits = 16 * 1024;
    static constexpr qsizetype Overrun = 16; // units appendLatin1 may write past the text

    void newBlock(qsizetype maxLength);
    void seal();

    QString::DataPointer m_owner; // the arena's own reference to the current block
    char16_t* m_end = nullptr;
    char16_t* m_blockEnd = nullptr;
    qsizetype m_unmade = 0; // references set aside for strings the block may still get
};

} // namespace cac

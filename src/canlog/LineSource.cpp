#include "canlog/LineSource.h"

#include <QIODevice>

#include <cstring>

namespace cac {

LineSource::LineSource(QIODevice* device) : m_device(device), m_buffer(ChunkSize) {}

// Moves what is left to the front and reads after it; false when nothing came.
bool LineSource::fill() {
    if (m_atEnd)
        return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
        m_end -= m_begin;
        m_begin = 0;
    }
    const qint64 got = m_device->read(m_buffer.data() + m_end, ChunkSize - m_end);
    if (got <= 0) {
        m_atEnd = true;
        return false;
    }
    m_end += got;
    return true;
}

bool LineSource::next(std::string_view& line, bool& tooLong) {
    tooLong = false;
    for (;;) {
        const char* start = m_buffer.data() + m_begin;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', m_end - m_begin));
        if (newline || (m_atEnd && m_end > m_begin)) {
            const char* stop = newline ? newline : m_buffer.data() + m_end;
            qsizetype length = stop - start;
            m_begin += length + (newline ? 1 : 0);
            ++m_lineNumber;
            if (length > 0 && start[length - 1] == '\r')
                --length;
            if (tooLong) {
                line = {};
                return true;
            }
            line = std::string_view(start, length);
            return true;
        }
        if (m_end - m_begin >= MaxLineLength) {
            // Drop what was read of the overlong line and keep looking for its end.
            tooLong = true;
            m_begin = m_end;
        }
        if (!fill()) {
            if (m_end > m_begin)
                continue;
            if (tooLong) {
                ++m_lineNumber;
                line = {};
                return true;
            }
            return false;
        }
    }
}

} // namespace cac

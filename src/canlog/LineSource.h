#pragma once

#include <QtGlobal>

#include <string_view>
#include <vector>

class QIODevice;

namespace cac {

// The lines of a text log, read in chunks into one fixed buffer: a line is a
// view into that buffer, valid until the next call. A line longer than the
// buffer is reported as too long and skipped whole.
class LineSource {
public:
    static constexpr qsizetype ChunkSize = 256 * 1024;
    static constexpr qsizetype MaxLineLength = 64 * 1024;

    explicit LineSource(QIODevice* device);

    // The next line without its CR LF or LF; false at the end of the input.
    // `tooLong` tells that the line was cut away (the view is then empty).
    bool next(std::string_view& line, bool& tooLong);
    // Number of the line last returned, from 1.
    qint64 lineNumber() const { return m_lineNumber; }

private:
    bool fill();

    QIODevice* m_device;
    std::vector<char> m_buffer;
    qsizetype m_begin = 0; // first unread byte
    qsizetype m_end = 0;   // end of the bytes read
    bool m_atEnd = false;
    qint64 m_lineNumber = 0;
};

} // namespace cac

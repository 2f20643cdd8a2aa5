#pragma once

#include "canlog/LineSource.h"
#include "canlog/LogReader.h"

namespace cac {

// A reader of a line-based log: each line is handed to readLine until one
// gives a frame. Overlong lines are problems like any unreadable line.
class TextLogReader : public LogReader {
public:
    bool readFrame(CanFrame& frame) final {
        std::string_view line;
        bool tooLong = false;
        while (m_lines.next(line, tooLong)) {
            if (tooLong) {
                lineProblem(
                    QStringLiteral("line longer than %1 bytes").arg(LineSource::MaxLineLength));
                continue;
            }
            if (readLine(line, frame))
                return true;
        }
        return false;
    }

protected:
    TextLogReader(LogFormat format, QIODevice* device) : LogReader(format), m_lines(device) {}

    // True when the line gave a frame; false for a line that gives none (a
    // header, a comment, an event, or one noted as a problem).
    virtual bool readLine(std::string_view line, CanFrame& frame) = 0;

    void lineProblem(const QString& text) { addProblem(m_lines.lineNumber(), false, text); }
    static QString quoted(std::string_view text) {
        constexpr std::size_t Shown = 60;
        QString shown =
            QString::fromLatin1(text.data(), static_cast<qsizetype>(std::min(text.size(), Shown)));
        if (text.size() > Shown)
            shown += QStringLiteral("...");
        return QLatin1Char('\'') + shown + QLatin1Char('\'');
    }

private:
    LineSource m_lines;
};

} // namespace cac

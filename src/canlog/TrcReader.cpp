// PEAK TRC traces. Header lines begin with ';': ";$FILEVERSION=2.1" tells the
// version, ";$STARTTIME=42209.4075997106" (1.1 and later) when the trace began,
// in days since 1899-12-30 UTC, ";$COLUMNS=N,O,T,B,I,d,R,L,D" (2.1) the order
// of the columns. Times are milliseconds from the start of the trace.
//   1.x: "1) 1059.9 [bus] Rx|Tx|Warng|Error 0300 [-] 8 00 11 ... | RTR"
//        (1.0 has neither bus nor type, 1.2 adds the bus, 1.3 a reserved "-")
//   2.x: "1 1059.900 DT [bus] 0300 Rx [-] 8 00 11 ..." with the message type
//        DT (data), RR (remote request), ER (error frame), FD/FB/FE/BI (CAN FD);
//        status and event lines carry no frame.

#include "canlog/LogStart.h"
#include "canlog/TextFields.h"
#include "canlog/TextLogReader.h"

namespace cac {
namespace {

class TrcReader final : public TextLogReader {
public:
    explicit TrcReader(QIODevice* device) : TextLogReader(LogFormat::Trc, device) {}

protected:
    bool readLine(std::string_view line, CanFrame& frame) override {
        using namespace logtext;
        line = trimmed(line);
        if (line.empty())
            return false;
        if (line.front() == ';') {
            readHeader(line);
            return false;
        }
        std::array<std::string_view, 24> fields;
        const std::size_t count = std::min<std::size_t>(splitFields(line, fields), fields.size());
        if (!m_version2 && fields[0].back() == ')')
            return readVersion1(line, fields, count, frame);
        return readVersion2(line, fields, count, frame);
    }

private:
    using Fields = std::array<std::string_view, 24>;

    void readHeader(std::string_view line) {
        using namespace logtext;
        if (startsWith(line, ";$FILEVERSION=")) {
            m_version2 = startsWith(trimmed(line.substr(14)), "2");
        } else if (startsWith(line, ";$STARTTIME=")) {
            const auto days = parseNumber(trimmed(line.substr(12)));
            const auto start = days ? logstart::TrcStartTime(*days) : std::nullopt;
            if (start)
                m_start = startFrom(*start);
            else
                lineProblem(QStringLiteral("unreadable start time %1").arg(quoted(line)));
        } else if (startsWith(line, ";$COLUMNS=")) {
            m_columns.clear();
            for (const char c : trimmed(line.substr(10)))
                if (c != ',')
                    m_columns.push_back(c);
        }
    }

    bool timeOf(std::string_view text, double& seconds) {
        const auto ms = logtext::parseNumber(text);
        if (!ms) {
            lineProblem(QStringLiteral("unreadable time offset %1").arg(quoted(text)));
            return false;
        }
        seconds = *ms / 1000.0;
        seconds += m_start;
        return true;
    }

    // PEAK writes 4 digits for 11 bits and 8 for 29; some writers drop the
    // leading zero of a 29-bit identifier, so more than 4 digits mean 29 bits.
    bool identifier(std::string_view text, CanFrame& frame) {
        const bool extended = text.size() > 4;
        const auto id = logtext::parseHex(text);
        if (!id || *id > (extended ? 0x1FFFFFFFu : 0x7FFu)) {
            lineProblem(QStringLiteral("unreadable identifier %1").arg(quoted(text)));
            return false;
        }
        frame.id = *id;
        frame.extended = extended;
        return true;
    }

    // The length, then `length` data bytes from fields[first].
    bool data(const Fields& fields, std::size_t count, std::string_view lengthText,
              std::size_t first, CanFrame& frame) {
        const auto length = logtext::parseDecimal(lengthText);
        if (!length || *length > 15) {
            lineProblem(QStringLiteral("unreadable data length %1").arg(quoted(lengthText)));
            return false;
        }
        frame.length = static_cast<std::uint8_t>(std::min<std::uint32_t>(*length, 8));
        if (frame.remote)
            return true;
        if (first + frame.length > count) {
            lineProblem(QStringLiteral("%1 data bytes announced, fewer given").arg(frame.length));
            return false;
        }
        for (std::size_t i = 0; i < frame.length; ++i) {
            const auto byte = logtext::parseHex(fields[first + i], 2);
            if (!byte) {
                lineProblem(
                    QStringLiteral("unreadable data byte %1").arg(quoted(fields[first + i])));
                return false;
            }
            frame.data[i] = static_cast<std::uint8_t>(*byte);
        }
        return true;
    }

    bool readVersion1(std::string_view line, const Fields& fields, std::size_t count,
                      CanFrame& frame) {
        using namespace logtext;
        frame = CanFrame{};
        if (count < 4 || !timeOf(fields[1], frame.time))
            return count < 4 ? tooShort(line) : false;
        std::size_t i = 2;
        const auto isType = [](std::string_view word) {
            return word == "Rx" || word == "Tx" || word == "Warng" || word == "Error";
        };
        if (i + 1 < count && parseDecimal(fields[i]) && isType(fields[i + 1]))
            frame.bus = busOf(fields[i++]); // bus (1.2 and later)
        if (isType(fields[i])) {
            if (fields[i] == "Warng")
                return false; // a bus state warning, no frame
            if (fields[i] == "Error") {
                frame.error = true;
                return true;
            }
            ++i;
        }
        if (i + 1 >= count)
            return tooShort(line);
        if (fields[i] == "FFFFFFFF")
            return false; // 1.0 error warning
        if (!identifier(fields[i], frame))
            return false;
        ++i;
        if (fields[i] == "-" && i + 1 < count)
            ++i; // reserved (1.3)
        const std::string_view length = fields[i];
        if (i + 1 < count && fields[i + 1] == "RTR")
            frame.remote = true;
        if (i + 1 < count && fields[i + 1] == "ERROR") {
            frame = CanFrame{frame.time};
            frame.error = true;
            return true;
        }
        return data(fields, count, length, i + 1, frame);
    }

    bool readVersion2(std::string_view line, const Fields& fields, std::size_t count,
                      CanFrame& frame) {
        frame = CanFrame{};
        const std::string_view columns =
            m_columns.empty() ? std::string_view("NOTIdlD") : std::string_view(m_columns);
        const auto at = [&](char column) -> std::optional<std::size_t> {
            const std::size_t index = columns.find(column);
            if (index == std::string_view::npos || index >= count)
                return std::nullopt;
            return index;
        };
        const auto time = at('O');
        const auto type = at('T');
        if (!time || !type)
            return tooShort(line);
        if (!timeOf(fields[*time], frame.time))
            return false;
        const std::string_view kind = fields[*type];
        if (kind == "FD" || kind == "FB" || kind == "FE" || kind == "BI") {
            countFdFrame();
            return false;
        }
        if (kind == "ER") {
            frame.error = true;
            return true;
        }
        if (kind != "DT" && kind != "RR")
            return false; // status, error counter and event lines
        frame.remote = kind == "RR";
        const auto id = at('I');
        auto length = at('L');
        if (!length)
            length = at('l');
        if (!id || !length)
            return tooShort(line);
        if (!identifier(fields[*id], frame))
            return false;
        if (const auto bus = at('B'))
            frame.bus = busOf(fields[*bus]);
        const std::size_t first = columns.find('D');
        return data(fields, count, fields[*length], first == std::string_view::npos ? count : first,
                    frame);
    }

    bool tooShort(std::string_view line) {
        lineProblem(QStringLiteral("too few columns: %1").arg(quoted(line)));
        return false;
    }

    bool m_version2 = false;
    std::string m_columns;
    double m_start = 0; // seconds since 1970, or 0 when the trace does not say
};

} // namespace

std::unique_ptr<LogReader> MakeTrcReader(QIODevice* device) {
    return std::make_unique<TrcReader>(device);
}

} // namespace cac

// Vector ASC logs. The header says when the log began ("date Sat Sep 30
// 15:06:13.191 2017"), "base hex" or "base dec" (how identifiers and data
// bytes are written) and "timestamps absolute" or "relative" (each time
// counted from the event before); "// ..." lines are comments, and
// "Begin Triggerblock <date>" ... "End TriggerBlock" enclose the events, its
// date the start their times count from. Every event line begins with its
// time. A classic frame reads
//   "<time> <channel> <id>[x] Rx|Tx d <dlc> <bytes...> [Length = ...]",
// a remote request "... r [dlc]", an error frame "<time> <channel> ErrorFrame";
// "CANFD" lines are CAN FD frames. Other events (statistics, chip status,
// transmit requests, system variables, J1939 transport, other buses, "Start
// of measurement") carry no frame and are passed over. A line that is neither
// header nor event is a problem: the file is then likely no ASC log at all.

#include "canlog/LogStart.h"
#include "canlog/TextFields.h"
#include "canlog/TextLogReader.h"

namespace cac {
namespace {

class AscReader final : public TextLogReader {
public:
    explicit AscReader(QIODevice* device) : TextLogReader(LogFormat::Asc, device) {}

protected:
    bool readLine(std::string_view line, CanFrame& frame) override {
        using namespace logtext;
        std::array<std::string_view, 16> fields;
        const std::size_t count = std::min<std::size_t>(splitFields(line, fields), fields.size());
        if (count == 0)
            return false;
        const auto time = parseNumber(fields[0]);
        if (!time) {
            readHeader(line, fields, count);
            return false;
        }
        double at = *time;
        if (m_relative) {
            m_clock += *time;
            at = m_clock;
        }
        at += m_start;
        if (count >= 2 && fields[1] == "CANFD") {
            countFdFrame();
            return false;
        }
        if (count >= 3 && fields[2].substr(0, 10) == "ErrorFrame" && parseDecimal(fields[1])) {
            frame = CanFrame{};
            frame.time = at;
            frame.error = true;
            return true;
        }
        // Frames: channel number, identifier, direction.
        if (count < 4 || !parseDecimal(fields[1]) || (fields[3] != "Rx" && fields[3] != "Tx"))
            return false;
        std::string_view idText = fields[2];
        const bool extended = !idText.empty() && (idText.back() == 'x' || idText.back() == 'X');
        if (extended)
            idText.remove_suffix(1);
        const auto id = number(idText, 8);
        if (!id || *id > (extended ? 0x1FFFFFFFu : 0x7FFu)) {
            lineProblem(QStringLiteral("unreadable identifier %1").arg(quoted(fields[2])));
            return false;
        }
        frame = CanFrame{};
        frame.time = at;
        frame.bus = busOf(fields[1]);
        frame.id = *id;
        frame.extended = extended;
        const std::string_view kind = count >= 5 ? fields[4] : std::string_view();
        if (kind == "r" || kind == "R") {
            frame.remote = true;
            if (count >= 6)
                if (const auto dlc = number(fields[5], 1); dlc && *dlc <= 8)
                    frame.length = static_cast<std::uint8_t>(*dlc);
            return true;
        }
        if (kind != "d" && kind != "D") {
            lineProblem(QStringLiteral("neither data 'd' nor remote 'r': %1").arg(quoted(kind)));
            return false;
        }
        const auto dlc = count >= 6 ? number(fields[5], 2) : std::nullopt;
        if (!dlc || *dlc > 15) {
            lineProblem(QStringLiteral("unreadable data length in %1").arg(quoted(line)));
            return false;
        }
        frame.length = static_cast<std::uint8_t>(std::min<std::uint32_t>(*dlc, 8));
        if (count < 6u + frame.length) {
            lineProblem(QStringLiteral("%1 data bytes announced, fewer given").arg(frame.length));
            return false;
        }
        for (std::size_t i = 0; i < frame.length; ++i) {
            const auto byte = number(fields[6 + i], m_decimal ? 3 : 2);
            if (!byte || *byte > 0xFF) {
                lineProblem(QStringLiteral("unreadable data byte %1").arg(quoted(fields[6 + i])));
                return false;
            }
            frame.data[i] = static_cast<std::uint8_t>(*byte);
        }
        return true;
    }

private:
    std::optional<std::uint32_t> number(std::string_view text, std::size_t hexDigits) const {
        return m_decimal ? logtext::parseDecimal(text) : logtext::parseHex(text, hexDigits);
    }

    // Header lines, comments and the trigger block's bounds; anything else
    // is a problem.
    template <std::size_t N>
    void readHeader(std::string_view line, const std::array<std::string_view, N>& fields,
                    std::size_t count) {
        using namespace logtext;
        const std::string_view first = fields[0];
        const auto is = [&](std::size_t i, std::string_view word) {
            return i < count && equalsNoCase(fields[i], word);
        };
        if (startsWith(first, "//") || (is(0, "end") && is(1, "triggerblock")) ||
            (is(0, "internal") && is(1, "events")) || (is(0, "no") && is(1, "internal")))
            return;
        if (is(0, "date")) {
            readStart(line, fields, count, 1);
        } else if (is(0, "begin") && is(1, "triggerblock")) {
            if (count > 2) // the date is optional here
                readStart(line, fields, count, 2);
        } else if (is(0, "base")) {
            // "base hex|dec  timestamps absolute|relative" may stand on one line.
            for (std::size_t i = 0; i + 1 < std::min(count, N); ++i) {
                if (equalsNoCase(fields[i], "base"))
                    m_decimal = equalsNoCase(fields[i + 1], "dec");
                else if (equalsNoCase(fields[i], "timestamps"))
                    m_relative = equalsNoCase(fields[i + 1], "relative");
            }
        } else {
            lineProblem(QStringLiteral("neither an event nor a header line: %1").arg(quoted(line)));
        }
    }

    // The date after fields[weekday], a weekday's name: the start the times
    // that follow count from.
    template <std::size_t N>
    void readStart(std::string_view line, const std::array<std::string_view, N>& fields,
                   std::size_t count, std::size_t weekday) {
        const std::size_t at =
            weekday + 1 < std::min(count, N)
                ? static_cast<std::size_t>(fields[weekday + 1].data() - line.data())
                : line.size();
        if (const auto start = logstart::AscDate(line.substr(at)))
            m_start = startFrom(*start);
        else
            lineProblem(QStringLiteral("unreadable date %1").arg(quoted(line)));
    }

    bool m_decimal = false;
    bool m_relative = false;
    double m_clock = 0;
    double m_start = 0; // seconds since 1970, or 0 when the log does not say
};

} // namespace

std::unique_ptr<LogReader> MakeAscReader(QIODevice* device) {
    return std::make_unique<AscReader>(device);
}

} // namespace cac

// Vector ASC logs. The header says "base hex" or "base dec" (how identifiers
// and data bytes are written) and "timestamps absolute" or "relative" (each
// time counted from the event before). A classic frame reads
//   "<time> <channel> <id>[x] Rx|Tx d <dlc> <bytes...> [Length = ...]",
// a remote request "... r [dlc]", an error frame "<time> <channel> ErrorFrame";
// "CANFD" lines are CAN FD frames. Other events (statistics, status, system
// variables, "Start of measurement") carry no frame and are passed over.

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
            readHeader(fields, count);
            return false;
        }
        double at = *time;
        if (m_relative) {
            m_clock += *time;
            at = m_clock;
        }
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
        if (count < 5 || !parseDecimal(fields[1]) || (fields[3] != "Rx" && fields[3] != "Tx"))
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
        frame.id = *id;
        frame.extended = extended;
        const std::string_view kind = fields[4];
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

    // "base hex|dec  timestamps absolute|relative" may stand on one line.
    template <std::size_t N>
    void readHeader(const std::array<std::string_view, N>& fields, std::size_t count) {
        for (std::size_t i = 0; i + 1 < count; ++i) {
            if (fields[i] == "base")
                m_decimal = fields[i + 1] == "dec";
            else if (fields[i] == "timestamps")
                m_relative = fields[i + 1] == "relative";
        }
    }

    bool m_decimal = false;
    bool m_relative = false;
    double m_clock = 0;
};

} // namespace

std::unique_ptr<LogReader> MakeAscReader(QIODevice* device) {
    return std::make_unique<AscReader>(device);
}

} // namespace cac

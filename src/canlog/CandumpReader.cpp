// candump -l logs: "(1436509052.249713) can0 123#DEADBEEF", one frame a line.
// An identifier of 3 hex digits is 11-bit, of 8 digits 29-bit; the error
// flag 0x20000000 in an 8-digit identifier marks an error frame. "#R" is a
// remote request (optionally with its length digit), "##" a CAN FD frame. A
// direction word after the frame, as some writers add, is ignored. candump
// writes seconds since 1970; a log whose first time is no date counts from
// its start.

#include "canlog/TextFields.h"
#include "canlog/TextLogReader.h"

namespace cac {
namespace {

constexpr std::uint32_t ErrorFlag = 0x20000000;

class CandumpReader final : public TextLogReader {
public:
    explicit CandumpReader(QIODevice* device) : TextLogReader(LogFormat::Candump, device) {}

protected:
    bool readLine(std::string_view line, CanFrame& frame) override {
        using namespace logtext;
        std::array<std::string_view, 4> fields;
        std::size_t count = canonicalFields(line, fields);
        if (count == 0) {
            line = trimmed(line);
            if (line.empty())
                return false;
            count = splitFields(line, fields);
        }
        if (count < 3 || fields[0].size() < 3 || fields[0].front() != '(' ||
            fields[0].back() != ')') {
            lineProblem(QStringLiteral("not a candump line: %1").arg(quoted(line)));
            return false;
        }
        const auto time = parseNumber(fields[0].substr(1, fields[0].size() - 2));
        if (!time) {
            lineProblem(QStringLiteral("unreadable time %1").arg(quoted(fields[0])));
            return false;
        }
        const std::string_view text = fields[2];
        const std::size_t hash = text.find('#');
        if (hash == std::string_view::npos) {
            lineProblem(QStringLiteral("no '#' in the frame %1").arg(quoted(text)));
            return false;
        }
        const std::string_view idText = text.substr(0, hash);
        std::string_view dataText = text.substr(hash + 1);
        if (!dataText.empty() && dataText.front() == '#') {
            countFdFrame();
            return false;
        }
        const auto id =
            (idText.size() == 3 || idText.size() == 8) ? parseHex(idText) : std::nullopt;
        if (!id) {
            lineProblem(
                QStringLiteral("identifier %1 is not 3 or 8 hex digits").arg(quoted(idText)));
            return false;
        }
        if (idText.size() == 3 && *id > 0x7FF) { // three digits carry an 11-bit identifier
            lineProblem(QStringLiteral("identifier %1 is beyond 11 bits").arg(quoted(idText)));
            return false;
        }
        frame = CanFrame{};
        frame.time = *time;
        frame.bus = busOf(fields[1]);
        noteFirstTime(*time);
        frame.extended = idText.size() == 8;
        frame.id = *id;
        if (frame.extended && (*id & ErrorFlag)) {
            frame.error = true;
            frame.extended = false;
            frame.id = *id & 0x1FFFFFFF;
        } else if (frame.extended) {
            frame.id = *id & 0x1FFFFFFF;
        }
        if (!dataText.empty() && (dataText.front() == 'R' || dataText.front() == 'r')) {
            frame.remote = true;
            if (dataText.size() >= 2 && dataText[1] >= '0' && dataText[1] <= '8')
                frame.length = static_cast<std::uint8_t>(dataText[1] - '0');
            return true;
        }
        return readData(dataText, frame);
    }

private:
    // The three fields of a line as candump writes it, "(time) can0 123#11",
    // found by three searches instead of a walk over every character; 0 for
    // any other line (blanks around it, tabs, a fourth field), which the
    // general split then takes.
    static std::size_t canonicalFields(std::string_view line,
                                       std::array<std::string_view, 4>& fields) {
        if (line.empty() || line.front() != '(' || line.find('\t') != std::string_view::npos)
            return 0;
        const std::size_t first = line.find(' ');
        if (first == std::string_view::npos)
            return 0;
        const std::size_t second = line.find(' ', first + 1);
        if (second == std::string_view::npos || second == first + 1 || second + 1 == line.size() ||
            line.find(' ', second + 1) != std::string_view::npos || line.back() == '\r')
            return 0;
        fields[0] = line.substr(0, first);
        fields[1] = line.substr(first + 1, second - first - 1);
        fields[2] = line.substr(second + 1);
        return 3;
    }

    // Hex byte pairs, optionally split by '.', up to 8 bytes; "_X" after the
    // data (a DLC above 8) adds nothing to a classic frame's bytes.
    bool readData(std::string_view text, CanFrame& frame) {
        using namespace logtext;
        // Plain pairs, as nearly every writer gives them: a table look-up per digit.
        if (text.size() % 2 == 0 && text.size() <= 16) {
            int bad = 0;
            for (std::size_t k = 0; k < text.size(); k += 2) {
                const int high = hexDigit(text[k]);
                const int low = hexDigit(text[k + 1]);
                bad |= high | low;
                frame.data[k / 2] = static_cast<std::uint8_t>(static_cast<unsigned>(high) << 4 |
                                                              static_cast<unsigned>(low));
            }
            if (bad >= 0) {
                frame.length = static_cast<std::uint8_t>(text.size() / 2);
                return true;
            }
            frame.data = {};
        }
        std::size_t i = 0;
        while (i < text.size()) {
            if (text[i] == '.') {
                ++i;
                continue;
            }
            if (text[i] == '_' && i + 2 == text.size() && hexDigit(text[i + 1]) >= 0)
                break;
            const int high = hexDigit(text[i]);
            const int low = i + 1 < text.size() ? hexDigit(text[i + 1]) : -1;
            if ((high | low) < 0 || frame.length >= 8) {
                lineProblem(QStringLiteral("unreadable data %1").arg(quoted(text)));
                return false;
            }
            frame.data[frame.length++] = static_cast<std::uint8_t>(high << 4 | low);
            i += 2;
        }
        return true;
    }
};

} // namespace

std::unique_ptr<LogReader> MakeCandumpReader(QIODevice* device) {
    return std::make_unique<CandumpReader>(device);
}

} // namespace cac

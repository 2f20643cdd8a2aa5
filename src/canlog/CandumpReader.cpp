// candump -l logs: "(1436509052.249713) can0 123#DEADBEEF", one frame a line.
// An identifier of 3 hex digits is 11-bit, of 8 digits 29-bit; the error
// flag 0x20000000 in an 8-digit identifier marks an error frame. "#R" is a
// remote request (optionally with its length digit), "##" a CAN FD frame. A
// direction word after the frame, as some writers add, is ignored.

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
        line = trimmed(line);
        if (line.empty())
            return false;
        std::array<std::string_view, 4> fields;
        const std::size_t count = splitFields(line, fields);
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
    // Hex byte pairs, optionally split by '.', up to 8 bytes; "_X" after the
    // data (a DLC above 8) adds nothing to a classic frame's bytes.
    bool readData(std::string_view text, CanFrame& frame) {
        using namespace logtext;
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

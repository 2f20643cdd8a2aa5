// SavvyCAN and GVRET CSV logs: a header line naming the columns, then one
// frame a line, e.g.
//   Time Stamp,ID,Extended,Dir,Bus,LEN,D1,D2,D3,D4,D5,D6,D7,D8
//   166064000,0000021A,false,Rx,0,8,FE,36,12,FE,69,05,07,AD,
// Times are microseconds (from the capture's start, or since 1970 when the
// first is a date), identifiers and bytes hexadecimal; older GVRET logs lack
// the Dir column, so columns are found by their names.

#include "canlog/TextFields.h"
#include "canlog/TextLogReader.h"

namespace cac {
namespace {

class SavvyCsvReader final : public TextLogReader {
public:
    explicit SavvyCsvReader(QIODevice* device) : TextLogReader(LogFormat::SavvyCsv, device) {}

protected:
    bool readLine(std::string_view line, CanFrame& frame) override {
        using namespace logtext;
        line = trimmed(line);
        if (line.empty())
            return false;
        std::array<std::string_view, 24> fields;
        const std::size_t count = std::min<std::size_t>(splitCells(line, fields), fields.size());
        // A header, the first or one of a log joined from several.
        if (m_time < 0 || equalsNoCase(fields[0], "time stamp")) {
            m_time = m_id = m_extended = m_bus = m_length = m_firstByte = -1;
            readHeader(fields, count);
            if (m_time < 0 || m_id < 0 || m_length < 0 || m_firstByte < 0) {
                lineProblem(QStringLiteral("not a SavvyCAN header (Time Stamp, ID, LEN, D1...): %1")
                                .arg(quoted(line)));
                m_time = -1;
            }
            return false;
        }
        frame = CanFrame{};
        const auto micros = std::max({m_time, m_id, m_length}) < int(count)
                                ? parseNumber(fields[m_time])
                                : std::nullopt;
        if (!micros) {
            lineProblem(QStringLiteral("unreadable time stamp in %1").arg(quoted(line)));
            return false;
        }
        frame.time = *micros / 1e6;
        noteFirstTime(frame.time);
        std::string_view idText = fields[m_id];
        if (startsWith(idText, "0x") || startsWith(idText, "0X"))
            idText.remove_prefix(2);
        const auto id = parseHex(idText);
        if (m_extended >= 0 && m_extended < int(count))
            frame.extended = equalsNoCase(fields[m_extended], "true") || fields[m_extended] == "1";
        else
            frame.extended = id && *id > 0x7FF;
        if (!id || *id > (frame.extended ? 0x1FFFFFFFu : 0x7FFu)) {
            lineProblem(QStringLiteral("unreadable identifier %1").arg(quoted(fields[m_id])));
            return false;
        }
        frame.id = *id;
        if (m_bus >= 0 && m_bus < int(count))
            frame.bus = busOf(fields[m_bus]);
        const auto length = parseDecimal(fields[m_length]);
        if (!length || *length > 8) {
            lineProblem(QStringLiteral("unreadable length %1").arg(quoted(fields[m_length])));
            return false;
        }
        frame.length = static_cast<std::uint8_t>(*length);
        for (std::size_t i = 0; i < frame.length; ++i) {
            const std::size_t cell = std::size_t(m_firstByte) + i;
            const auto byte = cell < count ? parseHex(fields[cell], 2) : std::nullopt;
            if (!byte) {
                lineProblem(QStringLiteral("data byte D%1 missing or unreadable").arg(i + 1));
                return false;
            }
            frame.data[i] = static_cast<std::uint8_t>(*byte);
        }
        return true;
    }

private:
    // Cells between commas, blanks around them dropped; empty cells count.
    template <std::size_t N>
    static std::size_t splitCells(std::string_view line, std::array<std::string_view, N>& cells) {
        std::size_t count = 0;
        for (;;) {
            const std::size_t comma = line.find(',');
            if (count < N)
                cells[count] = logtext::trimmed(line.substr(0, comma));
            ++count;
            if (comma == std::string_view::npos)
                return count;
            line.remove_prefix(comma + 1);
        }
    }

    template <std::size_t N>
    void readHeader(const std::array<std::string_view, N>& cells, std::size_t count) {
        using logtext::equalsNoCase;
        for (std::size_t i = 0; i < count; ++i) {
            const std::string_view name = cells[i];
            const int index = static_cast<int>(i);
            if (equalsNoCase(name, "time stamp"))
                m_time = index;
            else if (equalsNoCase(name, "id"))
                m_id = index;
            else if (equalsNoCase(name, "extended"))
                m_extended = index;
            else if (equalsNoCase(name, "bus"))
                m_bus = index;
            else if (equalsNoCase(name, "len"))
                m_length = index;
            else if (equalsNoCase(name, "d1"))
                m_firstByte = index;
        }
    }

    int m_time = -1;
    int m_id = -1;
    int m_extended = -1;
    int m_bus = -1;
    int m_length = -1;
    int m_firstByte = -1;
};

} // namespace

std::unique_ptr<LogReader> MakeSavvyCsvReader(QIODevice* device) {
    return std::make_unique<SavvyCsvReader>(device);
}

} // namespace cac

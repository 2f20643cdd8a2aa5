#include "canlog/LogReader.h"

#include "canlog/TextFields.h"

#include <QIODevice>

namespace cac {

namespace {

struct FormatName {
    LogFormat format;
    const char* name;
};
constexpr FormatName FormatNames[] = {
    {LogFormat::Candump, "candump"}, {LogFormat::Asc, "asc"}, {LogFormat::Trc, "trc"},
    {LogFormat::SavvyCsv, "csv"},    {LogFormat::Blf, "blf"},
};

// What the first line that says anything tells of a text log.
LogFormat formatOfLine(std::string_view line) {
    using namespace logtext;
    if (line.empty())
        return LogFormat::Unknown;
    if (line.front() == ';')
        return LogFormat::Trc;
    if (line.front() == '(')
        return LogFormat::Candump;
    // ASC by its header lines; a "//" comment says nothing, as many formats have them.
    std::array<std::string_view, 4> fields;
    const std::size_t count = splitFields(line, fields);
    const auto is = [&](std::size_t i, std::string_view word) {
        return i < count && equalsNoCase(fields[i], word);
    };
    if ((is(0, "date") && count >= 6) || (is(0, "base") && (is(1, "hex") || is(1, "dec"))) ||
        (is(0, "begin") && is(1, "triggerblock")))
        return LogFormat::Asc;
    if (equalsNoCase(line.substr(0, 10), "time stamp") && line.find(',') != std::string_view::npos)
        return LogFormat::SavvyCsv;
    // Logs without their header: "1) 12.3 Rx ..." is a trace, "0.001 1 123 Rx" an ASC body.
    if (count >= 4) {
        if (fields[0].back() == ')' && parseDecimal(fields[0].substr(0, fields[0].size() - 1)))
            return LogFormat::Trc;
        if (parseNumber(fields[0]) &&
            (fields[3] == "Rx" || fields[3] == "Tx" || fields[2] == "ErrorFrame"))
            return LogFormat::Asc;
    }
    return LogFormat::Unknown;
}

} // namespace

LogFormat LogFormatNamed(const QString& name) {
    for (const FormatName& entry : FormatNames)
        if (name == QLatin1String(entry.name))
            return entry.format;
    return LogFormat::Unknown;
}

QString LogProblem::describe() const {
    return QStringLiteral("%1 %2: %3")
        .arg(binary ? QStringLiteral("byte") : QStringLiteral("line"))
        .arg(position)
        .arg(text);
}

LogReader::~LogReader() = default;

std::uint8_t LogReader::nameBus(std::string_view name) {
    const QString text = QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
    qsizetype place = m_buses.indexOf(text);
    if (place < 0 && m_buses.size() < MaxBuses) {
        m_buses.append(text);
        place = m_buses.size() - 1;
    } else if (place < 0) {
        place = MaxBuses - 1;
    }
    m_lastBus.assign(name);
    m_lastBusPlace = static_cast<std::uint8_t>(place);
    return m_lastBusPlace;
}

void LogReader::addProblem(qint64 position, bool binary, const QString& text) {
    ++m_problemCount;
    if (m_problems.size() < KeptProblems)
        m_problems.append({position, binary, text});
}

LogFormat DetectLogFormat(QIODevice* device) {
    const QByteArray head = device->peek(8192);
    if (head.startsWith("LOGG"))
        return LogFormat::Blf;
    std::string_view rest(head.constData(), static_cast<std::size_t>(head.size()));
    // Skip a UTF-8 byte order mark some editors add.
    if (logtext::startsWith(rest, "\xEF\xBB\xBF"))
        rest.remove_prefix(3);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = logtext::trimmed(rest.substr(0, end));
        if (!line.empty() && !logtext::startsWith(line, "//"))
            return formatOfLine(line);
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    return LogFormat::Unknown;
}

std::unique_ptr<LogReader> OpenLogReader(QIODevice* device, LogFormat format, QString* error) {
    if (format == LogFormat::Unknown)
        format = DetectLogFormat(device);
    switch (format) {
    case LogFormat::Candump:
        return MakeCandumpReader(device);
    case LogFormat::Asc:
        return MakeAscReader(device);
    case LogFormat::Trc:
        return MakeTrcReader(device);
    case LogFormat::SavvyCsv:
        return MakeSavvyCsvReader(device);
    case LogFormat::Blf:
        return MakeBlfReader(device);
    case LogFormat::Unknown:
        break;
    }
    if (error)
        *error = QStringLiteral("not a CAN log this program reads (candump -l, Vector ASC or "
                                "BLF, PEAK TRC, SavvyCAN CSV)");
    return nullptr;
}

} // namespace cac

#include "discover/reference/CsvReference.h"

#include "canlog/LineSource.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <tuple>
#include <vector>

namespace cac {
namespace {

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return text;
}

std::vector<std::string_view> Cells(std::string_view line, char separator) {
    std::vector<std::string_view> cells;
    for (;;) {
        const std::size_t at = line.find(separator);
        cells.push_back(Trimmed(line.substr(0, at)));
        if (at == std::string_view::npos)
            return cells;
        line.remove_prefix(at + 1);
    }
}

// A finite number written with a decimal point, nothing after it.
bool ReadNumber(std::string_view text, double& value) {
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size() && std::isfinite(value);
}

QString Quoted(std::string_view text) {
    return QLatin1Char('"') + QString::fromUtf8(text.data(), qsizetype(text.size())).left(40) +
           QLatin1Char('"');
}

// "Speed [km/h]": the name and the unit in brackets or parentheses.
std::pair<QString, QString> NameAndUnit(std::string_view cell) {
    const QString text = QString::fromUtf8(cell.data(), qsizetype(cell.size())).trimmed();
    for (const auto& [open, close] : {std::pair{'[', ']'}, std::pair{'(', ')'}}) {
        const qsizetype from = text.lastIndexOf(QLatin1Char(open));
        if (from > 0 && text.endsWith(QLatin1Char(close)))
            return {text.left(from).trimmed(),
                    text.mid(from + 1, text.size() - from - 2).trimmed()};
    }
    return {text, QString()};
}

struct TimeUnit {
    const char* name;
    double seconds;
};
constexpr TimeUnit TimeUnits[] = {{"s", 1},     {"sec", 1},        {"ms", 1e-3}, {"msec", 1e-3},
                                  {"us", 1e-6}, {"\u00b5s", 1e-6}, {"min", 60}};

// The seconds one count of the time column stands for, from its header
// ("Time [ms]", "t (s)", "time_ms"); 1 when it names no unit, 0 when it
// names one that is not known.
double SecondsPerCount(std::string_view cell, QString& unit) {
    auto [name, written] = NameAndUnit(cell);
    if (written.isEmpty()) {
        // "time_ms", "Time ms": a known unit as the name's last word.
        const qsizetype cut = std::max(name.lastIndexOf(u'_'), name.lastIndexOf(u' '));
        if (cut <= 0)
            return 1;
        written = name.mid(cut + 1);
        const QString key = written.toLower();
        if (std::none_of(std::begin(TimeUnits), std::end(TimeUnits),
                         [&](const TimeUnit& u) { return key == QString::fromUtf8(u.name); }))
            return 1;
    }
    const QString key = written.toLower();
    for (const TimeUnit& u : TimeUnits) {
        if (key == QString::fromUtf8(u.name)) {
            unit = u.seconds == 1 ? QString() : written;
            return u.seconds;
        }
    }
    unit = written;
    return 0;
}

// The points read, in time order, and why there are none.
void finish(CsvReference& result, std::vector<ReferencePoint> points, bool header) {
    result.series.points = std::move(points);
    if (result.sorted) {
        std::stable_sort(
            result.series.points.begin(), result.series.points.end(),
            [](const ReferencePoint& a, const ReferencePoint& b) { return a.time < b.time; });
    }
    if (result.series.points.empty()) {
        if (result.problemCount > 0)
            result.error = QStringLiteral("no row of time and value could be read (%1)")
                               .arg(result.problems.front().describe());
        else if (header)
            result.error = QStringLiteral("the file holds a header but no rows");
        else
            result.error = QStringLiteral("the file holds no rows");
    }
}

} // namespace

CsvReference ReadCsvReference(QIODevice* device) {
    CsvReference result;
    const auto problem = [&result](qint64 line, const QString& text) {
        if (result.problems.size() < CsvReference::KeptProblems)
            result.problems.append({line, false, text});
        ++result.problemCount;
    };
    LineSource lines(device);
    std::string_view line;
    bool tooLong = false;
    char separator = 0;
    bool header = false;
    double secondsPerCount = 1;
    ThinnedPoints points(CsvReference::MaxPoints);
    double lastTime = -INFINITY;
    while (lines.next(line, tooLong)) {
        if (tooLong) {
            problem(lines.lineNumber(), QStringLiteral("the row is too long"));
            continue;
        }
        if (lines.lineNumber() == 1 && line.substr(0, 3) == "\xEF\xBB\xBF")
            line.remove_prefix(3);
        if (Trimmed(line).empty() || line.front() == '#')
            continue;
        if (!separator) {
            separator = line.find(';') != std::string_view::npos    ? ';'
                        : line.find('\t') != std::string_view::npos ? '\t'
                                                                    : ',';
        }
        const std::vector<std::string_view> cells = Cells(line, separator);
        double time = 0, value = 0;
        const bool timeRead = ReadNumber(cells[0], time);
        const bool valueRead = cells.size() >= 2 && ReadNumber(cells[1], value);
        if (!header && points.seen() == 0 && result.problemCount == 0 && !timeRead) {
            header = true; // the first row names the columns
            if (cells.size() >= 2)
                std::tie(result.series.name, result.series.unit) = NameAndUnit(cells[1]);
            secondsPerCount = SecondsPerCount(cells[0], result.timeUnit);
            if (secondsPerCount == 0) {
                result.error = QStringLiteral("the time column's unit \"%1\" is none of s, ms, "
                                              "us and min")
                                   .arg(result.timeUnit.left(20));
                return result;
            }
            continue;
        }
        if (cells.size() < 2) {
            problem(lines.lineNumber(),
                    QStringLiteral("no value beside the time (cells are separated by \"%1\")")
                        .arg(QLatin1Char(separator == '\t' ? ' ' : separator)));
            continue;
        }
        if (!timeRead || !valueRead) {
            problem(lines.lineNumber(),
                    QStringLiteral("%1 is no %2 (numbers are written with a decimal point)")
                        .arg(Quoted(timeRead ? cells[1] : cells[0]),
                             timeRead ? QStringLiteral("value") : QStringLiteral("time")));
            continue;
        }
        result.sorted = result.sorted || time < lastTime;
        lastTime = std::max(lastTime, time);
        points.add({time * secondsPerCount, value});
    }
    finish(result, points.take(), header);
    return result;
}

CsvReference LoadCsvReference(const QString& path) {
    QFile file(path);
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile() || !file.open(QIODevice::ReadOnly)) {
        CsvReference result;
        result.error = QStringLiteral("cannot open %1: %2")
                           .arg(path, !info.exists()   ? QStringLiteral("no such file")
                                      : !info.isFile() ? QStringLiteral("not a regular file")
                                                       : file.errorString());
        return result;
    }
    CsvReference result = ReadCsvReference(&file);
    if (result.series.name.isEmpty())
        result.series.name = QFileInfo(path).completeBaseName();
    return result;
}

} // namespace cac

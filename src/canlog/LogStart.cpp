#include "canlog/LogStart.h"

#include "canlog/TextFields.h"

#include <QDateTime>

#include <cmath>

namespace cac::logstart {
namespace {

// Local time to seconds since 1970, as a date without a time zone is read.
std::optional<double> localSeconds(int year, int month, int day, int hour, int minute, int second,
                                   int micros) {
    const QDate date(year, month, day);
    const QTime time(hour, minute, second);
    // Years past 9999 are refused, as python's dates refuse them.
    if (!date.isValid() || !time.isValid() || year < 1 || year > 9999)
        return std::nullopt;
    return static_cast<double>(QDateTime(date, time).toSecsSinceEpoch()) + micros / 1e6;
}

std::optional<int> monthNamed(std::string_view name) {
    static constexpr std::string_view English[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                                   "jul", "aug", "sep", "oct", "nov", "dec"};
    // German names where they differ, March with its umlaut in UTF-8 or Latin-1.
    static constexpr std::pair<std::string_view, int> German[] = {
        {"m\xC3\xA4r", 3}, {"m\xE4r", 3}, {"mai", 5}, {"okt", 10}, {"dez", 12}};
    for (int i = 0; i < 12; ++i)
        if (logtext::equalsNoCase(name, English[i]))
            return i + 1;
    for (const auto& [german, number] : German)
        if (logtext::equalsNoCase(name, german))
            return number;
    if (const auto number = logtext::parseDecimal(name); number && *number >= 1 && *number <= 12)
        return static_cast<int>(*number);
    return std::nullopt;
}

// "15:06:13" or "15:06:13.191" (1 to 6 digits of fraction).
bool readClock(std::string_view text, int& hour, int& minute, int& second, int& micros) {
    std::array<std::string_view, 4> parts;
    if (logtext::splitFields(text, parts, ':') != 3)
        return false;
    std::string_view seconds = parts[2];
    micros = 0;
    if (const std::size_t point = seconds.find('.'); point != std::string_view::npos) {
        const std::string_view fraction = seconds.substr(point + 1);
        const auto digits = logtext::parseDecimal(fraction);
        if (!digits || fraction.empty() || fraction.size() > 6)
            return false;
        micros = static_cast<int>(*digits);
        for (std::size_t i = fraction.size(); i < 6; ++i)
            micros *= 10;
        seconds = seconds.substr(0, point);
    }
    const auto h = logtext::parseDecimal(parts[0]);
    const auto m = logtext::parseDecimal(parts[1]);
    const auto s = logtext::parseDecimal(seconds);
    if (!h || !m || !s || parts[0].size() > 2 || parts[1].size() > 2 || seconds.size() > 2)
        return false;
    hour = static_cast<int>(*h);
    minute = static_cast<int>(*m);
    second = static_cast<int>(*s);
    return true;
}

} // namespace

std::optional<double> AscDate(std::string_view text) {
    std::array<std::string_view, 6> fields;
    const std::size_t count = logtext::splitFields(text, fields);
    if (count != 4 && count != 5)
        return std::nullopt;
    const auto month = monthNamed(fields[0]);
    const auto day = logtext::parseDecimal(fields[1]);
    const auto year = logtext::parseDecimal(fields[count - 1]);
    int hour = 0, minute = 0, second = 0, micros = 0;
    if (!month || !day || !year || fields[count - 1].size() != 4 ||
        !readClock(fields[2], hour, minute, second, micros))
        return std::nullopt;
    if (count == 5) { // a 12-hour clock: 12 AM is midnight, 12 PM noon
        const bool pm = logtext::equalsNoCase(fields[3], "pm");
        if ((!pm && !logtext::equalsNoCase(fields[3], "am")) || hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (pm ? 12 : 0);
    }
    return localSeconds(static_cast<int>(*year), *month, static_cast<int>(*day), hour, minute,
                        second, micros);
}

std::optional<double> TrcStartTime(double days) {
    constexpr double DaysTo1970 = 25569; // 1899-12-30 to 1970-01-01
    // Whole days and the day's microseconds apart: the product of the whole
    // number would lose the microseconds.
    if (!std::isfinite(days) || days < 0 || days > 3e6)
        return std::nullopt;
    const double whole = std::floor(days);
    const double micros = std::round((days - whole) * 86400e6);
    return (whole - DaysTo1970) * 86400 + micros / 1e6;
}

std::optional<double> SystemTime(std::uint16_t year, std::uint16_t month, std::uint16_t day,
                                 std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                                 std::uint16_t milliseconds) {
    if (milliseconds > 999)
        return std::nullopt;
    return localSeconds(year, month, day, hour, minute, second, milliseconds * 1000);
}

} // namespace cac::logstart

#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// When a log began, as its header writes it, in seconds since 1970 UTC. The
// readings are python-can's: ASC dates and BLF start times are the local
// time of the machine reading them, a TRC start time is UTC.
namespace cac::logstart {

// An ASC date after its weekday: "Sep 30 15:06:13.191 2017" or
// "Dec 07 12:24:17.754 AM 2026" (English or German month names, or numbers;
// the fraction and am/pm may be left out).
std::optional<double> AscDate(std::string_view text);

// A TRC $STARTTIME: days since 1899-12-30 00:00 UTC, to the microsecond.
std::optional<double> TrcStartTime(double days);

// A BLF header's SYSTEMTIME (its day of the week is not needed).
std::optional<double> SystemTime(std::uint16_t year, std::uint16_t month, std::uint16_t day,
                                 std::uint16_t hour, std::uint16_t minute, std::uint16_t second,
                                 std::uint16_t milliseconds);

} // namespace cac::logstart

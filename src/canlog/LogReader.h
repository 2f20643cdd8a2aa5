#pragma once

#include "canlog/CanFrame.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <string>
#include <string_view>

class QIODevice;

// Reading CAN logs frame by frame. A reader streams its device: memory stays
// the same whatever the log's size, and opening the device is the caller's job.
namespace cac {

enum class LogFormat { Unknown, Candump, Asc, Trc, SavvyCsv, Blf };

// What the times of a log's frames count from.
enum class LogTimes {
    Relative, // seconds from the log's start: it does not say when it began
    Absolute, // seconds since 1970 UTC
};

// Whether a log time is a date (seconds since 1970 from 1990 on) rather than
// seconds from the log's start: writers put 1970 as the start of a log whose
// times count from 0 (python-can's BLF writer draws the same line).
constexpr double EarliestLogDate = 631152000; // 1990-01-01 UTC
constexpr bool IsLogDate(double time) {
    return time >= EarliestLogDate;
}

// The format the command line names "candump", "asc", "trc", "csv" or "blf";
// Unknown for any other name.
LogFormat LogFormatNamed(const QString& name);

// A part of the log that could not be read: a line of a text log, a byte
// offset in a binary one.
struct LogProblem {
    qint64 position = 0;
    bool binary = false;
    QString text;

    // "line 12: text" or "byte 4096: text".
    QString describe() const;
};

class LogReader {
public:
    virtual ~LogReader();
    LogReader(const LogReader&) = delete;
    LogReader& operator=(const LogReader&) = delete;

    // The next classic frame, true; false at the end of the log. Parts that
    // cannot be read are noted and skipped, and reading goes on after them.
    virtual bool readFrame(CanFrame& frame) = 0;

    LogFormat format() const { return m_format; }
    // Absolute where the log says when it began (or its times are dates, as
    // candump's are), relative otherwise; settled once the first frame is read.
    LogTimes times() const { return m_absolute ? LogTimes::Absolute : LogTimes::Relative; }
    // CAN FD frames met and skipped.
    qint64 fdFramesSkipped() const { return m_fdSkipped; }
    // Parts that could not be read: how many, and the first few of them.
    qint64 problemCount() const { return m_problemCount; }
    const QList<LogProblem>& problems() const { return m_problems; }
    static constexpr int KeptProblems = 20;
    // The buses the log named so far, in the order it first named them
    // ("can0", "can1" in a candump log, "1", "2" in an ASC one): a frame's
    // `bus` is its place here. Empty for a log that names none.
    const QStringList& buses() const { return m_buses; }
    // Buses beyond this many share the last place.
    static constexpr int MaxBuses = 64;

protected:
    explicit LogReader(LogFormat format) : m_format(format) {}
    void addProblem(qint64 position, bool binary, const QString& text);
    void countFdFrame() { ++m_fdSkipped; }
    // The place of the bus the log calls `name`, named anew when it is new.
    std::uint8_t busOf(std::string_view name) {
        if (!m_buses.isEmpty() && name == m_lastBus)
            return m_lastBusPlace;
        return nameBus(name);
    }

    // The start a header gives, in seconds since 1970: what the log's frame
    // times are to be counted from, 0 when it is no date.
    double startFrom(double secondsSince1970) {
        m_absolute = IsLogDate(secondsSince1970);
        return m_absolute ? secondsSince1970 : 0;
    }
    // For logs without a header: their first frame's time tells whether
    // their times are dates.
    void noteFirstTime(double time) {
        if (!m_timed)
            m_absolute = IsLogDate(time);
        m_timed = true;
    }

private:
    LogFormat m_format;
    bool m_absolute = false;
    bool m_timed = false;
    QStringList m_buses;
    std::string m_lastBus; // the name last asked about, and its place
    std::uint8_t m_lastBusPlace = 0;
    std::uint8_t nameBus(std::string_view name);
    qint64 m_fdSkipped = 0;
    qint64 m_problemCount = 0;
    QList<LogProblem> m_problems;
};

// The format of the log on the device, found from its first bytes (peeked,
// not consumed), never from a file name.
LogFormat DetectLogFormat(QIODevice* device);

// A reader of the device's log in `format`, or in the format found from its
// content when `format` is Unknown. Null, with `error` set, when the content
// is no log this program reads. The device must stay open while it is read.
std::unique_ptr<LogReader> OpenLogReader(QIODevice* device, LogFormat format, QString* error);

std::unique_ptr<LogReader> MakeCandumpReader(QIODevice* device);
std::unique_ptr<LogReader> MakeAscReader(QIODevice* device);
std::unique_ptr<LogReader> MakeTrcReader(QIODevice* device);
std::unique_ptr<LogReader> MakeSavvyCsvReader(QIODevice* device);
std::unique_ptr<LogReader> MakeBlfReader(QIODevice* device);

} // namespace cac

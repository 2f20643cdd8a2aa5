#pragma once

#include "canlog/CanFrame.h"
#include "discover/reference/ReferenceSeries.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <map>
#include <optional>

// OBD-II mode 01 answers found in a log, decoded with the J1979 formulas into
// physical series that name the fields carrying the same quantity.
namespace cac {

// A mode 01 parameter this program decodes: those the adapter polls in OBD
// mode (engine load, coolant, fuel trims, pressures, engine speed, speed,
// timing, intake air, air flow, throttle, lambda) and the older O2 sensors.
struct ObdPid {
    int pid = 0;
    int dataBytes = 0; // A, B, ... after the PID byte
    QString name;      // the adapter's name where it polls the parameter
    QString unit;
    double (*decode)(const std::uint8_t* data) = nullptr;
    int optionalBytes = 0; // may follow the data when the PID is the answer's last
};

// The parameter for `pid`, or null when this program does not decode it.
const ObdPid* FindObdPid(int pid);
// Every decoded parameter, in PID order.
QList<int> DecodedObdPids();

// One answer value: the frame's parameter and its physical value.
struct ObdValue {
    int pid = 0;
    double value = 0;
};

// Whether the frame is an ECU's answer to a tester: 0x7E8 to 0x7EF (11 bit)
// or 0x18DAF1xx (29 bit). Which ECU answered is the identifier's last byte.
bool IsObdAnswerFrame(const CanFrame& frame);

// The values of a mode 01 single-frame answer (PCI byte 0x0L, then 0x41, then
// PID and data, possibly several PIDs for a request that asked for several);
// empty for any other frame, or for one whose length does not add up.
QList<ObdValue> DecodeObdAnswer(const CanFrame& frame);

// Collects the answers of a log, frame by frame. Per PID the series of the
// ECU that answered it most often (two ECUs may report the same PID with
// their own values). A series keeps at most MaxPoints values: beyond that,
// every second one is dropped and only every second answer taken from then
// on, so memory stays bounded whatever the log's length.
class ObdAnswerCollector {
public:
    static constexpr std::size_t MaxPoints = 1 << 16;

    void add(const CanFrame& frame);

    // The PIDs answered, in PID order.
    QList<int> pids() const;
    // The series of one PID (name "OBD 0C Engine RPM", the unit), or nothing.
    std::optional<ReferenceSeries> series(int pid) const;
    // Answers read, whatever their PID.
    qint64 answerCount() const { return m_answers; }

private:
    // By PID, then by the answering ECU's identifier.
    std::map<int, std::map<std::uint32_t, ThinnedPoints>> m_series;
    qint64 m_answers = 0;
};

// "OBD 0C Engine RPM": the name a series of `pid` gets.
QString ObdSeriesName(int pid);
// "OBD_0C_Engine_RPM": the database signal name of the field matched to
// `pid`, letters, digits and underscores only.
QString ObdSignalName(int pid);

} // namespace cac

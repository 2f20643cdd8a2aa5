#include "discover/reference/ObdAnswers.h"

#include "obd/ObdParameters.h"

#include <algorithm>
#include <array>

namespace cac {
namespace {

double Word(const std::uint8_t* d) {
    return 256.0 * d[0] + d[1];
}

// The adapter's name of its OBD parameter `row` (0-based), without the note
// that the adapter does not use it.
QString AdapterName(int row) {
    QString name = ObdParameterNames().at(row);
    name.remove(QStringLiteral(" (NOT USED)"));
    return name;
}

std::vector<ObdPid> BuildPids() {
    std::vector<ObdPid> pids;
    const auto percent = [](const std::uint8_t* d) { return 100.0 * d[0] / 255.0; };
    const auto celsius = [](const std::uint8_t* d) { return d[0] - 40.0; };
    const auto trim = [](const std::uint8_t* d) { return (d[0] - 128.0) * 100.0 / 128.0; };
    const auto lambda = [](const std::uint8_t* d) { return Word(d) * 2.0 / 65536.0; };
    const QString pct = QStringLiteral("%");
    const QString degC = QStringLiteral("°C");
    pids.push_back({0x04, 1, AdapterName(0), pct, percent});
    pids.push_back({0x05, 1, AdapterName(1), degC, celsius});
    // Fuel trims: bank 1 or 2 in A; B, when sent, holds bank 3 or 4.
    for (int bank = 0; bank < 4; ++bank)
        pids.push_back({0x06 + bank, 1, AdapterName(2 + bank), pct, trim, 1});
    pids.push_back({0x0A, 1, AdapterName(6), QStringLiteral("kPa"),
                    [](const std::uint8_t* d) { return 3.0 * d[0]; }});
    pids.push_back({0x0B, 1, AdapterName(7), QStringLiteral("kPa"),
                    [](const std::uint8_t* d) { return double(d[0]); }});
    pids.push_back({0x0C, 2, AdapterName(8), QStringLiteral("rpm"),
                    [](const std::uint8_t* d) { return Word(d) / 4.0; }});
    pids.push_back({0x0D, 1, AdapterName(9), QStringLiteral("km/h"),
                    [](const std::uint8_t* d) { return double(d[0]); }});
    pids.push_back({0x0E, 1, AdapterName(10), QStringLiteral("°"),
                    [](const std::uint8_t* d) { return d[0] / 2.0 - 64.0; }});
    pids.push_back({0x0F, 1, AdapterName(11), degC, celsius});
    pids.push_back({0x10, 2, AdapterName(12), QStringLiteral("g/s"),
                    [](const std::uint8_t* d) { return Word(d) / 100.0; }});
    pids.push_back({0x11, 1, AdapterName(13), pct, percent});
    // The older narrow-band sensors: voltage in A, the sensor's trim in B.
    for (int sensor = 0; sensor < 8; ++sensor)
        pids.push_back(
            {0x14 + sensor, 2,
             QStringLiteral("O2 bank %1 sensor %2 voltage").arg(sensor / 4 + 1).arg(sensor % 4 + 1),
             QStringLiteral("V"), [](const std::uint8_t* d) { return d[0] / 200.0; }});
    // Wide-band sensors: the equivalence ratio in A and B, with the voltage
    // (0x24...) or the current (0x34...) in C and D. Sensor 1 and 2 are the
    // adapter's Lambda1 and Lambda2.
    for (int base : {0x24, 0x34}) {
        for (int sensor = 0; sensor < 8; ++sensor) {
            const QString name = sensor < 2 ? AdapterName(14 + sensor)
                                            : QStringLiteral("O2 sensor %1 lambda").arg(sensor + 1);
            pids.push_back({base + sensor, 4, name, QString(), lambda});
        }
    }
    std::sort(pids.begin(), pids.end(),
              [](const ObdPid& a, const ObdPid& b) { return a.pid < b.pid; });
    return pids;
}

const std::vector<ObdPid>& Pids() {
    static const std::vector<ObdPid> pids = BuildPids();
    return pids;
}

} // namespace

const ObdPid* FindObdPid(int pid) {
    const auto& pids = Pids();
    const auto it = std::lower_bound(pids.begin(), pids.end(), pid,
                                     [](const ObdPid& p, int wanted) { return p.pid < wanted; });
    return it != pids.end() && it->pid == pid ? &*it : nullptr;
}

QList<int> DecodedObdPids() {
    QList<int> list;
    for (const ObdPid& p : Pids())
        list.append(p.pid);
    return list;
}

QString ObdSeriesName(int pid) {
    const ObdPid* p = FindObdPid(pid);
    return QStringLiteral("OBD %1 %2")
        .arg(QString::number(pid, 16).toUpper().rightJustified(2, QLatin1Char('0')),
             p ? p->name : QString());
}

QString ObdSignalName(int pid) {
    QString name;
    bool gap = false;
    for (const QChar c : ObdSeriesName(pid)) {
        const bool kept = c.isLetterOrNumber() && c.unicode() < 128;
        if (kept && gap && !name.isEmpty())
            name += QLatin1Char('_');
        if (kept)
            name += c;
        gap = !kept;
    }
    return name;
}

bool IsObdAnswerFrame(const CanFrame& frame) {
    if (frame.remote || frame.error)
        return false;
    if (!frame.extended)
        return frame.id >= 0x7E8 && frame.id <= 0x7EF;
    return (frame.id & 0x1FFFFF00u) == 0x18DAF100u;
}

namespace {

// The values of a frame already known to come from an ECU (IsObdAnswerFrame),
// at most 3: a single frame's payload holds at most 6 bytes after the mode.
// Answers come at every request, so no list is allocated for each.
struct PayloadValues {
    std::array<ObdValue, 3> values;
    int count = 0;
};
PayloadValues DecodeObdPayload(const CanFrame& frame) {
    PayloadValues out;
    if (frame.length < 3)
        return out;
    const int pci = frame.data[0];
    const int payload = pci & 0x0F; // bytes after the PCI byte
    // A single frame (upper nibble 0) whose payload fits the frame, answering
    // mode 01 (0x41).
    if ((pci & 0xF0) != 0 || payload < 2 || payload > frame.length - 1 || frame.data[1] != 0x41)
        return out;
    int at = 2;
    const int end = 1 + payload;
    while (at < end && out.count < int(out.values.size())) {
        const ObdPid* p = FindObdPid(frame.data[at]);
        if (!p || at + 1 + p->dataBytes > end)
            return {};
        out.values[std::size_t(out.count++)] = {p->pid, p->decode(frame.data.data() + at + 1)};
        at += 1 + p->dataBytes;
        if (at + p->optionalBytes == end)
            at = end;
    }
    return out;
}

} // namespace

QList<ObdValue> DecodeObdAnswer(const CanFrame& frame) {
    QList<ObdValue> list;
    if (!IsObdAnswerFrame(frame))
        return list;
    const PayloadValues decoded = DecodeObdPayload(frame);
    for (int i = 0; i < decoded.count; ++i)
        list.append(decoded.values[std::size_t(i)]);
    return list;
}

void ObdAnswerCollector::add(const CanFrame& frame) {
    if (!IsObdAnswerFrame(frame)) // most frames: nothing to build
        return;
    const PayloadValues decoded = DecodeObdPayload(frame);
    for (int i = 0; i < decoded.count; ++i) {
        const ObdValue& v = decoded.values[std::size_t(i)];
        ++m_answers;
        m_series[v.pid].try_emplace(frame.id, MaxPoints).first->second.add({frame.time, v.value});
    }
}

QList<int> ObdAnswerCollector::pids() const {
    QList<int> list;
    for (const auto& [pid, byEcu] : m_series)
        list.append(pid);
    return list;
}

std::optional<ReferenceSeries> ObdAnswerCollector::series(int pid) const {
    const auto it = m_series.find(pid);
    if (it == m_series.end())
        return std::nullopt;
    const ThinnedPoints* best = nullptr;
    for (const auto& [ecu, kept] : it->second) {
        if (!best || kept.seen() > best->seen())
            best = &kept;
    }
    ReferenceSeries s;
    s.points = best->points();
    const ObdPid* p = FindObdPid(pid);
    s.name = ObdSeriesName(pid);
    s.unit = p ? p->unit : QString();
    return s;
}

} // namespace cac

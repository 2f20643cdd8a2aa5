#include "configfile/RecoveryFile.h"

#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"

#include <QList>

namespace cac {
namespace {

const QByteArray LineEnd = QByteArrayLiteral("\r\n");
const QByteArray ObdOn = QByteArrayLiteral("OBD mode: on");
const QByteArray ObdOff = QByteArrayLiteral("OBD mode: off");
constexpr qsizetype CcfLines = 14;
constexpr qsizetype BaudRateLine = 12; // zero-based

} // namespace

QByteArray SerializeRecovery(const ConfigModel& model) {
    return SerializeCcf(model) + (model.obdModeEnabled() ? ObdOn : ObdOff) + LineEnd;
}

std::optional<RecoveredTable> ParseRecovery(const QByteArray& bytes, QString* why) {
    // Every line of the file ends with CR LF, as a save writes it; the OBD line too.
    QList<QByteArray> lines = bytes.split('\n');
    const auto refuse = [why](const char* reason) -> std::optional<RecoveredTable> {
        if (why)
            *why = QString::fromLatin1(reason);
        return std::nullopt;
    };
    if (lines.size() < CcfLines + 2)
        return refuse("it holds fewer than fifteen lines");
    for (qsizetype i = 0; i <= CcfLines; ++i) {
        if (!lines[i].endsWith('\r'))
            return refuse("its lines do not end as a saved file's do");
        lines[i].chop(1);
    }
    const QByteArray& obd = lines[CcfLines];
    if (obd != ObdOn && obd != ObdOff)
        return refuse("it has no OBD mode line");
    RecoveredTable table;
    for (qsizetype i = 0; i < CcfLines; ++i)
        table.ccf += lines[i] + LineEnd;
    table.baudRateText = QString::fromLatin1(lines[BaudRateLine]);
    table.obdMode = obd == ObdOn;
    return table;
}

void ApplyRecovery(ConfigModel& model, const RecoveredTable& table) {
    model.setObdModeEnabled(table.obdMode);
    ApplyCcf(model, table.ccf);
    model.setBaudRateText(table.baudRateText);
}

} // namespace cac

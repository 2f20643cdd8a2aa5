// .ccf loader on arbitrary bytes, then the writer: whatever a load puts into
// the model must save as a file that loads back to the same state, and that
// file must have the fixed 14-line shape.
#include "FuzzCheck.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "obd/ObdParameters.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool sameState(const cac::ConfigModel& a, const cac::ConfigModel& b) {
    for (int row = 0; row < cac::ChannelGridRows; ++row) {
        for (int column = 0; column < cac::ChannelGridColumns; ++column) {
            if (a.cell(row, column) != b.cell(row, column))
                return false;
        }
    }
    for (int row = 1; row <= cac::ObdParameterCount; ++row) {
        if (a.obdPriority(row) != b.obdPriority(row))
            return false;
    }
    return a.baudRateText() == b.baudRateText() && a.obdModeEnabled() == b.obdModeEnabled();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));

    cac::ConfigModel loaded;
    const cac::CcfLoadReport report = cac::ApplyCcf(loaded, bytes);
    check(report.channelColumnsApplied >= 0 && report.channelColumnsApplied <= 12);
    check(!loaded.obdModeEnabled()); // loading never switches OBD mode
    check(cac::BaudRateEntries().contains(loaded.baudRateText()));

    // Fourteen lines, each ending with CR LF; no cell can hold a CR.
    const QByteArray saved = cac::SerializeCcf(loaded);
    check(saved.count('\r') == 14 && saved.endsWith("\r\n"));
    for (qsizetype i = saved.indexOf('\r'); i >= 0; i = saved.indexOf('\r', i + 1))
        check(i + 1 < saved.size() && saved.at(i + 1) == '\n');
    // A cell text never holds the separator, so every channel line has exactly
    // fifteen of them and the priority line eighteen.
    const QList<QByteArray> lines = saved.split('\r');
    for (int line = 0; line < 12; ++line)
        check(lines.at(line).count('|') == 15);
    check(lines.at(12).count('|') == 0);
    check(lines.at(13).count('|') == 18);

    // What was saved loads back completely and to the same state.
    cac::ConfigModel reloaded;
    const cac::CcfLoadReport again = cac::ApplyCcf(reloaded, saved);
    check(again.channelColumnsApplied == 12 && again.baudRateMatched && again.prioritiesApplied);
    check(sameState(loaded, reloaded));
    check(cac::SerializeCcf(reloaded) == saved);

    // Loading the same bytes over the loaded state changes nothing more.
    cac::ApplyCcf(loaded, bytes);
    check(sameState(loaded, reloaded));
    return 0;
}

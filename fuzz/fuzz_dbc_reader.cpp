// .dbc reader on arbitrary bytes: problems name real lines in order, and
// every signal that maps to a row gives list texts of the lists, an identifier
// and numbers that read back to the database's, and fills a channel with
// exactly that row.
#include "FuzzCheck.h"
#include "channels/ConfigModel.h"
#include "channels/NumericText.h"
#include "dbc/ChannelFill.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

bool near(double read, double wanted) {
    return std::fabs(read - wanted) <= 1e-13 * std::fabs(wanted) + 1e-300;
}

void checkRow(const cac::DbcMessage& message, const cac::DbcSignal& signal,
              const cac::SignalRow& row) {
    if (!row.importable()) {
        check(row.settingsText().isEmpty());
        return;
    }
    for (int column = cac::ColIdLength; column < cac::ChannelGridColumns; ++column) {
        const int combo = cac::ComboForColumn(column);
        check(combo < 0 || cac::FixedChoiceList(combo).contains(row.cells[column]));
    }
    check(cac::TextToNumber(row.cells[cac::ColCanId]) == message.id);
    check(near(1 / cac::TextToNumber(row.cells[cac::ColScale]), signal.factor));
    check(near(cac::TextToNumber(row.cells[cac::ColOffset]), signal.offset));

    static cac::ConfigModel model;
    check(cac::FillChannel(model, 1, row));
    for (int column = cac::ColIdLength; column < cac::ChannelGridColumns; ++column)
        check(model.cell(1, column) == row.cells[column]);
    check(model.cell(1, cac::ColVariable) == cac::DoNotUseText);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const cac::CanDatabase database = cac::ReadCanDatabase(bytes);

    // At most one line per CR, LF or CR LF, plus the last.
    const int lines = static_cast<int>(bytes.count('\n') + bytes.count('\r')) + 1;
    int previous = 1;
    for (const cac::DbcProblem& problem : database.problems) {
        check(problem.line >= previous && problem.line <= lines && !problem.message.isEmpty());
        previous = problem.line;
    }
    for (qsizetype m = 0; m < database.messages.size(); ++m) {
        const cac::DbcMessage& message = database.messages.at(m);
        check(message.line >= 1 && message.line <= lines);
        for (qsizetype s = 0; s < message.signalList.size(); ++s) {
            const cac::DbcSignal& signal = message.signalList.at(s);
            check(signal.line > message.line && signal.line <= lines);
            check(cac::SignalMatchesFilter(message, signal, signal.name));
            check(
                !cac::FindSignals(database, cac::SignalPath(database, {int(m), int(s)})).isEmpty());
            checkRow(message, signal, cac::MapSignalToRow(message, signal));
        }
    }
    return 0;
}

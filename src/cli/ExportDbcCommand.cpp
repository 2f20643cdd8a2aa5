// can-adapter-cli export-dbc: the configuration as a CAN database, so other
// tools decode the adapter's channels from real traffic.

#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "dbc/DbcWriter.h"

namespace cac::cli {

int RunExportDbcCommand(const QStringList& arguments) {
    ConfigCommandLine line(
        CommandNamed("export-dbc"),
        QStringLiteral(
            "Writes the channels of CONFIG.ccf as a CAN database: one message per identifier, one "
            "signal per channel, a filter as a multiplexor. Channels a database cannot describe "
            "are named on standard error and in comments of the database."));
    const QCommandLineOption outputOption = OutputOption(QStringLiteral("CAN database"));
    line.parser.addOptions({line.catalogueOption, line.obdOption, outputOption});
    if (const int exit = line.parseAndLoad(arguments, {outputOption}); exit >= 0)
        return exit;
    const DbcExport database = WriteCanDatabase(line.model, line.catalogue.catalogue);
    for (const QString& channel : database.notWritten)
        PrintError(QStringLiteral("%1: not written: %2").arg(line.config(), channel));
    return WriteOutput(database.text, line.parser.value(outputOption));
}

} // namespace cac::cli

// can-adapter-cli export-dbc: the configuration as a CAN database, so other
// tools decode the adapter's channels from real traffic.

#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "dbc/DbcWriter.h"

#include <QCommandLineParser>

namespace cac::cli {

int RunExportDbcCommand(const QStringList& arguments) {
    const Command& command = CommandNamed("export-dbc");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the channels of CONFIG.ccf as a CAN database: one message per identifier, one "
        "signal per channel, a filter as a multiplexor. Channels a database cannot describe "
        "are named on standard error and in comments of the database."));
    parser.addPositionalArgument(QStringLiteral("CONFIG.ccf"),
                                 QStringLiteral("The configuration file to load."));
    const QCommandLineOption catalogueOption = CatalogueOption();
    const QCommandLineOption obdOption = ObdOption();
    const QCommandLineOption outputOption = OutputOption(QStringLiteral("CAN database"));
    parser.addOptions({catalogueOption, obdOption, outputOption});
    if (const int exit = ParseCommandLine(parser, command, arguments); exit >= 0)
        return exit;
    QString config;
    if (const int exit = SingleArgument(parser, command, QStringLiteral("CONFIG.ccf"),
                                        {catalogueOption, outputOption}, config);
        exit != ExitOk)
        return exit;

    ConfigModel model;
    CatalogueLoad catalogue;
    if (const int exit = LoadConfiguration(config, parser.value(catalogueOption),
                                           parser.isSet(obdOption), model, catalogue);
        exit != ExitOk)
        return exit;
    const DbcExport database = WriteCanDatabase(model, catalogue.catalogue);
    for (const QString& channel : database.notWritten)
        PrintError(QStringLiteral("%1: not written: %2").arg(config, channel));
    return WriteOutput(database.text, parser.value(outputOption));
}

} // namespace cac::cli

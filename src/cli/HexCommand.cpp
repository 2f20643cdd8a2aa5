// can-adapter-cli hex: the Intel HEX of a configuration file, byte for byte
// what the window's "Generate hex file" writes for the same state.

#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "image/ConfigImage.h"
#include "output/IntelHex.h"

#include <QCommandLineParser>

namespace cac::cli {

int RunHexCommand(const QStringList& arguments) {
    const Command& command = CommandNamed("hex");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds the configuration image of CONFIG.ccf and writes it as Intel HEX."));
    parser.addPositionalArgument(QStringLiteral("CONFIG.ccf"),
                                 QStringLiteral("The configuration file to load."));
    const QCommandLineOption catalogueOption = CatalogueOption();
    const QCommandLineOption obdOption = ObdOption();
    const QCommandLineOption outputOption = OutputOption(QStringLiteral("HEX file"));
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
    const QByteArray image = BuildConfigImage(model, catalogue.catalogue);
    return WriteOutput(IntelHexText(image), parser.value(outputOption));
}

} // namespace cac::cli

// can-adapter-cli hex: the Intel HEX of a configuration file, byte for byte
// what the window's "Generate hex file" writes for the same state.

#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "image/ConfigImage.h"
#include "output/IntelHex.h"

namespace cac::cli {

int RunHexCommand(const QStringList& arguments) {
    ConfigCommandLine line(
        CommandNamed("hex"),
        QStringLiteral("Builds the configuration image of CONFIG.ccf and writes it as Intel HEX."));
    const QCommandLineOption outputOption = OutputOption(QStringLiteral("HEX file"));
    line.parser.addOptions({line.catalogueOption, line.obdOption, outputOption});
    if (const int exit = line.parseAndLoad(arguments, {outputOption}); exit >= 0)
        return exit;
    const QByteArray image = BuildConfigImage(line.model, line.catalogue.catalogue);
    return WriteOutput(IntelHexText(image), line.parser.value(outputOption));
}

} // namespace cac::cli

// can-adapter-cli show: a configuration file or an Intel HEX image as a
// readable table of its channels, bit rate, OBD mode and priorities.

#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "cli/ImageInput.h"
#include "cli/ShowOutput.h"

namespace cac::cli {

int RunShowCommand(const QStringList& arguments) {
    CommandLine line(
        CommandNamed("show"),
        QStringLiteral(
            "Shows a configuration file, or the configuration image in an Intel HEX file (such as "
            "TempConfig.hex), as a table of the 15 channels with their equations, the bit rate, "
            "OBD mode and the OBD priorities."));
    line.addArgument(QStringLiteral("FILE"),
                     QStringLiteral("A .ccf, or Intel HEX holding the image at 0x6000."));
    const QCommandLineOption catalogueOption = CatalogueOption();
    const QCommandLineOption obdOption(
        QStringLiteral("obd"),
        QStringLiteral("Switch OBD mode on after loading a .ccf (an image carries its own)."));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print JSON for scripts instead."));
    QCommandLineParser& parser = line.parser;
    parser.addOptions({catalogueOption, obdOption, jsonOption});
    if (const int exit = line.parse(arguments, {catalogueOption}); exit >= 0)
        return exit;
    const QString& path = line.argument();

    QByteArray bytes;
    if (const int exit = ReadInputFile(path, bytes); exit != ExitOk)
        return exit;
    const bool fromImage = LooksLikeIntelHex(bytes);
    if (fromImage && parser.isSet(obdOption))
        return line.usageError(QStringLiteral("--obd is for a .ccf; an image carries its own "
                                              "OBD mode"));
    ConfigModel model;
    CatalogueLoad catalogue;
    ImageDecoding decoding;
    const int exit = fromImage ? DecodeImageHex(path, bytes, parser.value(catalogueOption), model,
                                                catalogue, decoding)
                               : LoadConfiguration(path, bytes, parser.value(catalogueOption),
                                                   parser.isSet(obdOption), model, catalogue);
    if (exit != ExitOk)
        return exit;
    const ShownConfiguration shown{path, fromImage, model, catalogue.catalogue, decoding.findings};
    return WriteOutput(parser.isSet(jsonOption) ? ShowAsJson(shown) : ShowAsText(shown), {});
}

} // namespace cac::cli

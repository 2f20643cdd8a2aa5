// can-adapter-cli ccf: a configuration file that builds a kept Intel HEX
// image again, so that the image becomes editable.

#include "checks/Finding.h"
#include "cli/CliCommon.h"
#include "cli/ImageInput.h"
#include "configfile/ImageToCcf.h"

namespace cac::cli {

int RunCcfCommand(const QStringList& arguments) {
    CommandLine line(
        CommandNamed("ccf"),
        QStringLiteral(
            "Writes a configuration file that builds the image in IMAGE.hex again. What the image "
            "does not say is reported on standard error; exits with 3 when the written "
            "configuration does not build the same image."));
    line.addArgument(QStringLiteral("IMAGE.hex"),
                     QStringLiteral("Intel HEX holding the image at 0x6000."));
    const QCommandLineOption catalogueOption = CatalogueOption();
    const QCommandLineOption outputOption = OutputOption(QStringLiteral("configuration"));
    line.parser.addOptions({catalogueOption, outputOption});
    if (const int exit = line.parse(arguments, {catalogueOption, outputOption}); exit >= 0)
        return exit;
    const QString& path = line.argument();

    QByteArray text, image;
    CatalogueLoad catalogue;
    if (const int exit = ReadInputFile(path, text); exit != ExitOk)
        return exit;
    if (const int exit = ReadImageHex(path, text, image); exit != ExitOk)
        return exit;
    if (const int exit = LoadCatalogue(line.parser.value(catalogueOption), catalogue);
        exit != ExitOk)
        return exit;
    const CcfFromImage read = ImageToCcf(image, catalogue.catalogue, catalogue.variableList);
    for (const Finding& finding : read.decoding.findings)
        std::fprintf(stderr, "%s\n", qUtf8Printable(FindingLine(path, finding)));
    if (const int exit = WriteOutput(read.ccf, line.parser.value(outputOption)); exit != ExitOk)
        return exit;
    if (read.decoding.identical)
        return ExitOk;
    std::fprintf(stderr, "%s: %s: the configuration written does not build this image again\n",
                 qUtf8Printable(path), qUtf8Printable(FindingSummary(read.decoding.findings)));
    return ExitFindings;
}

} // namespace cac::cli

// can-adapter-cli ccf: a configuration file that builds a kept Intel HEX
// image again, so that the image becomes editable.

#include "channels/ConfigModel.h"
#include "cli/CliCommon.h"
#include "cli/ImageInput.h"
#include "configfile/CcfFile.h"

#include <QCommandLineParser>

namespace cac::cli {

int RunCcfCommand(const QStringList& arguments) {
    const Command& command = CommandNamed("ccf");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes a configuration file that builds the image in IMAGE.hex again. What the image "
        "does not say is reported on standard error; exits with 3 when the written "
        "configuration does not build the same image."));
    parser.addPositionalArgument(QStringLiteral("IMAGE.hex"),
                                 QStringLiteral("Intel HEX holding the image at 0x6000."));
    const QCommandLineOption catalogueOption(
        QStringLiteral("catalogue"),
        QStringLiteral("Variable catalogue to use instead of Vars.cfg in the data folder."),
        QStringLiteral("FILE"));
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the configuration to FILE instead of standard output."),
        QStringLiteral("FILE"));
    parser.addOptions({catalogueOption, outputOption});
    if (const int exit = ParseCommandLine(parser, command, arguments); exit >= 0)
        return exit;

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(command, positional.isEmpty() ? QStringLiteral("missing IMAGE.hex")
                                                        : QStringLiteral("too many arguments"));
    if (parser.isSet(catalogueOption) && parser.value(catalogueOption).isEmpty())
        return UsageError(command, QStringLiteral("--catalogue needs a file name"));
    if (parser.isSet(outputOption) && parser.value(outputOption).isEmpty())
        return UsageError(command, QStringLiteral("-o needs a file name"));

    const QString path = positional.first();
    QByteArray text;
    ConfigModel model;
    CatalogueLoad catalogue;
    ImageDecoding decoding;
    if (const int exit = ReadInputFile(path, text); exit != ExitOk)
        return exit;
    if (const int exit =
            DecodeImageHex(path, text, parser.value(catalogueOption), model, catalogue, decoding);
        exit != ExitOk)
        return exit;
    for (const Finding& finding : decoding.findings)
        std::fprintf(stderr, "%s\n", qUtf8Printable(FindingLine(path, finding)));
    if (const int exit = WriteOutput(SerializeCcf(model), parser.value(outputOption));
        exit != ExitOk)
        return exit;
    if (decoding.identical)
        return ExitOk;
    std::fprintf(stderr, "%s: %s: the configuration written does not build this image again\n",
                 qUtf8Printable(path), qUtf8Printable(FindingSummary(decoding.findings)));
    return ExitFindings;
}

} // namespace cac::cli

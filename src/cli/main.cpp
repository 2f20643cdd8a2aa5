// can-adapter-cli: builds the adapter's configuration image from a .ccf file
// without the window, starting from the state the window has after start-up.

#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "image/ConfigImage.h"
#include "obd/ObdParameters.h"
#include "output/IntelHex.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace {

constexpr int ExitFileError = 1;
constexpr int ExitUsage = 2;
// A configuration file is a few kilobytes; larger input is not one.
constexpr qint64 MaxConfigFileSize = 1024 * 1024;

const char* const UsageLine =
    "usage: can-adapter-cli hex CONFIG.ccf [--catalogue FILE] [--obd] [-o FILE]\n";

void printError(const QString& message) {
    std::fprintf(stderr, "can-adapter-cli: %s\n", qUtf8Printable(message));
}

int usageError(const QString& message) {
    printError(message);
    std::fputs(UsageLine, stderr);
    return ExitUsage;
}

// Why a path cannot be read as an input file, or an empty string.
QString inputProblem(const QString& path, qint64 maxSize) {
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("'%1': no such file").arg(path);
    if (info.isDir())
        return QStringLiteral("'%1' is a folder, not a file").arg(path);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot open '%1': %2").arg(path, file.errorString());
    if (maxSize > 0 && info.size() > maxSize)
        return QStringLiteral("'%1' is %2 bytes, too large for a configuration file (at most %3)")
            .arg(path)
            .arg(info.size())
            .arg(maxSize);
    return {};
}

int runHex(const QString& configPath, const QString& cataloguePath, bool obd,
           const QString& outputPath) {
    if (const QString problem = inputProblem(configPath, MaxConfigFileSize); !problem.isEmpty()) {
        printError(problem);
        return ExitFileError;
    }
    if (!cataloguePath.isEmpty()) {
        if (const QString problem = inputProblem(cataloguePath, 0); !problem.isEmpty()) {
            printError(problem);
            return ExitFileError;
        }
    }

    // Start-up order of the window: catalogue first, then the start-up state.
    const cac::CatalogueLoad catalogue = cac::LoadVariableDefinitions(
        cataloguePath.isEmpty() ? cac::DefaultCataloguePath() : cataloguePath);
    if (catalogue.corrupt)
        printError(cac::CatalogueCorruptMessage);

    cac::ConfigModel model;
    model.setVariableList(catalogue.variableList);

    cac::CcfLoadReport report;
    QString error;
    if (!cac::LoadCcfFile(model, configPath, &report, &error)) {
        printError(QStringLiteral("cannot read '%1': %2").arg(configPath, error));
        return ExitFileError;
    }
    if (!report.anythingApplied()) {
        printError(QStringLiteral("'%1' is not a CAN configuration file: none of its lines has "
                                  "the layout of a saved configuration")
                       .arg(configPath));
        return ExitFileError;
    }
    if (obd)
        model.setObdModeEnabled(true);

    const QByteArray image = cac::BuildConfigImage(model, catalogue.catalogue);
    if (outputPath.isEmpty()) {
        const QByteArray text = cac::IntelHexText(image);
        // Binary-safe: CR LF reaches standard output unchanged.
        if (std::fwrite(text.constData(), 1, static_cast<size_t>(text.size()), stdout) !=
                static_cast<size_t>(text.size()) ||
            std::fflush(stdout) != 0) {
            printError(QStringLiteral("cannot write to standard output"));
            return ExitFileError;
        }
        return 0;
    }
    if (!cac::WriteIntelHex(image, outputPath, &error)) {
        printError(QStringLiteral("cannot write '%1': %2").arg(outputPath, error));
        return ExitFileError;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("can-adapter-cli"));
    QCoreApplication::setApplicationVersion(cac::ProgramVersion());

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds the CAN adapter's configuration image from a configuration file "
                       "and writes it as Intel HEX."));
    parser.addPositionalArgument(QStringLiteral("hex"),
                                 QStringLiteral("Command: write the Intel HEX file."));
    parser.addPositionalArgument(QStringLiteral("CONFIG.ccf"),
                                 QStringLiteral("The configuration file to load."));
    const QCommandLineOption catalogueOption(
        QStringLiteral("catalogue"),
        QStringLiteral("Variable catalogue to use instead of Vars.cfg in the data folder."),
        QStringLiteral("FILE"));
    const QCommandLineOption obdOption(QStringLiteral("obd"),
                                       QStringLiteral("Switch OBD mode on after loading."));
    const QCommandLineOption outputOption(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the HEX file to FILE instead of standard output."),
        QStringLiteral("FILE"));
    parser.addOption(catalogueOption);
    parser.addOption(obdOption);
    parser.addOption(outputOption);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();

    if (!parser.parse(QCoreApplication::arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(helpOption))
        parser.showHelp(0);
    if (parser.isSet(versionOption))
        parser.showVersion();

    const QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return usageError(QStringLiteral("missing command"));
    if (positional.first() != QLatin1String("hex"))
        return usageError(QStringLiteral("unknown command '%1'").arg(positional.first()));
    if (positional.size() != 2)
        return usageError(positional.size() < 2 ? QStringLiteral("missing CONFIG.ccf")
                                                : QStringLiteral("too many arguments"));
    if (parser.isSet(catalogueOption) && parser.value(catalogueOption).isEmpty())
        return usageError(QStringLiteral("--catalogue needs a file name"));
    if (parser.isSet(outputOption) && parser.value(outputOption).isEmpty())
        return usageError(QStringLiteral("-o needs a file name"));

    return runHex(positional.at(1), parser.value(catalogueOption), parser.isSet(obdOption),
                  parser.value(outputOption));
}

#include "cli/CliCommon.h"

#include "catalogue/CataloguePath.h"
#include "channels/ConfigModel.h"
#include "common/BoundedFileRead.h"
#include "common/SafeFileWrite.h"
#include "configfile/CcfFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>

namespace cac::cli {

void PrintError(const QString& message) {
    std::fprintf(stderr, "can-adapter-cli: %s\n", qUtf8Printable(message));
}

int UsageError(const Command& command, const QString& message) {
    PrintError(message);
    std::fprintf(stderr, "usage: can-adapter-cli %s\n", command.usage);
    return ExitUsage;
}

int ParseCommandLine(QCommandLineParser& parser, const Command& command,
                     const QStringList& arguments) {
    const QCommandLineOption helpOption = parser.addHelpOption();
    if (!parser.parse(arguments))
        return UsageError(command, parser.errorText());
    if (parser.isSet(helpOption)) {
        // Qt names the executable's path in its first line; name the command.
        QString help = parser.helpText();
        const qsizetype options = help.indexOf(QStringLiteral(" [options]"));
        if (help.startsWith(QStringLiteral("Usage: ")) && options > 0)
            help.replace(7, options - 7, arguments.first());
        std::fputs(qUtf8Printable(help), stdout);
        return ExitOk;
    }
    return -1;
}

QCommandLineOption CatalogueOption() {
    return {QStringLiteral("catalogue"),
            QStringLiteral("Variable catalogue to use instead of Vars.cfg in the data folder "
                           "(or, without one, the demo catalogue the program comes with)."),
            QStringLiteral("FILE")};
}

QCommandLineOption ObdOption() {
    return {QStringLiteral("obd"), QStringLiteral("Switch OBD mode on after loading.")};
}

QCommandLineOption OutputOption(const QString& what) {
    return {{QStringLiteral("o"), QStringLiteral("output")},
            QStringLiteral("Write the %1 to FILE instead of standard output.").arg(what),
            QStringLiteral("FILE")};
}

QCommandLineOption LogFormatOption() {
    return {QStringLiteral("format"),
            QStringLiteral("The log's format, instead of finding it from the content: candump, "
                           "asc, trc, csv or blf."),
            QStringLiteral("FORMAT")};
}

int ParseLogFormat(const QCommandLineParser& parser, const QCommandLineOption& option,
                   const Command& command, LogFormat& format) {
    format = LogFormat::Unknown;
    if (!parser.isSet(option))
        return ExitOk;
    format = LogFormatNamed(parser.value(option));
    if (format == LogFormat::Unknown)
        return UsageError(command,
                          QStringLiteral("unknown log format '%1'").arg(parser.value(option)));
    return ExitOk;
}

int SingleArgument(const QCommandLineParser& parser, const Command& command, const QString& name,
                   const QList<QCommandLineOption>& fileOptions, QString& argument) {
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1)
        return UsageError(command, positional.isEmpty() ? QStringLiteral("missing ") + name
                                                        : QStringLiteral("too many arguments"));
    for (const QCommandLineOption& option : fileOptions) {
        const QString flag = option.names().first();
        if (parser.isSet(option) && parser.value(option).isEmpty())
            return UsageError(
                command,
                QStringLiteral("%1%2 needs a file name").arg(flag.size() == 1 ? "-" : "--", flag));
    }
    argument = positional.first();
    return ExitOk;
}

namespace {
QByteArray& InputName() {
    static QByteArray name;
    return name;
}
} // namespace

void NoteInput(const QString& path) {
    InputName() = QFile::encodeName(path);
}

const QByteArray& InputBeingRead() {
    return InputName();
}

int WriteOutput(const QByteArray& bytes, const QString& outputPath) {
    if (outputPath.isEmpty()) {
        // Binary-safe: CR LF reaches standard output unchanged.
        if (std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout) !=
                static_cast<size_t>(bytes.size()) ||
            std::fflush(stdout) != 0) {
            PrintError(QStringLiteral("cannot write to standard output"));
            return ExitFileError;
        }
        return ExitOk;
    }
    QString error;
    if (!WriteFileSafely(outputPath, bytes, &error)) {
        PrintError(QStringLiteral("cannot write '%1': %2").arg(outputPath, error));
        return ExitFileError;
    }
    return ExitOk;
}

QString CataloguePathToRead(const QString& cataloguePath) {
    if (!cataloguePath.isEmpty())
        return cataloguePath;
    const QString own = DefaultCataloguePath();
    const QString path = ChooseCataloguePath(own, QCoreApplication::applicationDirPath());
    // Standard error, so that what the command writes stays as it was.
    if (path != own)
        PrintError(QStringLiteral("no %1: using the demo catalogue %2")
                       .arg(QDir::toNativeSeparators(own), QDir::toNativeSeparators(path)));
    return path;
}

int LoadCatalogue(const QString& cataloguePath, CatalogueLoad& catalogue) {
    const QString path = CataloguePathToRead(cataloguePath);
    NoteInput(path);
    catalogue = LoadVariableDefinitions(path);
    if (!catalogue.corrupt)
        return ExitOk;
    // A script that names its catalogue must not get an image without its
    // variables.
    if (!cataloguePath.isEmpty()) {
        PrintError(catalogue.problem.isEmpty()
                       ? QStringLiteral("'%1' is not a variable catalogue: %2")
                             .arg(cataloguePath, CatalogueCorruptMessage)
                       : QStringLiteral("cannot read the catalogue '%1': %2")
                             .arg(cataloguePath, catalogue.problem));
        return ExitFileError;
    }
    PrintError(CatalogueCorruptMessage);
    return ExitOk;
}

int ReadInputFile(const QString& path, QByteArray& bytes) {
    NoteInput(path);
    FileRead file =
        ReadRegularFile(path, MaxConfigFileSize, QStringLiteral("a configuration file"));
    if (!file.ok()) {
        PrintError(QStringLiteral("cannot read '%1': %2").arg(path, file.reason));
        return ExitFileError;
    }
    bytes = std::move(file.bytes);
    return ExitOk;
}

int ApplyConfiguration(const QString& configPath, const QByteArray& configBytes,
                       ConfigModel& model) {
    if (!ApplyCcf(model, configBytes).anythingApplied()) {
        PrintError(QStringLiteral("'%1' is not a CAN configuration file: none of its lines has "
                                  "the layout of a saved configuration")
                       .arg(configPath));
        return ExitFileError;
    }
    return ExitOk;
}

int LoadConfiguration(const QString& configPath, const QByteArray& configBytes,
                      const QString& cataloguePath, bool obd, ConfigModel& model,
                      CatalogueLoad& catalogue) {
    // Start-up order of the window: catalogue first, then the start-up state.
    if (const int exit = LoadCatalogue(cataloguePath, catalogue); exit != ExitOk)
        return exit;
    model.setVariableList(catalogue.variableList);
    if (const int exit = ApplyConfiguration(configPath, configBytes, model); exit != ExitOk)
        return exit;
    if (obd)
        model.setObdModeEnabled(true);
    return ExitOk;
}

int LoadConfiguration(const QString& configPath, const QString& cataloguePath, bool obd,
                      ConfigModel& model, CatalogueLoad& catalogue) {
    QByteArray configBytes;
    if (const int exit = ReadInputFile(configPath, configBytes); exit != ExitOk)
        return exit;
    return LoadConfiguration(configPath, configBytes, cataloguePath, obd, model, catalogue);
}

ConfigCommandLine::ConfigCommandLine(const Command& command, const QString& description,
                                     const QString& configHelp)
    : m_command(command) {
    parser.setApplicationDescription(description);
    parser.addPositionalArgument(QStringLiteral("CONFIG.ccf"), configHelp);
}

int ConfigCommandLine::parse(const QStringList& arguments,
                             const QList<QCommandLineOption>& fileOptions) {
    if (const int exit = ParseCommandLine(parser, m_command, arguments); exit >= 0)
        return exit;
    if (const int exit = SingleArgument(parser, m_command, QStringLiteral("CONFIG.ccf"),
                                        QList{catalogueOption} + fileOptions, m_config);
        exit != ExitOk)
        return exit;
    return -1;
}

int ConfigCommandLine::load(ConfigModel& model, CatalogueLoad& catalogue) const {
    return LoadConfiguration(m_config, parser.value(catalogueOption), parser.isSet(obdOption),
                             model, catalogue);
}

std::optional<std::int32_t> ParseIdentifier(const QString& text) {
    bool ok = false;
    const qint64 value = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                             ? text.mid(2).toLongLong(&ok, 16)
                             : text.toLongLong(&ok, 10);
    if (!ok || value < 0 || value > 0x1FFFFFFF || text.contains(u'+') || text.contains(u'-'))
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}

const Command& CommandNamed(const char* name) {
    const QList<Command>& commands = Commands();
    return *std::find_if(commands.begin(), commands.end(),
                         [name](const Command& c) { return qstrcmp(c.name, name) == 0; });
}

} // namespace cac::cli

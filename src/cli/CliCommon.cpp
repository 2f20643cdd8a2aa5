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

int ReportLogProblems(const QString& logPath, const LogDecodeOutcome& outcome) {
    for (const LogProblem& problem : outcome.problems)
        PrintError(QStringLiteral("'%1': %2").arg(logPath, problem.describe()));
    if (outcome.problemCount > outcome.problems.size())
        PrintError(QStringLiteral("'%1': %2 more parts could not be read")
                       .arg(logPath)
                       .arg(outcome.problemCount - outcome.problems.size()));
    return outcome.problemCount > 0 ? ExitFileError : ExitOk;
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
    const CcfLoadReport report = ApplyCcf(model, configBytes);
    if (!report.anythingApplied()) {
        PrintError(QStringLiteral("'%1' is not a CAN configuration file: none of its lines has "
                                  "the layout of a saved configuration")
                       .arg(configPath));
        return ExitFileError;
    }
    // What stayed as a new configuration has it, said as the window's status
    // line says it; the command goes on.
    if (const QString kept = KeptColumnsText(report); !kept.isEmpty())
        PrintError(QStringLiteral("'%1': %2").arg(configPath, kept));
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

CommandLine::CommandLine(const Command& command, const QString& description) : m_command(command) {
    parser.setApplicationDescription(description);
}

void CommandLine::addArgument(const QString& name, const QString& help) {
    parser.addPositionalArgument(name, help);
    m_names.append(name);
}

int CommandLine::parse(const QStringList& arguments, const QList<QCommandLineOption>& valueOptions,
                       const QString& missing) {
    if (const int exit = ParseCommandLine(parser, m_command, arguments); exit >= 0)
        return exit;
    m_arguments = parser.positionalArguments();
    if (m_arguments.size() > m_names.size())
        return usageError(QStringLiteral("too many arguments"));
    if (m_arguments.size() < m_names.size())
        return usageError(missing.isEmpty()
                              ? QStringLiteral("missing ") + m_names.at(m_arguments.size())
                              : missing);
    for (const QCommandLineOption& option : valueOptions) {
        if (!parser.isSet(option) || !parser.value(option).isEmpty())
            continue;
        const QString flag = option.names().first();
        // A file's name is asked for as one: FILE, CONFIG.ccf, OUT.ccf.
        const QString value = option.valueName();
        const bool file = value == QStringLiteral("FILE") || value.contains(u'.');
        return usageError(
            QStringLiteral("%1%2 needs %3")
                .arg(flag.size() == 1 ? "-" : "--", flag, file ? "a file name" : "a value"));
    }
    return -1;
}

ConfigCommandLine::ConfigCommandLine(const Command& command, const QString& description,
                                     const QString& configHelp)
    : CommandLine(command, description) {
    addArgument(QStringLiteral("CONFIG.ccf"), configHelp);
}

int ConfigCommandLine::parse(const QStringList& arguments,
                             const QList<QCommandLineOption>& fileOptions) {
    return CommandLine::parse(arguments, QList{catalogueOption} + fileOptions);
}

int ConfigCommandLine::load() {
    return LoadConfiguration(config(), parser.value(catalogueOption), parser.isSet(obdOption),
                             model, catalogue);
}

int ConfigCommandLine::parseAndLoad(const QStringList& arguments,
                                    const QList<QCommandLineOption>& fileOptions) {
    if (const int exit = parse(arguments, fileOptions); exit >= 0)
        return exit;
    const int exit = load();
    return exit != ExitOk ? exit : -1;
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

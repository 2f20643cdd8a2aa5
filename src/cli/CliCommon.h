#pragma once

// What every can-adapter-cli command shares: exit codes, messages, input
// checks and the start-up state of a loaded configuration.

#include "canlog/LogReader.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "decode/LogDecodeRun.h"

#include <QByteArray>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

namespace cac::cli {

inline constexpr int ExitOk = 0;
inline constexpr int ExitFileError = 1;
inline constexpr int ExitUsage = 2;
// check: the configuration has an error (with --strict, a warning); ccf: the
// written configuration does not build the image again.
inline constexpr int ExitFindings = 3;

// What the commands read whole (a .ccf or an image's HEX file) is a few
// kilobytes; larger input is not one.
inline constexpr qint64 MaxConfigFileSize = 1024 * 1024;

// One subcommand: its name, its usage line (after "can-adapter-cli "), one
// line for the overview, and its entry point. `arguments` starts with the
// program and command ("can-adapter-cli hex"), then the command's own words,
// ready for QCommandLineParser.
struct Command {
    const char* name;
    const char* usage;
    const char* summary;
    int (*run)(const QStringList& arguments);
};

// Every command, in the order the overview lists them.
const QList<Command>& Commands();

// "can-adapter-cli: message" on standard error.
void PrintError(const QString& message);

// Prints the message and the command's usage line; returns ExitUsage.
int UsageError(const Command& command, const QString& message);

// Parses the command's arguments. Returns the exit code to end with at once
// (ExitOk after printing --help, ExitUsage on a parse error), else -1.
int ParseCommandLine(QCommandLineParser& parser, const Command& command,
                     const QStringList& arguments);

// The options several commands share: --catalogue FILE, --obd, -o FILE,
// --format FORMAT of a CAN log.
QCommandLineOption CatalogueOption();
QCommandLineOption ObdOption();
QCommandLineOption OutputOption(const QString& what);
QCommandLineOption LogFormatOption();

// The log format --format names, Unknown (found from the content) when it is
// not given. Returns ExitOk, or ExitUsage after saying the name is unknown.
int ParseLogFormat(const QCommandLineParser& parser, const QCommandLineOption& option,
                   const Command& command, LogFormat& format);

// Says which parts of the log could not be read (the first few, then how many
// more). Returns ExitFileError when there were any, else ExitOk.
int ReportLogProblems(const QString& logPath, const LogDecodeOutcome& outcome);

// Notes the file being read, for the message of a run that runs out of memory.
void NoteInput(const QString& path);
// That file's name as the system spells it; empty before any.
const QByteArray& InputBeingRead();

// Writes bytes to the file (through a temporary file, so a failed write keeps
// an earlier file) or, for an empty path, to standard output unchanged.
// Returns ExitOk or ExitFileError after saying why.
int WriteOutput(const QByteArray& bytes, const QString& outputPath);

// The catalogue to read: `cataloguePath` when given, otherwise the one the
// window reads (Vars.cfg in the data folder, or without it the demo catalogue
// the program comes with). When the demo catalogue stands in, says so on
// standard error.
QString CataloguePathToRead(const QString& cataloguePath);

// The catalogue from CataloguePathToRead(`cataloguePath`). Vars.cfg
// is taken as start-up takes it: a corrupt one is reported and the run goes
// on without variables. A catalogue named on the command line is meant, so
// one that cannot be read as a catalogue is an error. Returns ExitOk, or
// ExitFileError after saying why.
int LoadCatalogue(const QString& cataloguePath, CatalogueLoad& catalogue);

// Reads the whole input file, a regular file of at most MaxConfigFileSize bytes
// (a .ccf or an image's HEX file); ExitOk, or ExitFileError after saying why.
int ReadInputFile(const QString& path, QByteArray& bytes);

// The bytes of CONFIG.ccf applied to the model as File > Load applies them.
// Returns ExitOk, or ExitFileError after saying why (not a configuration).
int ApplyConfiguration(const QString& configPath, const QByteArray& configBytes,
                       ConfigModel& model);

// The catalogue and configuration as the window has them after start-up and
// File > Load: the catalogue from `cataloguePath` (or Vars.cfg in the data
// folder), then CONFIG.ccf's bytes applied to the start-up state, then OBD
// mode on when asked. Returns ExitOk, or ExitFileError after saying why.
int LoadConfiguration(const QString& configPath, const QByteArray& configBytes,
                      const QString& cataloguePath, bool obd, ConfigModel& model,
                      CatalogueLoad& catalogue);
// The same, reading CONFIG.ccf first.
int LoadConfiguration(const QString& configPath, const QString& cataloguePath, bool obd,
                      ConfigModel& model, CatalogueLoad& catalogue);

// How every command sets its options up: its description, its positional
// arguments, --help, and the refusals every command makes in the same words.
// The command adds its options to `parser` in the order its help lists them.
class CommandLine {
public:
    CommandLine(const Command& command, const QString& description);

    QCommandLineParser parser;

    // A positional argument, in the order the command takes them.
    void addArgument(const QString& name, const QString& help);

    // Parses the arguments, then refuses too few or too many positional
    // arguments (`missing` says what is missing; "missing NAME" when left
    // empty) and an empty value of any of `valueOptions`. Returns the exit
    // code to end with at once (ExitOk after --help, ExitUsage after saying
    // why), else -1.
    int parse(const QStringList& arguments, const QList<QCommandLineOption>& valueOptions = {},
              const QString& missing = {});
    // The positional arguments, once parsed.
    const QString& argument(int index = 0) const { return m_arguments.at(index); }

    const Command& command() const { return m_command; }
    // UsageError for this command.
    int usageError(const QString& message) const { return UsageError(m_command, message); }

private:
    const Command& m_command;
    QStringList m_names;
    QStringList m_arguments;
};

// The front of the commands that build on one CONFIG.ccf (hex, check, layout,
// export-dbc): its argument, --catalogue and --obd, and the configuration
// loaded.
class ConfigCommandLine : public CommandLine {
public:
    ConfigCommandLine(
        const Command& command, const QString& description,
        const QString& configHelp = QStringLiteral("The configuration file to load."));

    const QCommandLineOption catalogueOption = CatalogueOption();
    const QCommandLineOption obdOption = ObdOption();

    // CommandLine::parse, refusing an empty --catalogue too.
    int parse(const QStringList& arguments, const QList<QCommandLineOption>& fileOptions = {});
    const QString& config() const { return argument(); }
    // LoadConfiguration of CONFIG.ccf with --catalogue and --obd into `model`
    // and `catalogue`.
    int load();
    // parse, then load: the exit code to end with at once, else -1.
    int parseAndLoad(const QStringList& arguments,
                     const QList<QCommandLineOption>& fileOptions = {});

    ConfigModel model;
    CatalogueLoad catalogue;
};

// A frame identifier as --id takes it: "0x100" or "256", up to 0x1FFFFFFF;
// nothing else is one.
std::optional<std::int32_t> ParseIdentifier(const QString& text);

// The row of Commands() with that name, which must be there.
const Command& CommandNamed(const char* name);

} // namespace cac::cli

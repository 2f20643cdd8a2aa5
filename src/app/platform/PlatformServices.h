#pragma once

#include "app/platform/FlasherStart.h"
#include "output/FlasherCommand.h"

#include <QString>

#include <memory>

class QWidget;

// The few places where the window touches the operating system. Each is a
// small interface so that the window can be started with stand-ins (tests)
// as well as with the real platform (the program).
namespace cac::app {

// Tries serial port n (1 to 16): open it and close it again at once.
class SerialPortProbe {
public:
    virtual ~SerialPortProbe() = default;
    virtual bool canOpen(int portNumber) = 0;
    // The device that port n stands for, shown to the user beside the entry.
    virtual QString deviceName(int portNumber) const = 0;
};

// Starts the flasher as a separate process and returns without waiting.
// `commandLine` is the exact command line; `invocation` is the same command
// split into program and arguments for platforms that start programs that way.
// Returns an empty string when the program was started, otherwise one line
// saying why it could not be (for the status bar; no message box).
// The started program outlives the window; lastStarted() only looks at it.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    virtual QString startDetached(const QString& commandLine,
                                  const FlasherInvocation& invocation) = 0;
    // The program of the last successful start: Unknown before any start,
    // and when the platform cannot tell.
    virtual StartedProgram lastStarted() = 0;
};

// Modal message box with the application's title and an OK button only.
class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    virtual void showMessage(QWidget* parent, const QString& text) = 0;
};

// Modal file dialogs. Both return an empty name when the user cancels.
// `filter` is in Qt's "Name (patterns);;Name (patterns)" form.
class FileDialogs {
public:
    virtual ~FileDialogs() = default;
    // Asks before replacing an existing file; no default suffix is added.
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& filter) = 0;
    // Only an existing file can be chosen.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& filter) = 0;

    // The dialogs the window has beyond the configuration file's: they open
    // in `folder` (empty: where the platform likes). The save dialog sets
    // `chosenFilter` to the type the user chose, gives a name typed without
    // a suffix that type's suffix and asks before replacing that file.
    virtual QString saveFileNameIn(QWidget* parent, const QString& title, const QString& filter,
                                   const QString& folder, QString* chosenFilter) = 0;
    virtual QString openFileNameIn(QWidget* parent, const QString& title, const QString& filter,
                                   const QString& folder) = 0;
};

class AppFolders {
public:
    virtual ~AppFolders() = default;
    // Where the user's own Vars.cfg lives (it may not exist).
    virtual QString userCataloguePath() const = 0;
    // The folder that holds the program's executable, in native form and
    // without a trailing separator.
    virtual QString applicationFolder() const = 0;
};

struct PlatformServices {
    std::unique_ptr<SerialPortProbe> ports;
    std::unique_ptr<ProcessLauncher> launcher;
    std::unique_ptr<MessageBoxes> messages;
    std::unique_ptr<FileDialogs> dialogs;
    std::unique_ptr<AppFolders> folders;
};

// The services of the machine the program runs on.
PlatformServices RealPlatformServices();

// The title every message box carries.
QString ApplicationTitle();

// Turns a "Name|pattern|Name|pattern" filter into Qt's form, keeping the
// visible names: a name that already ends in its parenthesised patterns is
// kept as it is, any other name gets " (patterns)" appended.
QString QtFileFilter(const QString& pipeFilter);

// The suffix of a filter's first pattern: "png" for "PNG images (*.png)",
// empty for "All files (*)".
QString FilterSuffix(const QString& nameFilter);

// `path` as saved with the type `chosenFilter` of `filter`: a name that
// ends in none of the filter's suffixes gets the chosen type's.
QString WithChosenSuffix(const QString& path, const QString& filter, const QString& chosenFilter);

} // namespace cac::app

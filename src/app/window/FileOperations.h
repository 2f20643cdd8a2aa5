#pragma once

#include "catalogue/VariableCatalogue.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QComboBox;
class QStatusBar;
class QWidget;

namespace cac {
class ConfigModel;
}

namespace cac::app {

class CheckFindings;
struct PlatformServices;

// The File menu's commands, "Send now!" and the load from an image. None of
// them shows a message: each reports in the status bar what it did, or why it
// could not.
class FileOperations : public QObject {
    Q_OBJECT
public:
    // `findings` are the window's checks of `model`: "Send now!" counts their errors.
    FileOperations(QWidget* window, ConfigModel* model, const VariableCatalogue& catalogue,
                   CheckFindings* findings, PlatformServices& platform, QComboBox* portList,
                   QStatusBar* statusBar);

    void loadConfiguration();
    // File → Load without the dialog: the file the window was handed.
    void loadConfigurationFrom(const QString& path);
    void saveConfiguration();
    void generateHexFile();
    // Starts the flasher and does not wait for it; a flasher that ends within
    // FlasherWatchMs with a non-zero exit status is reported afterwards.
    void sendConfiguration();
    static constexpr int FlasherWatchMs = 5000;
    // Reads a configuration back from an Intel HEX image, as
    // `can-adapter-cli ccf` does, and loads it as the File menu loads a file.
    void loadFromImage();
    void loadImageFrom(const QString& path);
    // Writes the channels as a CAN database, as `can-adapter-cli export-dbc` does.
    void exportCanDatabase();

signals:
    // The table now is what a file holds: it was saved to it, or loaded from it.
    void configurationSaved();
    void configurationLoaded();

private:
    // Writes TempConfig.hex into the application folder; empty on success,
    // otherwise why not.
    QString writeHexFile() const;
    void report(const QString& text) const;
    // Looks at the flasher started last until it ends or the watch is over.
    void watchFlasher();

    QWidget* m_window;
    ConfigModel* m_model;
    const VariableCatalogue& m_catalogue;
    CheckFindings* m_findings;
    PlatformServices& m_platform;
    QComboBox* m_portList;
    QStatusBar* m_statusBar;
    QTimer m_flasherWatch;
    QElapsedTimer m_sinceFlasherStart;
};

} // namespace cac::app

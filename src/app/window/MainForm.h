#pragma once

#include "app/platform/PlatformServices.h"
#include "catalogue/VariableCatalogue.h"

#include <QMainWindow>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QSplitter;
class QTabWidget;

namespace cac {
class ConfigModel;
struct Finding;
} // namespace cac

namespace cac::app {

class ChannelGridEditor;
class CheckFindings;
class ChecksPanel;
class DiscoverPanel;
class DbcImporter;
class EditHistory;
class GridSelectionEdits;
class FileOpener;
class FrameLayoutView;
class GridPresentationModel;
class GridView;
class LoadedFolderDialogs;
class PreviewPanel;
class PriorityTableEditor;
class RecoveryKeeper;
class FileOperations;
class ScreenFit;

// The program's one window, `Main_form`: it lays out the controls, builds the
// menus, runs the start-up sequence and wires the controls to the store
// (ConfigModel), to the grid editors and to the commands. The work itself is
// done by ChannelGridEditor, PriorityTableEditor, FileOperations and
// DbcImporter.
class MainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit MainForm(PlatformServices services, QWidget* parent = nullptr);
    ~MainForm() override;

    // The start-up sequence. Call once, right after construction.
    void startUp();
    // Opens a file the window is handed (its command line): a configuration
    // file, a CAN database or an Intel HEX image.
    void openFile(const QString& path);

    ConfigModel* model() const { return m_model; }
    const VariableCatalogue& catalogue() const { return m_catalogue; }
    ChannelGridEditor* channelEditor() const { return m_channelEditor; }
    FrameLayoutView* frameLayout() const { return m_frameLayout; }
    EditHistory* editHistory() const { return m_history; }
    PreviewPanel* previewPanel() const { return m_previewPanel; }
    DiscoverPanel* discoverPanel() const { return m_discoverPanel; }

private:
    // Places a panel between the channel grid and the equation line.
    void addPanelBelowGrid(QWidget* panel);
    void buildCentralWidget();
    void buildCommands();
    void keepRecovery();
    void addLogPanels();
    void buildMenus();
    void buildFileMenu();
    void buildEditMenu();
    void addUndoRedo(QMenu* edit);
    void addCellCommands(QMenu* edit);
    void buildToolsMenu();
    void buildViewMenu();
    QLayout* buildTopBand();
    QWidget* buildCanTab();
    QWidget* buildObdTab();
    GridView* newGrid(const QString& objectName, GridPresentationModel* view);

    void loadVariableDefinitions();
    void discoverSerialPorts();
    void fitHeightToContents();
    void shareGridAndPanel();

    void applyObdMode();
    // The window's side of OBD mode: check box, caption, tabs, bit-rate frame.
    void showObdMode(bool on);
    void showConversionEquation(int row);
    void showBaudRate(const QString& text);
    void showFinding(const Finding& finding);

    PlatformServices m_platform;
    ConfigModel* m_model;
    EditHistory* m_history;
    VariableCatalogue m_catalogue;

    QCheckBox* m_obdCheck = nullptr;
    // What the window holds over its panels, in a scroller: a screen smaller
    // than its least size (1366x768 at 150 %) scrolls it rather than cutting it.
    QWidget* m_central = nullptr;
    QTabWidget* m_tabs = nullptr;
    GridView* m_grid = nullptr;
    QSplitter* m_gridSplitter = nullptr;
    QLabel* m_equationLabel = nullptr;
    QGroupBox* m_baudRateFrame = nullptr;
    QComboBox* m_baudRate = nullptr;
    GridView* m_obdGrid = nullptr;
    QGroupBox* m_sendFrame = nullptr;
    QComboBox* m_portList = nullptr;

    ChannelGridEditor* m_channelEditor = nullptr;
    PriorityTableEditor* m_priorityEditor = nullptr;
    FileOperations* m_fileOperations = nullptr;
    DbcImporter* m_dbcImport = nullptr;
    GridSelectionEdits* m_selectionEdits = nullptr;
    CheckFindings* m_findings = nullptr;
    ChecksPanel* m_checksPanel = nullptr;
    FrameLayoutView* m_frameLayout = nullptr;
    RecoveryKeeper* m_recovery = nullptr;
    FileOpener* m_opener = nullptr;
    PreviewPanel* m_previewPanel = nullptr;
    ScreenFit* m_screenFit;
    DiscoverPanel* m_discoverPanel = nullptr;
    LoadedFolderDialogs* m_loadedFolder = nullptr;
};

} // namespace cac::app

#pragma once

#include "app/PlatformServices.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ChoiceLists.h"

#include <QMainWindow>

#include <array>
#include <optional>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTabWidget;
class QTableView;

namespace cac {
class ConfigModel;
}

namespace cac::app {

class GridPresentationModel;

// The program's one window, `Main_form`. It owns the configuration store and
// every widget over it; the handlers below are the window's whole behaviour.
class MainForm : public QMainWindow {
    Q_OBJECT
public:
    explicit MainForm(PlatformServices services, QWidget* parent = nullptr);
    ~MainForm() override;

    // The start-up sequence. Call once, right after construction.
    void Form_Load();

    ConfigModel* model() const { return m_model; }
    const VariableCatalogue& catalogue() const { return m_catalogue; }
    int editRow() const { return m_editRow; }
    int editCol() const { return m_editCol; }

    // The warning shown for a CAN identifier that looks hexadecimal but has
    // no "0x" prefix.
    static QString HexWarningText();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    struct GridCell {
        int row = 0;
        int column = 0;
    };

    void buildMenu();
    void buildWidgets();
    QWidget* buildCanTab();
    QWidget* buildObdTab();

    // Start-up steps.
    void LoadVariableDefinitions();
    void FillFixedChoiceLists();
    void LayOutChannelGrid();
    void FillBaudRateList();
    void LayOutObdTable();
    void DiscoverSerialPorts();

    void applyChannelColumnWidths();
    void applyObdColumnWidths();
    void placeOver(QWidget* editor, QTableView* grid, const QModelIndex& index,
                   bool matchCellHeight) const;
    std::optional<GridCell> channelCellAt(QObject* surface, const QPoint& pos) const;
    std::optional<GridCell> obdCellAt(QObject* surface, const QPoint& pos) const;
    bool anyCellEditorShown() const;
    QChar decimalPoint() const;

    // Event handlers.
    void OpenCellEditor(const std::optional<GridCell>& cell);
    void Combo_Click(int k, int entry);
    void TextBox_KeyPress_Enter();
    void TextBox_LostFocus();
    void EnableObdModeCheck_Click();
    void OpenPriorityEditor(const std::optional<GridCell>& cell);
    void SetPriorityCombo_Click(int entry);
    void ComCanBaudRate_Change(const QString& text);
    void ShowConversionEquation(int row);
    void mnuLoad_Click();
    void mnuSave_Click();
    void mnuGenHexFile_Click();
    void cmdSend_Click();
    void mnuExit_Click();

    QString hexFilePath() const;

    PlatformServices m_platform;
    ConfigModel* m_model = nullptr;
    VariableCatalogue m_catalogue;
    GridPresentationModel* m_channelView = nullptr;
    GridPresentationModel* m_obdView = nullptr;

    int m_editRow = 0;
    int m_editCol = 0;
    int m_priorityRow = 0;
    bool m_textBoxOpen = false;
    bool m_applyingWidths = false;
    bool m_userSizedColumns = false;

    QMenu* m_mnuFile = nullptr;
    QAction* m_mnuLoad = nullptr;
    QAction* m_mnuSave = nullptr;
    QAction* m_mnuGenHexFile = nullptr;
    QAction* m_mnuExit = nullptr;
    QCheckBox* m_obdCheck = nullptr;
    QLabel* m_label1 = nullptr;
    QLabel* m_label2 = nullptr;
    QLabel* m_label3 = nullptr;
    QTabWidget* m_tabs = nullptr;
    QWidget* m_canPage = nullptr;
    QWidget* m_obdPage = nullptr;
    QTableView* m_grid = nullptr;
    std::array<QComboBox*, ChoiceListCount> m_combos{};
    QLineEdit* m_textBox = nullptr;
    QLabel* m_equationLabel = nullptr;
    QGroupBox* m_fraCanBaud = nullptr;
    QComboBox* m_baudRate = nullptr;
    QTableView* m_obdGrid = nullptr;
    QComboBox* m_priorityCombo = nullptr;
    QGroupBox* m_frame2 = nullptr;
    QPushButton* m_cmdSend = nullptr;
    QComboBox* m_selectPort = nullptr;
};

} // namespace cac::app

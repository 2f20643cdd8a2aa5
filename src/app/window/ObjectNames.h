#pragma once

#include <QString>

// The objectNames of the window's controls: the window sets them from here and
// its tests find the controls by them.
namespace cac::app::names {

inline const QString MainForm = QStringLiteral("Main_form");

inline const QString MenuFile = QStringLiteral("mnuFile");
inline const QString MenuLoad = QStringLiteral("mnuLoad");
inline const QString MenuSave = QStringLiteral("mnuSave");
inline const QString MenuBar = QStringLiteral("mnuBar");
inline const QString MenuGenHexFile = QStringLiteral("mnuGenHexFile");
inline const QString MenuBar2 = QStringLiteral("mnuBar2");
inline const QString MenuExit = QStringLiteral("mnuExit");
inline const QString MenuEdit = QStringLiteral("mnuEdit");
inline const QString MenuUndo = QStringLiteral("mnuUndo");
inline const QString MenuRedo = QStringLiteral("mnuRedo");
inline const QString MenuCut = QStringLiteral("mnuCut");
inline const QString MenuCopy = QStringLiteral("mnuCopy");
inline const QString MenuPaste = QStringLiteral("mnuPaste");
inline const QString MenuClear = QStringLiteral("mnuClear");
inline const QString MenuMoveUp = QStringLiteral("mnuMoveUp");
inline const QString MenuMoveDown = QStringLiteral("mnuMoveDown");
inline const QString MenuSelectAll = QStringLiteral("mnuSelectAll");
inline const QString MenuSelectChannels = QStringLiteral("mnuSelectChannels");
inline const QString MenuTools = QStringLiteral("mnuTools");
inline const QString MenuImportDbc = QStringLiteral("mnuImportDbc");
inline const QString MenuLoadImage = QStringLiteral("mnuLoadImage");
inline const QString MenuExportDbc = QStringLiteral("mnuExportDbc");
inline const QString MenuRestoreUnsaved = QStringLiteral("mnuRestoreUnsaved");
inline const QString MenuView = QStringLiteral("mnuView");
inline const QString MenuChecks = QStringLiteral("mnuChecks");

inline const QString ObdModeCheck = QStringLiteral("EnableObdModeCheck");
inline const QString Label1 = QStringLiteral("Label1");
inline const QString Label2 = QStringLiteral("Label2");
inline const QString Label3 = QStringLiteral("Label3");
inline const QString Tabs = QStringLiteral("SSTab1");
// What scrolls the window's contents on a screen smaller than them.
inline const QString CentralScroller = QStringLiteral("scrCentral");
inline const QString ChannelGrid = QStringLiteral("MSFlexGrid1");
inline const QString TextBox = QStringLiteral("TextBox");
inline const QString EquationLabel = QStringLiteral("EquationLabel");
inline const QString BaudRateFrame = QStringLiteral("FraCanBaud");
inline const QString BaudRateList = QStringLiteral("ComCanBaudRate");
inline const QString ObdGrid = QStringLiteral("ObdMsGrid");
inline const QString PriorityList = QStringLiteral("SetPriorityCombo");
inline const QString SendFrame = QStringLiteral("Frame2");
inline const QString SendButton = QStringLiteral("cmdSend");
inline const QString PortList = QStringLiteral("SelectPort");
inline const QString StatusBar = QStringLiteral("StatusBar");
// The status bar's permanent "Unsaved changes" / "No unsaved changes".
inline const QString UnsavedIndicator = QStringLiteral("lblUnsaved");
inline const QString RestoreBar = QStringLiteral("barRestoreKept");
inline const QString RestoreBarText = QStringLiteral("lblRestoreKept");
inline const QString RestoreKept = QStringLiteral("cmdRestoreKept");
inline const QString DiscardKept = QStringLiteral("cmdDiscardKept");

// The checks panel under the channel grid: the frame, its summary and its list.
inline const QString ChecksPanel = QStringLiteral("fraChecks");
inline const QString ChecksSummary = QStringLiteral("lblChecks");
inline const QString ChecksList = QStringLiteral("lstChecks");

// The frame layout picture beside the equation line, its toggle and its menu.
inline const QString FrameLayout = QStringLiteral("picFrameLayout");
inline const QString FrameLayoutRoom = QStringLiteral("scrFrameLayout");
inline const QString MenuFrameLayout = QStringLiteral("mnuFrameLayout");
inline const QString CopyPicture = QStringLiteral("mnuCopyPicture");
inline const QString SavePicture = QStringLiteral("mnuSavePicture");

// The drop-down of an in-cell list, its filter field and its entry view.
inline const QString ListPopup = QStringLiteral("ListPopup");
inline const QString ListFilter = QStringLiteral("ListFilter");
inline const QString ListView = QStringLiteral("ListView");

// The dialog that fills channels from a CAN database.
inline const QString GridSplitter = QStringLiteral("splGridChecks");
inline const QString DbcDialog = QStringLiteral("frmDbcImport");
inline const QString DbcFile = QStringLiteral("lblDbcFile");
inline const QString DbcProblems = QStringLiteral("lstDbcProblems");
inline const QString DbcSearch = QStringLiteral("txtDbcSearch");
inline const QString DbcSignals = QStringLiteral("tvwDbcSignals");
inline const QString DbcPreviewTitle = QStringLiteral("lblDbcPreview");
inline const QString DbcPreview = QStringLiteral("grdDbcPreview");
inline const QString DbcNotes = QStringLiteral("lblDbcNotes");
inline const QString DbcVariable = QStringLiteral("cboDbcVariable");
inline const QString DbcVariableFilter = QStringLiteral("txtDbcVariableFilter");
inline const QString DbcChannels = QStringLiteral("cboDbcChannels");
inline const QString DbcPlan = QStringLiteral("lstDbcPlan");
inline const QString DbcFill = QStringLiteral("cmdDbcFill");

// The in-cell list k, "Combo(0)" to "Combo(6)".
inline QString combo(int k) {
    return QStringLiteral("Combo(%1)").arg(k);
}

} // namespace cac::app::names

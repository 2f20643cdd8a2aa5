#pragma once

#include <QList>
#include <QString>

#include <cstdint>

namespace cac {
struct Finding;
struct ImageDecoding;
} // namespace cac

// Every text the window shows that is not decided by the engine: menu items,
// labels, tool tips, the hexadecimal warning and the status-bar reports. The
// window takes them from here and its tests compare against them.
namespace cac::app::texts {

// A count and its noun: "1 error", "2 errors".
QString counted(qsizetype count, const char* noun);

// Menus. "&" marks the mnemonic; the visible item text is the rest.
inline const QString MenuFile = QStringLiteral("&File");
inline const QString MenuLoad = QStringLiteral("&Load configuration file");
inline const QString MenuSave = QStringLiteral("&Save configuration file");
inline const QString MenuGenHexFile = QStringLiteral("&Generate hex file (for debug only)");
inline const QString MenuExit = QStringLiteral("E&xit");
inline const QString MenuTools = QStringLiteral("&Tools");
inline const QString MenuImportDbc = QStringLiteral("&Import from CAN database\u2026");
inline const QString MenuLoadImage = QStringLiteral("&Load from image (HEX)\u2026");
inline const QString MenuExportDbc = QStringLiteral("&Export as CAN database\u2026");
inline const QString MenuView = QStringLiteral("&View");
inline const QString MenuChecks = QStringLiteral("&Checks");
inline const QString MenuFrameLayout = QStringLiteral("&Frame layout");

inline const QString ObdModeCheck = QStringLiteral("Enable OBD mode");
inline const QString CanTab = QStringLiteral("CAN");
inline const QString ObdTab = QStringLiteral("OBD");
inline const QString BaudRateFrame = QStringLiteral("Can Baud Rate");
inline const QString SendFrame = QStringLiteral("Send configuration");
inline const QString SendButton = QStringLiteral("Send now!");
inline const QString SendButtonToolTip = QStringLiteral("Send the data to the CAN module now");
inline const QString NoEquation = QStringLiteral("n/a");
inline const QString SerialPortEntry = QStringLiteral("Serial Port %1");
inline const QString ListFilterPlaceholder = QStringLiteral("Type to filter");

// The text box's menu for a cell text too long to edit in place.
inline const QString CutWhole = QStringLiteral("Cu&t the whole text");
inline const QString CopyWhole = QStringLiteral("&Copy the whole text");
inline const QString PasteOver = QStringLiteral("&Paste in its place");
inline const QString EmptyCell = QStringLiteral("&Empty the cell");

extern const QString Label1;
extern const QString Label2;
extern const QString Label3;

inline const QString NoSerialPortsMessage = QStringLiteral("Cannot open any serial ports!");
inline const QString HexWarning =
    QStringLiteral("Note that you appeared to have a hex format address but\r\n"
                   "without a 0x prefix. This is interperated as decimal.");

inline const QString CcfFilter =
    QStringLiteral("CAN config files(*.ccf )|*.ccf|Show All Files (*.*)|*.*");
inline const QString LoadDialogTitle = QStringLiteral("Load a CAN config file");
inline const QString SaveDialogTitle = QStringLiteral("Save CAN configuration file");

inline const QString HexImageFilter =
    QStringLiteral("Intel HEX images (*.hex)|*.hex|Show All Files (*.*)|*.*");
inline const QString LoadImageTitle = QStringLiteral("Load a configuration from its image");
inline const QString ExportDbcTitle = QStringLiteral("Export the channels as a CAN database");

// The checks panel.
inline const QString NoFindings =
    QStringLiteral("Checks: no findings, the image will do what the cells say.");

// The frame layout picture and its menu.
inline const QString CopyPicture = QStringLiteral("&Copy picture");
inline const QString SavePictureAs = QStringLiteral("&Save picture as\u2026");
inline const QString SavePictureTitle = QStringLiteral("Save the frame layout picture");
inline const QString PictureFilter =
    QStringLiteral("PNG images (*.png)|*.png|SVG drawings (*.svg)|*.svg");
inline const QString CopiedPicture =
    QStringLiteral("The frame layout picture is on the clipboard.");

// The import from a CAN database.
inline const QString DbcFilter =
    QStringLiteral("CAN databases (*.dbc)|*.dbc|Show All Files (*.*)|*.*");
inline const QString DbcOpenTitle = QStringLiteral("Open a CAN database");
inline const QString DbcDialogTitle = QStringLiteral("Import from CAN database");
inline const QString DbcProblemsTitle =
    QStringLiteral("Lines that could not be read (the rest of the file was read)");
inline const QString DbcSearchLabel = QStringLiteral("&Search:");
inline const QString DbcSearchPlaceholder =
    QStringLiteral("Signal or message name, unit or identifier");
inline const QString DbcVariableLabel = QStringLiteral("&Variable:");
inline const QString DbcChannelsLabel = QStringLiteral("&Channels:");
inline const QString DbcNextFree = QStringLiteral("Next free channels");
inline const QString DbcFillButton = QStringLiteral("&Fill channels");
inline const QString DbcNoSignal =
    QStringLiteral("Select a signal to see the channel row it gives.");
inline const QString DbcRefused = QStringLiteral("Cannot fill a channel:");
inline const QString DbcNothingPicked =
    QStringLiteral("Tick the signals to import: Space or a click on the box.");
inline const QString DbcNoMessages =
    QStringLiteral("The file defines no message (BO_): it is not a CAN database.");

// The columns of the signal tree, and the first line of a channel grid title.
QStringList dbcTreeColumns();
QString dbcCellTitle(int column);

QString dbcFileSummary(const QString& path, int messages, int signalCount);
QString dbcProblem(int line, const QString& text);
QString dbcCannotRead(const QString& reason);
QString dbcMessageLength(int bytes);
QString dbcIdentifier(const QString& identifier, bool extended);
QString dbcPreviewTitle(const QString& signalPath);
QString dbcNoProposal(const QString& unit);
QString dbcFromChannel(int channel);
QString dbcPlanLine(int channel, const QString& signalPath, const QString& variable, bool replaces);
QString dbcTooFewChannels(int available, int wanted);
QString filledChannels(const QString& fileName, const QStringList& filled);
QString filledChannel(int channel, const QString& signalPath);

// One line on what a column of the channel grid (1 to 12) or of the OBD table
// (0 and 1) means, shown over its title.
QString channelColumnToolTip(int column);
QString obdColumnToolTip(int column);

// What the status bar says while the text box holds a text too long to edit
// in place.
QString longCellNotice(qsizetype characters);

// What the checks found: "Checks: 3 findings (1 error, ...); click one ...".
QString checksSummary(const QList<Finding>& findings);
// A finding's severity and sentence: "error: start bit 60 and ...".
QString findingText(const Finding& finding);
// A line of the checks panel: where, severity and sentence.
QString findingLine(const Finding& finding);

// Status-bar reports of the file and send commands.
// "Loaded PATH", with "; " and `kept` (the columns the load kept, and why)
// when there are any.
QString loaded(const QString& path, const QString& kept = {});
QString notAConfiguration(const QString& path);
QString couldNotLoad(const QString& path, const QString& reason);
QString saved(const QString& path);
QString couldNotSave(const QString& path, const QString& reason);
QString wroteHexFile(const QString& folder);
QString couldNotWriteHexFile(const QString& reason);
QString startedFlasher(const QString& port);
// What "Send now!" says after a start: the start, the error findings of the
// configuration sent, and a flasher of an earlier send that still runs.
QString sentReport(const QString& port, qsizetype errors, bool earlierStillRunning);
// The flasher ended soon after its start with a non-zero exit status.
QString flasherFailed(int exitCode);
QString loadedFromImage(const QString& path, const ImageDecoding& decoding);
QString couldNotLoadImage(const QString& path, int line, const QString& reason);
// `notWritten` holds "channel N: why" for the channels a database cannot describe.
QString exportedDbc(const QString& path, int signalCount, int messageCount,
                    const QStringList& notWritten);

} // namespace cac::app::texts

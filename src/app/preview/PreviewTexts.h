#pragma once

#include <QString>
#include <QStringList>

// The texts of the CAN preview: its menu items, panel, plot and live dialog.
namespace cac::app::texts {

inline const QString MenuPreviewLog = QStringLiteral("&Preview with a CAN log\u2026");
inline const QString MenuPreviewLive = QStringLiteral("Preview li&ve CAN traffic\u2026");
inline const QString PreviewPanelTitle = QStringLiteral("CAN preview");
inline const QString PreviewLogTitle = QStringLiteral("Preview with a CAN log");
inline const QString PreviewLogFilter =
    QStringLiteral("CAN logs (*.log *.asc *.trc *.csv *.blf)|*.log;*.asc;*.trc;*.csv;*.blf|"
                   "Show All Files (*.*)|*.*");
inline const QString PreviewNothing =
    QStringLiteral("No CAN log or live bus yet: Tools > Preview with a CAN log\u2026");
inline const QString PreviewCancel = QStringLiteral("&Cancel");
inline const QString PreviewDisconnect = QStringLiteral("&Disconnect");
inline const QString PreviewNoValue = QStringLiteral("no value");
inline const QString PreviewLiveTitle = QStringLiteral("Preview live CAN traffic");
inline const QString PreviewInterface = QStringLiteral("CAN &interface:");
inline const QString PreviewAddress = QStringLiteral("&Name:");
inline const QString PreviewBitRate = QStringLiteral("&Bit rate:");
inline const QString LiveNothing =
    QStringLiteral("No CAN interface found: plug in an SLCAN adapter (it appears as a serial "
                   "port) or a PEAK PCAN-USB with PCAN-Basic installed.");
inline const QString LiveRateBySystem =
    QStringLiteral("The system sets this interface's bit rate (on Linux: ip link).");
inline const QString LivePcanNotInstalled =
    QStringLiteral("PEAK PCAN interfaces: PCAN-Basic is not installed (PCANBasic.dll was not "
                   "found).");
inline const QString LivePcanNoChannel =
    QStringLiteral("PEAK PCAN interfaces: PCAN-Basic finds none plugged in and free.");
inline const QString PreviewConnect = QStringLiteral("C&onnect");
inline const QString PreviewPlotReset = QStringLiteral("&Whole log");
inline const QString PreviewPlotHint =
    QStringLiteral("Wheel: zoom in time \u2022 drag: move \u2022 double-click: whole log");
inline const QString PreviewRawLegend = QStringLiteral("raw (right axis)");

// The columns of the preview's channel lines.
QStringList previewColumns();
QString previewReading(const QString& fileName);
QString previewRead(const QString& fileName, const QString& format, qint64 frames);
QString previewCancelled(const QString& fileName, qint64 frames);
QString previewCannotRead(const QString& fileName, const QString& reason);
// The parts of a log the preview or the signal finder could not read.
QString logProblems(qint64 count, const QString& first);
QString previewFdSkipped(qint64 count);
QString previewNotKept(qsizetype cap);
QString previewLiveNotKept(qsizetype cap);
QString previewLive(const QString& interfaceTitle, qint64 frames);
QString previewConnected(const QString& interfaceTitle);
QString previewDisconnected(const QString& interfaceTitle);
QString previewLiveEnded(const QString& interfaceTitle, const QString& reason);
QString previewCannotConnect(const QString& interfaceTitle, const QString& reason);

// The live interfaces and what they say.
QString liveSlcanOnPort(int port, const QString& device);
QString liveSlcanOnDevice(const QString& name);
QString livePcanUsb(int number);
QString liveSystemInterface(const QString& name, const QString& driver);
// The PCAN-Basic library `file` lacks these required functions.
QString livePcanUnusable(const QString& file, const QStringList& functions);
QString liveNoSlcanRate(int bitsPerSecond);
QString liveNoPcanRate(int bitsPerSecond);
QString liveRateNotOffered(const QString& entry);
QString liveMalformedLines(qint64 count, const QString& first);
QString livePcanBusState(const QString& state);
QString previewUntaken(qint64 frames, const QString& top);
QString previewExponent(int exponent);
QString previewPlotTitle(int channel, const QString& variable);
QString previewValueLegend(const QString& unit);

} // namespace cac::app::texts

#pragma once

#include <QString>

// The objectNames of the CAN preview's controls: the window sets them from
// here and its tests find the controls by them.
namespace cac::app::names {

inline const QString MenuPreviewLog = QStringLiteral("mnuPreviewLog");
inline const QString MenuPreviewLive = QStringLiteral("mnuPreviewLive");
inline const QString PreviewPanel = QStringLiteral("previewPanel");
inline const QString PreviewSource = QStringLiteral("lblPreviewSource");
inline const QString PreviewProgress = QStringLiteral("prgPreview");
inline const QString PreviewCancel = QStringLiteral("cmdPreviewCancel");
inline const QString PreviewDisconnect = QStringLiteral("cmdPreviewDisconnect");
inline const QString PreviewTable = QStringLiteral("grdPreview");
inline const QString PreviewUntaken = QStringLiteral("lblPreviewUntaken");
inline const QString PreviewNote = QStringLiteral("lblPreviewNote");
inline const QString PreviewRefusal = QStringLiteral("lblPreviewRefusal");
inline const QString PreviewPlot = QStringLiteral("frmPreviewPlot");
inline const QString PreviewPlotView = QStringLiteral("picPreviewPlot");
inline const QString PreviewPlotReset = QStringLiteral("cmdPreviewPlotReset");
inline const QString LiveDialog = QStringLiteral("frmLiveCan");
inline const QString LiveInterface = QStringLiteral("cboLiveInterface");
inline const QString LiveAddress = QStringLiteral("txtLiveAddress");
inline const QString LiveBitRate = QStringLiteral("cboLiveBitRate");
inline const QString LiveNote = QStringLiteral("lblLiveNote");
inline const QString LiveMissing = QStringLiteral("lblLiveMissing");
inline const QString LiveConnect = QStringLiteral("cmdLiveConnect");

} // namespace cac::app::names

#pragma once

#include <QString>

// The objectNames of the "Find signals" panel's controls: the window sets
// them from here and its tests find the controls by them.
namespace cac::app::names {

inline const QString MenuDiscover = QStringLiteral("mnuDiscoverSignals");
inline const QString MenuDiscoverLive = QStringLiteral("mnuDiscoverLive");
inline const QString DiscoverPanel = QStringLiteral("discoverPanel");
inline const QString DiscoverPause = QStringLiteral("cmdDiscoverPause");
inline const QString DiscoverSaveRecording = QStringLiteral("cmdDiscoverSaveRecording");
inline const QString DiscoverStop = QStringLiteral("cmdDiscoverStop");
inline const QString DiscoverMark = QStringLiteral("cmdDiscoverMark");
inline const QString DiscoverMarkLabel = QStringLiteral("txtDiscoverMarkLabel");
inline const QString DiscoverMarks = QStringLiteral("lblDiscoverMarks");
inline const QString DiscoverClearMarks = QStringLiteral("cmdDiscoverClearMarks");
inline const QString DiscoverSource = QStringLiteral("lblDiscoverSource");
inline const QString DiscoverProgress = QStringLiteral("prgDiscover");
inline const QString DiscoverCancel = QStringLiteral("cmdDiscoverCancel");
inline const QString DiscoverRefusal = QStringLiteral("lblDiscoverRefusal");
inline const QString DiscoverNote = QStringLiteral("lblDiscoverNote");
inline const QString DiscoverIdentifiers = QStringLiteral("grdDiscoverIdentifiers");
inline const QString DiscoverFields = QStringLiteral("grdDiscoverFields");
inline const QString DiscoverPicture = QStringLiteral("picDiscoverFields");
inline const QString DiscoverReference = QStringLiteral("cboDiscoverReference");
inline const QString DiscoverCsv = QStringLiteral("cmdDiscoverCsv");
inline const QString DiscoverHint = QStringLiteral("txtDiscoverHint");
inline const QString DiscoverMatches = QStringLiteral("grdDiscoverMatches");
inline const QString DiscoverMatchNote = QStringLiteral("lblDiscoverMatchNote");
inline const QString DiscoverMatchPlot = QStringLiteral("picDiscoverMatch");
inline const QString DiscoverChannel = QStringLiteral("spnDiscoverChannel");
inline const QString DiscoverChannelNote = QStringLiteral("lblDiscoverChannel");
inline const QString DiscoverUse = QStringLiteral("cmdDiscoverUse");
inline const QString DiscoverScale = QStringLiteral("txtDiscoverScale");
inline const QString DiscoverOffset = QStringLiteral("txtDiscoverOffset");
inline const QString DiscoverVariable = QStringLiteral("cboDiscoverVariable");
inline const QString DiscoverUnitNote = QStringLiteral("lblDiscoverUnits");
inline const QString DiscoverCsvUnit = QStringLiteral("txtDiscoverCsvUnit");

} // namespace cac::app::names

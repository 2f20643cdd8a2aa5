#pragma once

#include <QString>
#include <QStringList>

// The texts of the "Find signals" panel: its menu item, its lines and what
// its channel chooser says. What the log holds is told in the engine's own
// texts (discover/DiscoveryTexts.h).
namespace cac::app::texts {

inline const QString MenuDiscover = QStringLiteral("&Find signals in a log\u2026");
inline const QString MenuDiscoverLive = QStringLiteral("Find si&gnals live\u2026");
inline const QString DiscoverPause = QStringLiteral("&Pause");
inline const QString DiscoverContinue = QStringLiteral("Co&ntinue");
inline const QString DiscoverSaveRecording = QStringLiteral("Save the re&cording\u2026");
inline const QString DiscoverStop = QStringLiteral("Stop listenin&g");
inline const QString DiscoverMark = QStringLiteral("&Mark");
inline const QString DiscoverMarkLabelPlaceholder =
    QStringLiteral("what you did (optional); Space marks too");
inline const QString DiscoverClearMarks = QStringLiteral("Clear mar&ks");
inline const QString DiscoverNoMarks =
    QStringLiteral("No marks: press Mark as you do something at the car, or click a plot's "
                   "time axis.");
inline const QString DiscoverRecordingTitle = QStringLiteral("Save the recording");
inline const QString DiscoverRecordingFilter =
    QStringLiteral("candump logs (*.log)|*.log|Show All Files (*.*)|*.*");
inline const QString DiscoverPanelTitle = QStringLiteral("Find signals");
inline const QString DiscoverLogTitle = QStringLiteral("Find signals in a log");
inline const QString DiscoverCsvTitle = QStringLiteral("Reference: time and value");
inline const QString DiscoverCsvFilter =
    QStringLiteral("CSV files (*.csv *.txt)|*.csv;*.txt|Show All Files (*.*)|*.*");
inline const QString DiscoverNothing =
    QStringLiteral("No log yet: Tools > Find signals in a log\u2026");
inline const QString DiscoverCancel = QStringLiteral("&Cancel");
inline const QString DiscoverReference = QStringLiteral("&Reference:");
inline const QString DiscoverNoReference = QStringLiteral("none");
inline const QString DiscoverCsv = QStringLiteral("CS&V file\u2026");
inline const QString DiscoverCsvUnitPlaceholder = QStringLiteral("unit");
inline const QString DiscoverCsvUnitTip =
    QStringLiteral("The unit of the next CSV file's values (kPa, km/h). Typed here, it wins over "
                   "a unit its header names; left empty, the header's is taken.");
inline const QString DiscoverHint = QStringLiteral("H&int:");
inline const QString DiscoverHintPlaceholder = QStringLiteral("MIN..MAX[@T1..T2], Enter ranks");
inline const QString DiscoverChannel = QStringLiteral("C&hannel:");
inline const QString DiscoverScale = QStringLiteral("Sc&ale:");
inline const QString DiscoverOffset = QStringLiteral("Off&set:");
inline const QString DiscoverVariable = QStringLiteral("Variab&le:");
// The variable list's first entry: Use leaves the channel's variable as it is.
inline const QString DiscoverVariableKept = QStringLiteral("(the channel's own)");
inline const QString DiscoverIdentifiersName = QStringLiteral("Identifiers of the log");
inline const QString DiscoverFieldsName = QStringLiteral("Fields of the identifier");
inline const QString DiscoverMatchesName = QStringLiteral("Fields that follow the reference");
inline const QString DiscoverChooseReference =
    QStringLiteral("Choose a reference to rank the fields that follow it.");

QStringList discoverIdentifierColumns();
QStringList discoverFieldColumns();
QStringList discoverMatchColumns();
QString discoverAnalysing(const QString& fileName);
QString discoverAnalysed(const QString& fileName, const QString& format, qint64 frames,
                         qsizetype identifiers);
QString discoverCancelled(const QString& fileName);
QString discoverCannotRead(const QString& fileName, const QString& reason);
QString discoverNoMatch(const QString& reference, const QString& why);
QString discoverCsvProblems(const QString& fileName, qint64 count, const QString& first);
QString discoverPictureTitle(const QString& identifier, const QString& idLength, int fields);
QString discoverUse(int channel);
QString discoverStep(int channel);
// "Filled " before the engine's line of what went where.
QString discoverFilled(const QString& filledChannel);
// Why the chooser stands on this channel, or what Use would do there.
QString discoverChannelCurrent(int channel);
QString discoverChannelFirstFree(int channel);
QString discoverChannelEmpty(int channel);
// "Units differ: …; the scale gives the reference's unit, so type one that
// converts."
QString discoverUnitsDiffer(const QString& why);
QString discoverChannelReplaces(int channel);
QString discoverChannelObd(int channel);
// The source line while listening, paused and after.
QString discoverListening(const QString& interface, qint64 frames, qsizetype identifiers);
QString discoverPaused(const QString& interface, qint64 frames, qsizetype identifiers,
                       qint64 passedOver);
QString discoverListenStopped(const QString& interface, qint64 frames);
QString discoverListenEnded(const QString& interface, const QString& reason);
QString discoverCannotListen(const QString& interface, const QString& reason);
// Only the latest frames are analysed; the recording has every one.
QString discoverLiveAnalysedLatest(qsizetype kept, qint64 frames);
QString discoverRecordingSaved(const QString& path, qint64 frames);
QString discoverCannotSaveRecording(const QString& path, const QString& reason);
// "Marks: 12.3 s brake, 15.0 s" (times from the log's start).
QString discoverMarksText(const QList<QPair<double, QString>>& marks);
QString discoverMarked(double time, const QString& label);
QString discoverFieldLegend(const QString& field);
QString discoverMatchLegend(const QString& reference, const QString& unit, const QString& field);

} // namespace cac::app::texts

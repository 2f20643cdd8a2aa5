#include "app/window/WindowTexts.h"

#include "channels/ChoiceLists.h"
#include "checks/Finding.h"
#include "image/ImageDecoder.h"
#include "output/FlasherCommand.h"
#include "output/IntelHex.h"

#include <QKeySequence>
#include <QLocale>
#include <QStringList>

namespace cac::app::texts {

QString counted(qsizetype count, const char* noun) {
    return QStringLiteral("%1 %2%3").arg(count).arg(QLatin1String(noun)).arg(count == 1 ? "" : "s");
}

const QString Label1 = QStringLiteral(
    "Enabling the OBD mode requires allocation of channel 15 of the CAN adapter, so this will "
    "not be able for general use. Also in OBD mode the CAN baud rate cannot be user set as this "
    "is requested automatically measured from the vehicle.");
const QString Label2 = QStringLiteral(
    "IMPORTANT: Configuring the CAN to serial adapter requires the CAN protocol information to "
    "be available and some knowledge of the CAN system. Vorlane are happy to assist in doing "
    "this if required, but in most cases this support will be chargeable. For more information "
    "about this service, please contact support@can-adapter-config.example .");
const QString Label3 =
    QStringLiteral("IMPORTANT: If OBD is enabled, and OBD is not available then the CAN adapter "
                   "will not be able to establish communications.");

QString channelColumnToolTip(int column) {
    static const QStringList tips = {
        QString(),
        QStringLiteral("The logger variable this channel feeds: user name, {default name}"),
        QStringLiteral("Length of the CAN identifier: 11 bit (standard) or 29 bit (extended)"),
        QStringLiteral("CAN identifier of the frame: decimal, or hexadecimal with a 0x prefix"),
        QStringLiteral("Data byte that must hold the filter value, or No Filter"),
        QStringLiteral("Value the filter byte must hold for the frame to be used"),
        QStringLiteral("Bit of the frame's data where the signal starts"),
        QStringLiteral("Length of the signal in bits"),
        QStringLiteral("How the raw value is read: signed, unsigned or single-precision float"),
        QStringLiteral("Byte and bit order of the signal in the frame"),
        QStringLiteral("The raw value is divided by this factor"),
        QStringLiteral("Added to the value after the division by the scale factor"),
        QStringLiteral("Scaling exponent, used for time variables only"),
    };
    return tips.value(column);
}

QString obdColumnToolTip(int column) {
    return column == 0 ? QStringLiteral("OBD parameter the adapter requests from the vehicle")
                       : QStringLiteral("Request priority of the parameter: OFF, or 1 to 8");
}

QString longCellNotice(qsizetype characters) {
    return QStringLiteral("This cell holds %1 characters, too many to edit in place: typing or "
                          "pasting replaces them, Delete empties the cell, %2 copies them "
                          "whole, Escape keeps them")
        .arg(QLocale().toString(characters),
             QKeySequence(QKeySequence::Copy).toString(QKeySequence::NativeText));
}

QString loaded(const QString& path, const QString& kept) {
    const QString text = QStringLiteral("Loaded %1").arg(path);
    return kept.isEmpty() ? text : text + QStringLiteral("; ") + kept;
}

QString notAConfiguration(const QString& path) {
    return QStringLiteral("Nothing loaded: %1 is not a CAN configuration file").arg(path);
}

QString couldNotLoad(const QString& path, const QString& reason) {
    return QStringLiteral("Could not load %1: %2").arg(path, reason);
}

QString saved(const QString& path) {
    return QStringLiteral("Saved %1").arg(path);
}

QString exportedDbc(const QString& path, int signalCount, int messageCount,
                    const QStringList& notWritten) {
    QString text =
        QStringLiteral("Exported %1 in %2 to %3")
            .arg(counted(signalCount, "channel"), counted(messageCount, "message"), path);
    if (!notWritten.isEmpty())
        text += QStringLiteral("; not written: %1").arg(notWritten.join(QStringLiteral("; ")));
    return text;
}

QString couldNotSave(const QString& path, const QString& reason) {
    return QStringLiteral("Could not save %1: %2").arg(path, reason);
}

QString wroteHexFile(const QString& folder) {
    return QStringLiteral("Wrote %1 in %2").arg(HexFileName, folder);
}

QString couldNotWriteHexFile(const QString& reason) {
    return QStringLiteral("Could not write %1: %2").arg(HexFileName, reason);
}

QString startedFlasher(const QString& port) {
    return QStringLiteral("Started %1 on port %2").arg(FlasherProgramName, port);
}

QString sentReport(const QString& port, qsizetype errors, bool earlierStillRunning) {
    QString text = startedFlasher(port);
    if (errors > 0)
        text += QStringLiteral(". Sent with %1: see Checks").arg(counted(errors, "error"));
    if (earlierStillRunning)
        text += QStringLiteral(". The %1 started earlier is still running").arg(FlasherProgramName);
    return text;
}

QString flasherFailed(int exitCode) {
    return QStringLiteral("%1 ended with exit status %2 right after its start: the configuration "
                          "was probably not sent")
        .arg(FlasherProgramName)
        .arg(exitCode);
}

QString loadedFromImage(const QString& path, const ImageDecoding& decoding) {
    QString text = QStringLiteral("Loaded the configuration of the image %1").arg(path);
    if (!decoding.unnamedVariables.isEmpty()) {
        QStringList ids;
        for (const std::int32_t id : decoding.unnamedVariables)
            ids << QString::number(id);
        text += QStringLiteral("; the catalogue names no variable %1 (channels with them feed "
                               "nothing until a variable is chosen)")
                    .arg(ids.join(QStringLiteral(", ")));
    } else if (!decoding.identical) {
        for (const Finding& finding : decoding.findings) {
            if (finding.severity == Severity::Error)
                return text + QStringLiteral("; it does not build the same image: %1: %2")
                                  .arg(PlaceText(finding), finding.message);
        }
    }
    if (decoding.obdMode)
        text += QStringLiteral("; the image was built in OBD mode: switch it on before sending");
    return text;
}

QString couldNotLoadImage(const QString& path, int line, const QString& reason) {
    return line > 0
               ? QStringLiteral("Could not load %1: line %2: %3").arg(path).arg(line).arg(reason)
               : couldNotLoad(path, reason);
}

QString checksSummary(const QList<Finding>& findings) {
    if (findings.isEmpty())
        return NoFindings;
    return QStringLiteral("Checks: %1 (%2); click one, or press Enter on it, to go to its cell.")
        .arg(counted(findings.size(), "finding"), FindingSummary(findings));
}

QString findingText(const Finding& finding) {
    return SeverityText(finding.severity) + QStringLiteral(": ") + finding.message;
}

QString findingLine(const Finding& finding) {
    return PlaceText(finding) + QStringLiteral(": ") + findingText(finding);
}

QStringList dbcTreeColumns() {
    return {QStringLiteral("Name"), QStringLiteral("Identifier"), QStringLiteral("Bits"),
            QStringLiteral("Unit"), QStringLiteral("Comment")};
}

QString dbcCellTitle(int column) {
    return ColumnName(column); // the hints stay in the grid
}

QString dbcFileSummary(const QString& path, int messages, int signalCount) {
    return QStringLiteral("%1: %2 messages, %3 signals").arg(path).arg(messages).arg(signalCount);
}

QString dbcProblem(int line, const QString& text) {
    return QStringLiteral("Line %1: %2").arg(line).arg(text);
}

QString dbcCannotRead(const QString& reason) {
    return QStringLiteral("The file cannot be read: %1").arg(reason);
}

QString dbcMessageLength(int bytes) {
    return QStringLiteral("%1 bytes").arg(bytes);
}

QString dbcIdentifier(const QString& identifier, bool extended) {
    return extended ? identifier + QStringLiteral(" (29 bit)") : identifier;
}

QString dbcPreviewTitle(const QString& signalPath) {
    return QStringLiteral("The channel row of %1").arg(signalPath);
}

QString dbcNoProposal(const QString& unit) {
    return QStringLiteral("no catalogue variable is known to have the unit \"%1\": the variable "
                          "list holds them all, those named like the signal first")
        .arg(unit);
}

QString dbcFromChannel(int channel) {
    return QStringLiteral("From channel %1 on").arg(channel);
}

QString dbcPlanLine(int channel, const QString& signalPath, const QString& variable,
                    bool replaces) {
    QString line = QStringLiteral("Channel %1: %2").arg(channel).arg(signalPath);
    if (!variable.isEmpty())
        line += QStringLiteral(" as %1").arg(variable);
    if (replaces)
        line += QStringLiteral(" (replacing its settings)");
    return line;
}

QString dbcTooFewChannels(int available, int wanted) {
    return QStringLiteral("%1 signals ticked, but only %2 channels to fill: untick some, or "
                          "choose another first channel.")
        .arg(wanted)
        .arg(available);
}

QString filledChannel(int channel, const QString& signalPath) {
    return QStringLiteral("channel %1 with %2").arg(channel).arg(signalPath);
}

QString filledChannels(const QString& fileName, const QStringList& filled) {
    return QStringLiteral("Filled %1 from %2").arg(filled.join(QStringLiteral(", ")), fileName);
}

} // namespace cac::app::texts

#include "decode/DecodeTexts.h"

#include "bitmap/FrameLayout.h"

#include <cmath>

namespace cac {
namespace {

int decimalsOf(float resolution) {
    if (!(resolution > 0) || resolution >= 1)
        return 0;
    return std::min(9, static_cast<int>(std::ceil(-std::log10(resolution) - 1e-4)));
}

} // namespace

QString LoggerValueText(double rounded, float resolution) {
    return QString::number(rounded, 'f', decimalsOf(resolution));
}

QByteArray DecodedCsvHeader() {
    return QByteArrayLiteral("time,channel,raw,value\n");
}

void AppendDecodedCsvLine(QByteArray& out, const CanFrame& frame, int channel, ValueKind kind,
                          const DecodedValue& value) {
    out += QByteArray::number(frame.time, 'f', 6);
    out += ',';
    out += QByteArray::number(channel);
    out += ',';
    if (kind == ValueKind::Float)
        out += QByteArray::number(value.raw, 'g', 9);
    else
        out += QByteArray::number(static_cast<qint64>(value.raw));
    out += ',';
    out += QByteArray::number(value.value, 'g', 15);
    out += '\n';
}

QList<ChannelSummary> ChannelSummaries(const FrameDecoder& decoder, const DecodeTally& tally) {
    QList<ChannelSummary> summaries;
    for (int c = 1; c <= ChannelCount; ++c) {
        const ChannelDecoding& d = decoder.channel(c);
        if (!d.previewed)
            continue;
        const ChannelTally& t = tally.channel(c);
        const auto value = [&](double v) {
            return t.hasValue ? LoggerValueText(v, d.resolution) : QString();
        };
        summaries.append({c, d.variable, QString::number(t.frames), value(t.minimum),
                          value(t.maximum), value(t.last), d.unit});
    }
    return summaries;
}

QStringList ChannelSummaryLines(const FrameDecoder& decoder, const DecodeTally& tally) {
    QList<QStringList> rows{{QStringLiteral("channel"), QStringLiteral("variable"),
                             QStringLiteral("frames"), QStringLiteral("minimum"),
                             QStringLiteral("maximum"), QStringLiteral("last"),
                             QStringLiteral("unit")}};
    QStringList notes{QString()};
    const auto orNone = [](const QString& value) {
        return value.isEmpty() ? QStringLiteral("-") : value;
    };
    for (const ChannelSummary& s : ChannelSummaries(decoder, tally)) {
        const ChannelDecoding& d = decoder.channel(s.channel);
        const ChannelTally& t = tally.channel(s.channel);
        rows.append({QString::number(s.channel), s.variable, s.frames, orNone(s.minimum),
                     orNone(s.maximum), orNone(s.last), s.unit});
        QStringList note;
        if (!d.problem.isEmpty())
            note << QStringLiteral("no value: %1").arg(d.problem);
        if (t.undecodable > 0)
            note << QStringLiteral("%1 frames not decoded: %2").arg(t.undecodable).arg(t.problem);
        if (d.exponent != 0)
            note << QStringLiteral("exponent %1 not applied").arg(d.exponent);
        notes.append(note.join(QStringLiteral("; ")));
    }
    QList<int> widths(rows.first().size(), 0);
    for (const QStringList& row : rows)
        for (int i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], int(row[i].size()));
    QStringList lines;
    for (int r = 0; r < rows.size(); ++r) {
        QString line;
        for (int i = 0; i < rows[r].size(); ++i) {
            // Numbers to the right, texts to the left.
            const bool number = i != 1 && i != 6;
            const QString cell =
                number ? rows[r][i].rightJustified(widths[i]) : rows[r][i].leftJustified(widths[i]);
            line += (i == 0 ? QString() : QStringLiteral("  ")) + cell;
        }
        if (!notes[r].isEmpty())
            line += QStringLiteral("  (") + notes[r] + ')';
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        lines.append(line);
    }
    return lines;
}

QString UntakenSummaryLine(const UntakenTally& untaken) {
    QString line = QStringLiteral("frames no channel takes: %1").arg(untaken.frames);
    if (untaken.remote > 0 || untaken.error > 0)
        line += QStringLiteral(" (%1 remote, %2 error)").arg(untaken.remote).arg(untaken.error);
    if (!untaken.identifiers.isEmpty()) {
        QStringList ids;
        for (const auto& [id, extended] : untaken.identifiers)
            ids << FrameName(extended, static_cast<std::int32_t>(id)); // 29 bits at most
        line += QStringLiteral("; identifiers ") + ids.join(QStringLiteral(", "));
        if (untaken.moreIdentifiers) // exactly as many as kept are all listed
            line += QStringLiteral(", ...");
    }
    return line;
}

QString LogTimesLine(LogTimes times) {
    return times == LogTimes::Absolute
               ? QStringLiteral("log times: absolute (seconds since 1970 UTC)")
               : QStringLiteral("log times: relative (seconds from the log's start; it does not "
                                "say when it began)");
}

} // namespace cac

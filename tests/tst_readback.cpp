// Reading an image back: Intel HEX text into bytes, bytes into settings that
// build the same image again, through a saved .ccf.
#include "Fixtures.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "image/ConfigImage.h"
#include "image/ImageDecoder.h"
#include "obd/ObdParameters.h"
#include "output/IntelHex.h"
#include "output/IntelHexReader.h"

#include <QRandomGenerator>
#include <QTest>

#include <tuple>

using namespace cac;

namespace {

// A catalogue with a variable in every identifier group, one below the list
// and one beyond position 255 of its group; short, so that look-ups of
// unmatched texts stay quick.
VariableCatalogue ReadbackCatalogue() {
    return MakeCatalogue(4256, {{5, "LOW", "Below list"},
                                {1000, "OILT", "Oil temp"},
                                {1500, "RPM", "Engine speed"},
                                {1501, "WSPD", "Wheel speed"},
                                {2001, "TPS", "Throttle"},
                                {2502, "LAP", "Lap time"},
                                {3003, "STEER", "Steering"},
                                {3504, "MAP", "Manifold"},
                                {4000, "NOU", "Counter"},
                                {4255, "FAR", "Far counter"}});
}

QString Pick(QRandomGenerator& random, const QStringList& texts) {
    return texts.at(random.bounded(static_cast<int>(texts.size())));
}

// Number texts as users type them, and as they go wrong.
QString RandomNumber(QRandomGenerator& random) {
    switch (random.bounded(5)) {
    case 0:
        return QString::number(random.bounded(-300, 300));
    case 1:
        return QString::number(random.generateDouble() * 2000 - 1000, 'g', random.bounded(1, 12));
    case 2:
        return QStringLiteral("0x") + QString::number(random.bounded(0x20000000), 16);
    case 3:
        return QString::number(random.generateDouble(), 'g', random.bounded(1, 5))
            .replace('.', ',');
    default:
        return Pick(random, {"", "abc", "1.2.3", "12abc", " 0x10", "1E3", "-0", "0.1", "2.5",
                             "1e-40", "1E400", "0x", "0xFFFFFFFF", "99999999999", "-128"});
    }
}

void FillRandomly(ConfigModel& model, QRandomGenerator& random,
                  const VariableCatalogue& catalogue) {
    QStringList variables{DoNotUseText, "", "Unknown {NONE}", " oil TEMP {oilt} ", "x {low}"};
    for (const CatalogueEntry& entry : catalogue) {
        if (!entry.defaultName.isEmpty())
            variables.append(entry.userName + " {" + entry.defaultName + '}');
    }
    for (int row = 1; row <= ChannelCount; ++row) {
        if (random.bounded(4) == 0)
            continue; // an untouched row
        for (int column = 1; column < ChannelGridColumns; ++column) {
            const int combo = ComboForColumn(column);
            QString text;
            if (column == ColVariable)
                text = Pick(random, variables);
            else if (combo > 0 && random.bounded(5) > 0)
                text = Pick(random, FixedChoiceList(combo));
            else if (combo > 0 && combo != 2 && combo != 3)
                text = Pick(random, {"", "signed", "Byte 9", "30 bit", "Byte -1", "Motorola"});
            else
                text = RandomNumber(random);
            model.setCell(row, column, text);
        }
    }
    model.setObdModeEnabled(random.bounded(4) == 0);
    model.setBaudRateText(Pick(random, BaudRateEntries()));
    for (int row = 1; row <= ObdParameterCount; ++row)
        model.setObdPriority(row, Pick(random, PriorityEntries() + QStringList{"9", "200", "2.5"}));
}

QString FindingLines(const QList<Finding>& findings) {
    QStringList lines;
    for (const Finding& finding : findings)
        lines.append(FindingLine("image", finding));
    return lines.join('\n');
}

} // namespace

class TestReadback : public QObject {
    Q_OBJECT
private slots:
    // Any configuration whose bit rate is a list entry comes back from its
    // HEX file as settings whose saved .ccf builds the very same bytes.
    void randomConfigurationsRoundTrip() {
        const VariableCatalogue catalogue = ReadbackCatalogue();
        QRandomGenerator random(20240611);
        for (int n = 0; n < 2000; ++n) {
            ConfigModel model;
            FillRandomly(model, random, catalogue);
            const QByteArray image = BuildConfigImage(model, catalogue);
            const RowName row(QString("case %1:\n").arg(n) + SerializeCcf(model));

            HexFault fault;
            const std::optional<QByteArray> read = ReadIntelHexImage(IntelHexText(image), &fault);
            QVERIFY2(read, qPrintable(fault.message));
            QCOMPARE(*read, image);

            ConfigModel decoded;
            const ImageDecoding decoding = DecodeConfigImage(image, catalogue, decoded);
            QVERIFY2(decoding.identical, qPrintable(FindingLines(decoding.findings)));
            QCOMPARE(decoding.obdMode, model.obdModeEnabled());

            ConfigModel reloaded;
            QCOMPARE(ApplyCcf(reloaded, SerializeCcf(decoded)).channelColumnsApplied, 12);
            if (decoding.obdMode) // as "hex --obd" does
                reloaded.setObdModeEnabled(true);
            QCOMPARE(BuildConfigImage(reloaded, catalogue), image);
        }
    }
};

QTEST_MAIN(TestReadback)
#include "tst_readback.moc"

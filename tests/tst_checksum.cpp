// Checksums named with their algorithm: logs whose checksum bytes and
// nibbles an independent Python script computed bit by bit
// (discover/make_checksum_logs.py), one family a log, and logs no family fits.
#include "canlog/LogReader.h"
#include "discover/ChecksumFinder.h"
#include "discover/DiscoveryCandidates.h"
#include "discover/SignalDiscovery.h"

#include <QFile>
#include <QTest>

using namespace cac;

namespace {

FramePlayer PlayFile(const QString& path) {
    return [path](const FrameSink& sink) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const auto reader = OpenLogReader(&file, LogFormat::Unknown, nullptr);
        if (!reader)
            return false;
        CanFrame frame;
        while (reader->readFrame(frame))
            sink(frame);
        return true;
    };
}

// `width` bits from `top` down: a byte or a nibble.
QList<int> BitsFrom(int top, int width) {
    QList<int> bits;
    for (int bit = top; bit > top - width; --bit)
        bits.append(bit);
    return bits;
}

const DiscoveredField* FieldWith(const DiscoveredIdentifier& identifier, const QList<int>& bits) {
    for (const DiscoveredField& f : identifier.fields)
        if (f.bits == bits)
            return &f;
    return nullptr;
}

} // namespace

class TestChecksum : public QObject {
    Q_OBJECT

private slots:
    void families_data() {
        QTest::addColumn<QString>("log");
        QTest::addColumn<int>("top");   // the checksum's most significant bit
        QTest::addColumn<int>("width"); // 8 or 4
        QTest::addColumn<QString>("algorithm");
        QTest::addColumn<int>("counterTop"); // a 4-bit counter beside it, or -1

        QTest::newRow("sum at the last byte")
            << "sum_last" << 63 << 8 << "sum of bytes 0-6, modulo 256" << -1;
        QTest::newRow("sum + identifier + length")
            << "sum_id_length" << 63 << 8
            << "sum of bytes 0-6 + identifier bytes + length, modulo 256" << -1;
        // Lengths 1 to 8: a frame of one byte is its checksum alone.
        QTest::newRow("sum at byte 0, lengths 1 to 8")
            << "sum_first_lengths" << 7 << 8
            << "sum of bytes 1-7 + identifier bytes + length, modulo 256" << -1;
        QTest::newRow("sum of the bytes after it, in byte 2")
            << "sum_after_middle" << 23 << 8 << "sum of bytes 3-7, modulo 256" << -1;
        QTest::newRow("sum + constant")
            << "sum_constant" << 63 << 8 << "sum of bytes 0-6 + 0x5A, modulo 256" << -1;
        QTest::newRow("negated sum")
            << "negated_sum" << 63 << 8 << "negated sum of bytes 0-6, modulo 256" << -1;
        QTest::newRow("0xFF minus sum")
            << "ff_minus_sum" << 63 << 8 << "0xFF minus the sum of bytes 0-6, modulo 256" << -1;
        // XOR over all eight bytes is 0: every byte is the XOR of the others,
        // and the last is where databases put a checksum.
        QTest::newRow("XOR written at byte 0")
            << "xor_first" << 63 << 8 << "XOR of bytes 0-6" << -1;
        QTest::newRow("XOR ^ identifier")
            << "xor_id" << 63 << 8 << "XOR of bytes 0-6 ^ identifier bytes" << -1;
        QTest::newRow("sum, 29-bit identifier")
            << "sum_extended" << 63 << 8
            << "sum of bytes 0-6 + identifier bytes + length, modulo 256" << -1;
        QTest::newRow("sum in byte 3 of 8")
            << "sum_middle" << 31 << 8 << "sum of bytes 0-2 + identifier bytes + 4, modulo 256"
            << -1;
        QTest::newRow("nibble sum beside a counter")
            << "nibble_counter" << 59 << 4
            << "sum of the frame's other nibbles + identifier nibbles, modulo 16" << 63;
        // Like a byte XOR, any nibble is the XOR of the others: the first one
        // of the last byte is taken.
        QTest::newRow("nibble XOR beside a counter")
            << "nibble_xor" << 59 << 4 << "XOR of the frame's other nibbles ^ identifier nibbles"
            << 63;
        QTest::newRow("nibble sum in the high nibble")
            << "nibble_high" << 63 << 4
            << "sum of the frame's other nibbles + identifier nibbles, modulo 16" << 59;
        QTest::newRow("CRC 0x03, the first generator")
            << "crc_03_last" << 63 << 8 << "CRC-8 poly 0x03 init 0x00 xorout 0x00 over bytes 0-6"
            << -1;
        QTest::newRow("CRC 0xFF, the last generator")
            << "crc_ff_last" << 63 << 8 << "CRC-8 poly 0xFF init 0x00 xorout 0x00 over bytes 0-6"
            << -1;
        QTest::newRow("CRC 0x1D at byte 0")
            << "crc_1d_first" << 7 << 8 << "CRC-8 poly 0x1D init 0xFF xorout 0xFF over bytes 1-7"
            << -1;
        QTest::newRow("CRC 0x2F") << "crc_2f_last" << 63 << 8
                                  << "CRC-8 poly 0x2F init 0xFF xorout 0xFF over bytes 0-6" << -1;
        QTest::newRow("CRC 0x07") << "crc_07_last" << 63 << 8
                                  << "CRC-8 poly 0x07 init 0x00 xorout 0x00 over bytes 0-6" << -1;
        QTest::newRow("CRC 0x31 reflected")
            << "crc_31_reflected" << 63 << 8
            << "CRC-8 poly 0x31 reflected init 0x00 xorout 0x00 over bytes 0-6" << -1;
        QTest::newRow("CRC 0x2F, init 0xFF alone")
            << "crc_2f_init_ff" << 63 << 8 << "CRC-8 poly 0x2F init 0xFF xorout 0x00 over bytes 0-6"
            << -1;
        QTest::newRow("CRC 0x2F, other xorout")
            << "crc_2f_xorout" << 63 << 8 << "CRC-8 poly 0x2F init 0x00 xorout 0x5A over bytes 0-6"
            << -1;
        QTest::newRow("CRC over the identifier")
            << "crc_1d_identifier" << 63 << 8
            << "CRC-8 poly 0x1D init 0xFF xorout 0xFF over identifier bytes, bytes 0-6" << -1;
        // Several lengths tell the start from the final XOR.
        QTest::newRow("CRC, lengths 2 to 8")
            << "crc_1d_lengths" << 7 << 8 << "CRC-8 poly 0x1D init 0xFF xorout 0x00 over bytes 1-7"
            << -1;
        QTest::newRow("8 distinct frames: enough for a byte")
            << "sum_8_distinct" << 63 << 8 << "sum of bytes 0-6, modulo 256" << -1;
        QTest::newRow("16 distinct frames: enough for a nibble")
            << "nibble_16_distinct" << 59 << 4
            << "sum of the frame's other nibbles + identifier nibbles, modulo 16" << -1;
    }

    // The checksum is one field of kind checksum with its algorithm, in the
    // text, the database comment and nowhere among a reference's candidates.
    void families() {
        QFETCH(QString, log);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(QString, algorithm);
        QFETCH(int, counterTop);
        const DiscoveryResult result =
            DiscoverSignals(PlayFile(QStringLiteral(CAC_CHECKSUM_DIR "/") + log + ".log"));
        QCOMPARE(result.identifiers.size(), 1);
        const DiscoveredIdentifier& identifier = result.identifiers.first();
        const DiscoveredField* f = FieldWith(identifier, BitsFrom(top, width));
        QVERIFY2(f, "no field on the checksum's bits");
        QCOMPARE(f->kind, FieldKind::Checksum);
        QCOMPARE(f->algorithm, algorithm);
        QCOMPARE(f->confidence, 1.0);
        QVERIFY(f->signal.comment.contains(algorithm));
        for (const DiscoveredField& other : identifier.fields)
            if (&other != f)
                QVERIFY(other.algorithm.isEmpty());
        if (counterTop >= 0) {
            const DiscoveredField* counter = FieldWith(identifier, BitsFrom(counterTop, 4));
            QVERIFY2(counter, "the counter beside the checksum was not cut apart");
            QCOMPARE(counter->kind, FieldKind::Counter);
        }
        const DiscoveryCandidates candidates = CandidatesOf(result, false);
        for (const DbcSignal& signal : candidates.dbcSignals)
            QVERIFY(signal.name != f->signal.name);
    }

    void noFamily_data() {
        QTest::addColumn<QString>("log");
        QTest::addColumn<bool>("statistical"); // byte 7 still scatters as a checksum
        QTest::newRow("random byte") << "random" << true;
        QTest::newRow("slowly changing byte") << "slow" << false;
        QTest::newRow("copy of the only counter") << "copy_of_counter" << false;
        QTest::newRow("7 distinct frames: too few for a byte") << "sum_7_distinct" << false;
        QTest::newRow("15 distinct frames: too few for a nibble") << "nibble_15_distinct" << false;
    }

    // No algorithm is named; a random byte stays a statistical checksum
    // that says so, a creeping byte is never one.
    void noFamily() {
        QFETCH(QString, log);
        QFETCH(bool, statistical);
        const DiscoveryResult result =
            DiscoverSignals(PlayFile(QStringLiteral(CAC_CHECKSUM_DIR "/") + log + ".log"));
        QCOMPARE(result.identifiers.size(), 1);
        bool scattered = false;
        for (const DiscoveredField& f : result.identifiers.first().fields) {
            QVERIFY(f.algorithm.isEmpty());
            if (f.bits.contains(63) && f.kind == FieldKind::Checksum) {
                scattered = true;
                QVERIFY(f.signal.comment.contains(QStringLiteral("no algorithm found")));
            }
        }
        if (log == u"slow")
            QVERIFY(!scattered);
        if (statistical)
            QVERIFY(scattered);
    }

    // The engine's CRC against the catalogue's check values of "123456789".
    void crcCheckValues_data() {
        QTest::addColumn<int>("poly");
        QTest::addColumn<bool>("reflected");
        QTest::addColumn<int>("init");
        QTest::addColumn<int>("xorout");
        QTest::addColumn<int>("check");
        QTest::newRow("CRC-8/SMBUS") << 0x07 << false << 0x00 << 0x00 << 0xF4;
        QTest::newRow("CRC-8/SAE-J1850") << 0x1D << false << 0xFF << 0xFF << 0x4B;
        QTest::newRow("CRC-8/AUTOSAR") << 0x2F << false << 0xFF << 0xFF << 0xDF;
        QTest::newRow("CRC-8/MAXIM-DOW") << 0x31 << true << 0x00 << 0x00 << 0xA1;
    }

    void crcCheckValues() {
        QFETCH(int, poly);
        QFETCH(bool, reflected);
        QFETCH(int, init);
        QFETCH(int, xorout);
        QFETCH(int, check);
        const std::uint8_t text[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
        QCOMPARE(Crc8(std::uint8_t(poly), reflected, text, 9, std::uint8_t(init)) ^ xorout, check);
    }

    // Bad input: frames of no data and odd lengths pass without a fit.
    void emptyFrames() {
        ChecksumFinder finder(IdentifierKey{0x123, false});
        for (int k = 0; k < 100; ++k)
            finder.add(std::uint64_t(k % 3), k % 2);
        QVERIFY(!finder.result());
    }
};

QTEST_GUILESS_MAIN(TestChecksum)
#include "tst_checksum.moc"

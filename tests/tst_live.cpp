// Live CAN interfaces as the engine sees them: the SLCAN lines an adapter
// sends and the commands it gets, the bit rates each interface can be set
// to, and PCAN-Basic's messages as frames.
#include "live/BusBitRate.h"
#include "live/PcanBasicValues.h"
#include "live/SlcanProtocol.h"

#include <QTest>

Q_DECLARE_METATYPE(cac::CanFrame)

using namespace cac;

namespace {

CanFrame Frame(std::uint32_t id, bool extended, bool remote, QList<int> bytes, int length = -1) {
    CanFrame f;
    f.id = id;
    f.extended = extended;
    f.remote = remote;
    f.length = static_cast<std::uint8_t>(length < 0 ? bytes.size() : length);
    for (int i = 0; i < bytes.size(); ++i)
        f.data[i] = static_cast<std::uint8_t>(bytes[i]);
    return f;
}

} // namespace

class TestLive : public QObject {
    Q_OBJECT

private slots:
    void slcanLine_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<CanFrame>("frame");
        QTest::addColumn<int>("stamp");
        const CanFrame none;
        QTest::newRow("no data, id 0")
            << QByteArray("t0000") << true << Frame(0, false, false, {}) << -1;
        QTest::newRow("8 bytes, largest id")
            << QByteArray("t7FF80011223344556677") << true
            << Frame(0x7FF, false, false, {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}) << -1;
        QTest::newRow("lower-case hex, stamped")
            << QByteArray("t1a320aff0000") << true << Frame(0x1A3, false, false, {0x0A, 0xFF}) << 0;
        QTest::newRow("largest stamp")
            << QByteArray("t12311FFFFF") << true << Frame(0x123, false, false, {0x1F}) << 0xFFFF;
        QTest::newRow("extended, largest id, 8 bytes, stamped")
            << QByteArray("T1FFFFFFF8FFFFFFFFFFFFFFFFEA5F") << true
            << Frame(0x1FFFFFFF, true, false, {255, 255, 255, 255, 255, 255, 255, 255}) << 59999;
        QTest::newRow("extended id 0")
            << QByteArray("T000000000") << true << Frame(0, true, false, {}) << -1;
        QTest::newRow("remote keeps its length")
            << QByteArray("r7FF8") << true << Frame(0x7FF, false, true, {}, 8) << -1;
        QTest::newRow("extended remote, stamped")
            << QByteArray("R000012341002A") << true << Frame(0x1234, true, true, {}, 1) << 0x2A;
        QTest::newRow("standard id past 11 bits") << QByteArray("t8000") << false << none << -1;
        QTest::newRow("extended id past 29 bits")
            << QByteArray("T200000000") << false << none << -1;
        QTest::newRow("length 9") << QByteArray("t123900112233445566778899") << false << none << -1;
        QTest::newRow("bad hex in data") << QByteArray("t1231G0") << false << none << -1;
        QTest::newRow("bad hex in id") << QByteArray("t1X310") << false << none << -1;
        QTest::newRow("bad hex in stamp") << QByteArray("t12310123Z") << false << none << -1;
        QTest::newRow("data one digit long") << QByteArray("t123200112") << false << none << -1;
        QTest::newRow("data cut") << QByteArray("t123200") << false << none << -1;
        QTest::newRow("stamp cut") << QByteArray("t1231AA123") << false << none << -1;
        QTest::newRow("remote with data") << QByteArray("r1231AA") << false << none << -1;
        QTest::newRow("id cut") << QByteArray("t12") << false << none << -1;
        QTest::newRow("other answer") << QByteArray("V1013") << false << none << -1;
    }
    void slcanLine() {
        QFETCH(QByteArray, line);
        QFETCH(bool, ok);
        QFETCH(CanFrame, frame);
        QFETCH(int, stamp);
        CanFrame parsed;
        int parsedStamp = -2;
        QCOMPARE(slcan::ParseFrameLine(line, &parsed, &parsedStamp), ok);
        if (ok) {
            QCOMPARE(parsed, frame);
            QCOMPARE(parsedStamp, stamp);
        }
    }

    void bitRates_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("slcanCode");
        QTest::addColumn<int>("pcanCode");
        QTest::addColumn<QString>("text");
        QTest::newRow("1 Mbit") << "1 Mbit" << 1000000 << 8 << 0x0014 << "1 Mbit/s";
        QTest::newRow("500 kbit") << "500 kbit" << 500000 << 6 << 0x001C << "500 kbit/s";
        QTest::newRow("250 kbit") << "250 kbit" << 250000 << 5 << 0x011C << "250 kbit/s";
        QTest::newRow("125 kbit") << "125 kbit" << 125000 << 4 << 0x031C << "125 kbit/s";
        QTest::newRow("33.3 kbit: no SLCAN rate")
            << "33.3 kbit" << 33333 << -1 << 0x8B2F << "33.3 kbit/s";
        QTest::newRow("typed text") << "500k" << 0 << -1 << 0 << QString();
        QTest::newRow("SLCAN's least") << QString() << 10000 << 0 << 0x672F << "10 kbit/s";
        QTest::newRow("800 kbit/s") << QString() << 800000 << 7 << 0x0016 << "800 kbit/s";
    }
    void bitRates() {
        QFETCH(QString, entry);
        QFETCH(int, rate);
        QFETCH(int, slcanCode);
        QFETCH(int, pcanCode);
        QFETCH(QString, text);
        if (!entry.isNull())
            QCOMPARE(BitRateOfEntry(entry), rate);
        QCOMPARE(slcan::BitRateCode(rate), slcanCode);
        QCOMPARE(int(pcan::BaudCodeOf(rate)), pcanCode);
        if (!text.isNull())
            QCOMPARE(BitRateText(rate), text);
    }

    // The commands in the order an adapter needs them, the answers to them,
    // frames split anywhere across reads, and what is not a frame counted.
    void slcanSession() {
        slcan::Session session(slcan::BitRateCode(500000));
        QCOMPARE(session.openCommands(), QByteArray("C\rS6\rO\r"));
        QCOMPARE(slcan::Session::closeCommand(), QByteArray("C\r"));
        // Closing a closed channel is refused: no matter. Then S and O are taken.
        QVERIFY(session.feed("\a\r\r", 0).isEmpty());
        QCOMPARE(session.refusal(), QString());
        const QByteArray stream =
            "t1232AABB\r\nt12X0\rT0000ABCD15503E8\rxyz\rt7FF0EA5E\rt7FF00001\r";
        QList<CanFrame> frames;
        for (int i = 0; i < stream.size(); i += 3) // three bytes at a time
            frames += session.feed(
                QByteArrayView(stream).sliced(i, std::min<qsizetype>(3, stream.size() - i)),
                5.0 + i);
        QCOMPARE(frames.size(), 4);
        QCOMPARE(frames[0], [] {
            CanFrame f = Frame(0x123, false, false, {0xAA, 0xBB});
            f.time = 14.0; // unstamped: the time of the read that completed it
            return f;
        }());
        QCOMPARE(frames[1].id, 0xABCDu);
        QCOMPARE(frames[1].data[0], 0x55);
        QCOMPARE(frames[1].time, 38.0); // the first stamp: the time it arrived
        // 0x3E8 = 1000 ms, then 59998 ms, then 1 ms past the minute's turn.
        QCOMPARE(frames[2].time, 38.0 + 58.998);
        QCOMPARE(frames[3].time, 38.0 + 59.001);
        QCOMPARE(session.malformed(), qint64(2));
        QCOMPARE(session.firstMalformed(), QStringLiteral("t12X0"));
        // A line running on without an end is cut, counted once, never kept growing.
        QVERIFY(session.feed(QByteArray(100000, '7'), 0).isEmpty());
        QCOMPARE(session.feed("\rt0000\r", 0).size(), 1);
        QCOMPARE(session.malformed(), qint64(3));
    }

    void slcanRefusal_data() {
        QTest::addColumn<QByteArray>("answers");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("bit rate") << QByteArray("\r\a") << "the adapter refused the bit rate (S8)";
        QTest::newRow("open") << QByteArray("\a\r\a")
                              << "the adapter refused to open the channel (O)";
        QTest::newRow("all taken") << QByteArray("\r\r\r\a") << QString();
        QTest::newRow("no answers, frames") << QByteArray("t0000\r\a") << QString();
    }
    void slcanRefusal() {
        QFETCH(QByteArray, answers);
        QFETCH(QString, refusal);
        slcan::Session session(8);
        session.feed(answers, 0);
        QCOMPARE(session.refusal(), refusal);
    }

    void pcanMessage_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<CanFrame>("frame");
        CanFrame standard = Frame(0x7FF, false, false, {1, 2, 3, 4, 5, 6, 7, 8});
        CanFrame extended = Frame(0x1FFFFFFF, true, false, {1, 2, 3, 4, 5, 6, 7, 8});
        CanFrame remote = Frame(0x7FF, false, true, {}, 8);
        for (CanFrame* f : {&standard, &extended, &remote})
            f->time = 4294967296.0 * 1000 * 2 / 1e6 + 3.000004; // overflows, millis, micros
        QTest::newRow("standard") << int(pcan::MessageStandard) << true << standard;
        QTest::newRow("extended") << int(pcan::MessageExtended) << true << extended;
        QTest::newRow("remote") << int(pcan::MessageRemote) << true << remote;
        QTest::newRow("status") << int(pcan::MessageStatus) << false << CanFrame();
        QTest::newRow("CAN FD") << int(pcan::MessageFd) << false << CanFrame();
    }
    void pcanMessage() {
        QFETCH(int, type);
        QFETCH(bool, ok);
        QFETCH(CanFrame, frame);
        pcan::Message message{type == pcan::MessageExtended ? 0x1FFFFFFFu : 0x7FFu,
                              static_cast<std::uint8_t>(type),
                              8,
                              {1, 2, 3, 4, 5, 6, 7, 8}};
        const pcan::Timestamp stamp{3000, 2, 4};
        CanFrame out;
        QCOMPARE(pcan::FrameOf(message, stamp, &out), ok);
        if (ok) {
            QCOMPARE(out.time, frame.time);
            out.time = frame.time = 0;
            QCOMPARE(out, frame);
        }
        QCOMPARE(int(pcan::UsbChannel(1)), 0x51);
        QCOMPARE(int(pcan::UsbChannel(pcan::UsbChannelCount)), 0x58);
    }
};

QTEST_GUILESS_MAIN(TestLive)
#include "tst_live.moc"

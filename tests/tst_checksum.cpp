// Checksums named with their algorithm: logs whose checksum bytes and
// nibbles an independent Python script computed bit by bit
// (discover/make_checksum_logs.py), one family a log, and logs no family fits.
#include "canlog/LogReader.h"
#include "discover/ChecksumFinder.h"
#include "discover/DiscoveryCandidates.h"
#include "discover/SignalDiscovery.h"

#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

#include <map>
#include <set>
#include <tuple>

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

// A family checked the plain way, on every frame: the bytes (or nibbles)
// it covers summed or XORed, and the constant it leaves the same for every
// frame of a length. The finder's own shortcuts play no part.
struct PlainFamily {
    bool nibble = false;
    int place = 0;
    ChecksumFinder::Family family = ChecksumFinder::Family::Sum;
    ChecksumFinder::Cover cover = ChecksumFinder::Cover::Others;

    bool operator<(const PlainFamily& o) const {
        return std::tuple(nibble, place, int(family), int(cover)) <
               std::tuple(o.nibble, o.place, int(o.family), int(o.cover));
    }
    bool operator==(const PlainFamily& o) const { return !(*this < o) && !(o < *this); }

    // Its own unit and the sum and XOR of those it covers in the frame's
    // first `length` bytes; false when they cannot carry its unit.
    bool read(const std::vector<int>& bytes, int length, int* check, int* sum, int* x) const {
        using C = ChecksumFinder::Cover;
        std::vector<int> units; // bytes, or nibbles low first
        for (int b = 0; b < length; ++b) {
            if (nibble) {
                units.push_back(bytes[std::size_t(b)] & 0xF);
                units.push_back(bytes[std::size_t(b)] >> 4);
            } else {
                units.push_back(bytes[std::size_t(b)]);
            }
        }
        if (place >= int(units.size()))
            return false;
        *sum = *x = 0;
        for (int u = 0; u < int(units.size()); ++u) {
            const bool covered = nibble || cover == C::Others ? u != place
                                 : cover == C::Before         ? u < place
                                                              : u > place;
            if (covered) {
                *sum += units[std::size_t(u)];
                *x ^= units[std::size_t(u)];
            }
        }
        *check = units[std::size_t(place)];
        return true;
    }
    int modulo() const { return nibble ? 16 : 256; }
    // What its unit holds for a constant of 0.
    int sealed(int sum, int x) const {
        using F = ChecksumFinder::Family;
        return family == F::Xor   ? x
               : family == F::Sum ? sum % modulo()
                                  : (-sum % modulo() + modulo()) % modulo();
    }
    bool holdsOnEvery(const std::vector<std::pair<std::vector<int>, int>>& frames) const {
        std::map<int, int> constants; // by length
        for (const auto& [bytes, length] : frames) {
            int check = 0, sum = 0, x = 0;
            if (!read(bytes, length, &check, &sum, &x))
                continue; // too short to carry it
            const int constant = family == ChecksumFinder::Family::Xor
                                     ? check ^ x
                                     : ((check - sealed(sum, x)) % modulo() + modulo()) % modulo();
            if (constants.try_emplace(length, constant).first->second != constant)
                return false;
        }
        return true;
    }
};

// One of the logs make_checksum_logs.py wrote, by its name.
DiscoveryResult DiscoverLog(const QString& log) {
    return DiscoverSignals(PlayFile(QStringLiteral(CAC_CHECKSUM_DIR "/") + log + ".log"));
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
        QTest::addColumn<int>("counterTop"); // a counter beside it, or -1
        QTest::addColumn<int>("counterWidth");

        QTest::newRow("sum at the last byte")
            << "sum_last" << 63 << 8 << "sum of bytes 0-6, modulo 256" << -1 << 0;
        QTest::newRow("sum + identifier + length")
            << "sum_id_length" << 63 << 8
            << "sum of bytes 0-6 + identifier bytes + length, modulo 256" << -1 << 0;
        // Lengths 1 to 8: a frame of one byte is its checksum alone.
        QTest::newRow("sum at byte 0, lengths 1 to 8")
            << "sum_first_lengths" << 7 << 8
            << "sum of bytes 1-7 + identifier bytes + length, modulo 256" << -1 << 0;
        QTest::newRow("sum of the bytes after it, in byte 2")
            << "sum_after_middle" << 23 << 8 << "sum of bytes 3-7, modulo 256" << -1 << 0;
        QTest::newRow("sum + constant")
            << "sum_constant" << 63 << 8 << "sum of bytes 0-6 + 0x5A, modulo 256" << -1 << 0;
        QTest::newRow("negated sum")
            << "negated_sum" << 63 << 8 << "negated sum of bytes 0-6, modulo 256" << -1 << 0;
        QTest::newRow("0xFF minus sum") << "ff_minus_sum" << 63 << 8
                                        << "0xFF minus the sum of bytes 0-6, modulo 256" << -1 << 0;
        // XOR over all eight bytes is 0: every byte is the XOR of the others,
        // and the last is where databases put a checksum.
        QTest::newRow("XOR written at byte 0")
            << "xor_first" << 63 << 8 << "XOR of bytes 0-6" << -1 << 0;
        QTest::newRow("XOR ^ identifier")
            << "xor_id" << 63 << 8 << "XOR of bytes 0-6 ^ identifier bytes" << -1 << 0;
        QTest::newRow("sum, 29-bit identifier")
            << "sum_extended" << 63 << 8
            << "sum of bytes 0-6 + identifier bytes + length, modulo 256" << -1 << 0;
        QTest::newRow("sum in byte 3 of 8")
            << "sum_middle" << 31 << 8 << "sum of bytes 0-2 + identifier bytes + 4, modulo 256"
            << -1 << 0;
        QTest::newRow("nibble sum beside a counter")
            << "nibble_counter" << 59 << 4
            << "sum of the frame's other nibbles + identifier nibbles, modulo 16" << 63 << 4;
        // Like a byte XOR, any nibble is the XOR of the others: the first one
        // of the last byte is taken.
        QTest::newRow("nibble XOR beside a counter")
            << "nibble_xor" << 59 << 4 << "XOR of the frame's other nibbles ^ identifier nibbles"
            << 63 << 4;
        QTest::newRow("nibble sum in the high nibble")
            << "nibble_high" << 63 << 4
            << "sum of the frame's other nibbles + identifier nibbles, modulo 16" << 59 << 4;
        QTest::newRow("CRC 0x03, the first generator")
            << "crc_03_last" << 63 << 8 << "CRC-8 poly 0x03 init 0x00 xorout 0x00 over bytes 0-6"
            << -1 << 0;
        QTest::newRow("CRC 0xFF, the last generator")
            << "crc_ff_last" << 63 << 8 << "CRC-8 poly 0xFF init 0x00 xorout 0x00 over bytes 0-6"
            << -1 << 0;
        QTest::newRow("CRC 0x1D at byte 0")
            << "crc_1d_first" << 7 << 8 << "CRC-8 poly 0x1D init 0xFF xorout 0xFF over bytes 1-7"
            << -1 << 0;
        QTest::newRow("CRC 0x2F") << "crc_2f_last" << 63 << 8
                                  << "CRC-8 poly 0x2F init 0xFF xorout 0xFF over bytes 0-6" << -1
                                  << 0;
        QTest::newRow("CRC 0x07") << "crc_07_last" << 63 << 8
                                  << "CRC-8 poly 0x07 init 0x00 xorout 0x00 over bytes 0-6" << -1
                                  << 0;
        QTest::newRow("CRC 0x31 reflected")
            << "crc_31_reflected" << 63 << 8
            << "CRC-8 poly 0x31 reflected init 0x00 xorout 0x00 over bytes 0-6" << -1 << 0;
        QTest::newRow("CRC 0x2F, init 0xFF alone")
            << "crc_2f_init_ff" << 63 << 8 << "CRC-8 poly 0x2F init 0xFF xorout 0x00 over bytes 0-6"
            << -1 << 0;
        QTest::newRow("CRC 0x2F, other xorout")
            << "crc_2f_xorout" << 63 << 8 << "CRC-8 poly 0x2F init 0x00 xorout 0x5A over bytes 0-6"
            << -1 << 0;
        QTest::newRow("CRC over the identifier")
            << "crc_1d_identifier" << 63 << 8
            << "CRC-8 poly 0x1D init 0xFF xorout 0xFF over identifier bytes, bytes 0-6" << -1 << 0;
        // Several lengths tell the start from the final XOR.
        QTest::newRow("CRC, lengths 2 to 8")
            << "crc_1d_lengths" << 7 << 8 << "CRC-8 poly 0x1D init 0xFF xorout 0x00 over bytes 1-7"
            << -1 << 0;
        QTest::newRow("8 distinct frames: enough for a byte")
            << "sum_8_distinct" << 63 << 8 << "sum of bytes 0-6, modulo 256" << -1 << 0;
        QTest::newRow("9 distinct frames: enough for a nibble")
            << "nibble_9_distinct" << 59 << 4
            << "sum of the frame's other nibbles + identifier nibbles, modulo 16" << -1 << 0;
        // A frame whose only moving content is its counter: a sum of it moves
        // as a copy of the counter plus a constant, and says so.
        const QString onlyCounter =
            QStringLiteral(", or a copy of the counter: nothing else it covers moved in this log");
        QTest::newRow("sum at byte 0, only a counter in byte 1 moving")
            << "only_counter_sum_first" << 7 << 8
            << "sum of bytes 1-7 + identifier bytes, modulo 256" + onlyCounter << 11 << 4;
        QTest::newRow("sum at byte 7, only a counter in byte 6's high nibble moving")
            << "only_counter_sum_last" << 63 << 8 << "sum of bytes 0-6, modulo 256" + onlyCounter
            << 55 << 4;
        // A two-bit counter's cycle, four distinct frames, is the least that
        // shows one.
        QTest::newRow("nibble sum beside a two-bit counter, 4 distinct frames")
            << "only_two_bit_counter" << 59 << 4
            << "negated sum of the frame's other nibbles + identifier nibbles + length, modulo 16" +
                   onlyCounter
            << 61 << 2;
        QTest::newRow("a copy of the only counter reads alike")
            << "copy_of_counter" << 63 << 8 << "sum of bytes 0-6 + 0xF2, modulo 256" + onlyCounter
            << 15 << 8;
        // A CRC and then a data ID per counter value, the IDs from 0x00 to 0xFF:
        // named once seven independent differences held.
        const QString ids = QStringLiteral(" (0 to 15): 0x00 0xFF 0x01 0x80 0x7F 0xFE 0x35 0xC3 "
                                           "0x10 0xA5 0x5A 0x42 0x99 0x0F 0xF0 0x66");
        QTest::newRow("CRC 0x2F and a data ID per count, the rest moving")
            << "crc_data_id_moving" << 7 << 8
            << "CRC-8 poly 0x2F init 0xFF xorout 0xFF over bytes 1-7, then a data ID per value of "
               "bits 8-11" +
                   ids
            << -1 << 0;
        QTest::newRow("CRC 0x1D at byte 7, the count in the top nibble of byte 6")
            << "crc_data_id_high" << 63 << 8
            << "CRC-8 poly 0x1D init 0xFF xorout 0xFF over bytes 0-6, then a data ID per value of "
               "bits 52-55" +
                   ids
            << -1 << 0;
        QTest::newRow("a data ID per count, 7 single bits moving beside the counter")
            << "crc_data_id_7_directions" << 7 << 8
            << "CRC-8 poly 0x2F init 0xFF xorout 0xFF over bytes 1-7, then a data ID per value of "
               "bits 8-11" +
                   ids
            << 11 << 4;
    }

    // The checksum is one field of kind checksum with its algorithm, in the
    // text, the database comment and nowhere among a reference's candidates.
    void families() {
        QFETCH(QString, log);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(QString, algorithm);
        QFETCH(int, counterTop);
        QFETCH(int, counterWidth);
        const DiscoveryResult result = DiscoverLog(log);
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
            const DiscoveredField* counter =
                FieldWith(identifier, BitsFrom(counterTop, counterWidth));
            QVERIFY2(counter, "the counter beside the checksum was not cut apart");
            QCOMPARE(counter->kind, FieldKind::Counter);
            // Where the checksum begins is known: the counter's edge is clear.
            QCOMPARE(counter->confidence, 1.0);
        }
        const DiscoveryCandidates candidates = CandidatesOf(result, false);
        for (const DbcSignal& signal : candidates.dbcSignals)
            QVERIFY(signal.name != f->signal.name);
    }

    void noFamily_data() {
        QTest::addColumn<QString>("log");
        // Whether byte 7 still scatters as a checksum: 1 it must, 0 it must
        // not, -1 either.
        QTest::addColumn<int>("scatters");
        QTest::newRow("random byte") << "random" << 1;
        QTest::newRow("slowly changing byte") << "slow" << 0;
        QTest::newRow("7 distinct frames: too few for a byte") << "sum_7_distinct" << -1;
        QTest::newRow("8 distinct frames: too few for a nibble") << "nibble_8_distinct" << -1;
        // Beside a counter, once something else moved, chance decides again:
        // a button held once gives eight distinct frames, one short.
        QTest::newRow("a counter and a button pressed once") << "counter_pressed_once" << 0;
        QTest::newRow("a counter's 3 frames: its cycle not yet shown")
            << "only_counter_3_frames" << 0;
        QTest::newRow("0, 1, 2 again and again: no counter") << "counting_to_two" << 0;
        QTest::newRow("the copy of a slow value") << "copy_of_slow_value" << 0;
        QTest::newRow("a data ID per count, 6 single bits moving: one direction short")
            << "crc_data_id_6_directions" << -1;
    }

    // No algorithm is named; a random byte stays a statistical checksum
    // that says so, a creeping byte is never one.
    void noFamily() {
        QFETCH(QString, log);
        QFETCH(int, scatters);
        const DiscoveryResult result = DiscoverLog(log);
        QCOMPARE(result.identifiers.size(), 1);
        bool scattered = false;
        for (const DiscoveredField& f : result.identifiers.first().fields) {
            QVERIFY(f.algorithm.isEmpty());
            if (f.bits.contains(63) && f.kind == FieldKind::Checksum) {
                scattered = true;
                QVERIFY(f.signal.comment.contains(QStringLiteral("no algorithm found")));
            }
        }
        if (scatters >= 0)
            QCOMPARE(scattered, scatters == 1);
    }

    void cycleWithCounter_data() {
        QTest::addColumn<QString>("log");
        QTest::addColumn<int>("top");   // the unit's most significant bit
        QTest::addColumn<int>("width"); // 8 or 4
        // "cycle": a checksum that changes with the counter; "scatter": one
        // whose values scatter; "none": no checksum; "any": either checksum.
        QTest::addColumn<QString>("reading");
        QTest::addColumn<int>("counterTop"); // -1: no counter to cut apart
        QTest::addColumn<int>("counterWidth");

        QTest::newRow("a CRC with a data ID per count, nothing else moving")
            << "crc_data_id" << 7 << 8 << "cycle" << 11 << 4;
        QTest::newRow("the same at byte 7") << "crc_data_id_last" << 63 << 8 << "cycle" << 11 << 4;
        QTest::newRow("an unknown nibble beside a two-bit counter")
            << "unknown_nibble_counter" << 59 << 4 << "cycle" << 61 << 2;
        QTest::newRow("a flag moved too: the byte's values decide")
            << "crc_data_id_flag" << 7 << 8 << "scatter" << 11 << 4;
        // 32 distinct frames are more than are kept to show a cycle.
        QTest::newRow("a 5-bit counter") << "crc_data_id_5_bits" << 7 << 8 << "scatter" << 12 << 5;
        QTest::newRow("a state of two values that changes with the count")
            << "state_with_counter" << 7 << 8 << "none" << 11 << 4;
        QTest::newRow("a Gray code is no counter")
            << "crc_data_id_gray" << 7 << 8 << "any" << -1 << 0;
    }

    // A byte or nibble no family explains, in a frame whose only other moving
    // content is a counter, is a checksum that says why, cut apart from the
    // counter; once anything else moves, its values decide as anywhere.
    void cycleWithCounter() {
        QFETCH(QString, log);
        QFETCH(int, top);
        QFETCH(int, width);
        QFETCH(QString, reading);
        QFETCH(int, counterTop);
        QFETCH(int, counterWidth);
        const DiscoveryResult result = DiscoverLog(log);
        QCOMPARE(result.identifiers.size(), 1);
        const DiscoveredIdentifier& identifier = result.identifiers.first();
        const QString note = QStringLiteral("it changes with the counter, and nothing else in the "
                                            "frame moved");
        for (const DiscoveredField& f : identifier.fields) {
            QVERIFY(f.algorithm.isEmpty());
            if (reading != u"cycle")
                QVERIFY(f.checksumNote.isEmpty());
        }
        const DiscoveredField* f = FieldWith(identifier, BitsFrom(top, width));
        if (reading == u"none") {
            QVERIFY(!f || f->kind != FieldKind::Checksum);
        } else if (reading != u"any") {
            QVERIFY2(f, "no field on the unit's bits");
            QCOMPARE(f->kind, FieldKind::Checksum);
            QCOMPARE(f->checksumNote, reading == u"cycle" ? note : QString());
            if (reading == u"cycle") {
                QCOMPARE(f->confidence, 0.5);
                QVERIFY(f->signal.comment.contains(
                    QStringLiteral("checksum (no algorithm found: ") + note + u')'));
            }
        }
        if (counterTop >= 0) {
            const DiscoveredField* counter =
                FieldWith(identifier, BitsFrom(counterTop, counterWidth));
            QVERIFY2(counter, "the counter was not cut apart");
            QCOMPARE(counter->kind, FieldKind::Counter);
        }
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
        QVERIFY(!finder.result(IdentifierBits{}));
    }
    // Random traffic beside a planted checksum (a family the finder knows,
    // or one over fewer bytes than it names): frames repeated, a few bytes
    // changed with the checksum made again, one byte changed alone, the
    // length switched with the bytes before kept. Whatever the finder skips
    // to be quick, the sums and XORs it keeps are those that held on every
    // frame, checked the plain way.
    void familiesLeftAreThoseThatHeldEverywhere() {
        using F = ChecksumFinder::Family;
        using C = ChecksumFinder::Cover;
        QRandomGenerator random(7);
        for (int trial = 0; trial < 400; ++trial) {
            const bool nibble = random.bounded(3) == 0;
            const int lengths[] = {8, 7, int(random.bounded(1, 9))};
            PlainFamily planted{nibble, int(random.bounded(nibble ? 16 : 8)), F(random.bounded(3)),
                                nibble ? C::Others : C(random.bounded(3))};
            if (!nibble && planted.cover == C::Before)
                planted.place = std::max(planted.place, 1);
            if (!nibble && planted.cover == C::After)
                planted.place = std::min(planted.place, 6);
            // One in three leaves the frame's last byte out of what it covers.
            const bool partial = random.bounded(3) == 0;
            const auto seal = [&](std::vector<int>& bytes, int length) {
                const int shown = partial && length > 1 ? length - 1 : length;
                int check = 0, sum = 0, x = 0;
                if (!planted.read(bytes, shown, &check, &sum, &x))
                    return;
                const int value = planted.sealed(sum, x);
                int& byte = bytes[std::size_t(nibble ? planted.place / 2 : planted.place)];
                if (!nibble)
                    byte = value;
                else if (planted.place % 2)
                    byte = (byte & 0xF) | value << 4;
                else
                    byte = (byte & 0xF0) | value;
            };
            std::vector<std::pair<std::vector<int>, int>> frames;
            std::vector<int> bytes(8);
            int length = lengths[0];
            ChecksumFinder finder({0x123, false});
            for (int k = 0; k < 60; ++k) {
                const int event = int(random.bounded(5));
                if (event == 1 || event == 2) { // a few bytes, checksum made again
                    for (int n = int(random.bounded(1, 4)); n > 0; --n)
                        bytes[random.bounded(8)] = int(random.bounded(256));
                    seal(bytes, length);
                } else if (event == 3) { // one byte alone, the last one as often as any
                    const int b = random.bounded(2) ? length - 1 : int(random.bounded(8));
                    bytes[std::size_t(std::max(b, 0))] = int(random.bounded(256));
                } else if (event == 4) { // another length, the bytes before it kept
                    length = lengths[random.bounded(3)];
                    if (random.bounded(2))
                        seal(bytes, length);
                }
                std::vector<int> carried(8, 0);
                std::uint64_t data = 0;
                for (int b = 0; b < length; ++b) {
                    carried[std::size_t(b)] = bytes[std::size_t(b)];
                    data |= std::uint64_t(bytes[std::size_t(b)]) << (8 * b);
                }
                frames.emplace_back(carried, length);
                finder.add(data, length);
            }
            std::set<PlainFamily> expected, kept;
            for (const bool n : {false, true})
                for (int place = 0; place < (n ? 16 : 8); ++place)
                    for (const F family : {F::Sum, F::Xor, F::NegatedSum})
                        for (const C cover : {C::Before, C::After, C::Others}) {
                            if ((n && cover != C::Others) || (cover == C::Before && place == 0) ||
                                (cover == C::After && place == 7))
                                continue;
                            const PlainFamily f{n, place, family, cover};
                            if (f.holdsOnEvery(frames))
                                expected.insert(f);
                        }
            for (const ChecksumFinder::Candidate& c : finder.candidates())
                if (c.family != F::Crc)
                    kept.insert({c.nibble, c.place, c.family, c.cover});
            QVERIFY2(kept == expected, qPrintable(QStringLiteral("trial %1: %2 kept, %3 held")
                                                      .arg(trial)
                                                      .arg(kept.size())
                                                      .arg(expected.size())));
        }
    }

    // A CRC planted in one byte, over the bytes before it, after it or all
    // the others, in frames of one length: bytes changed on one side of it
    // only (so some places' search is over long before others'), the
    // checksum byte changed alone now and then, frames repeated. Every CRC
    // the finder keeps holds on every frame, checked the plain way, and the
    // planted one is kept exactly when it held and its bytes ever moved.
    void crcsLeftAreThoseThatHeldEverywhere() {
        using C = ChecksumFinder::Cover;
        struct Generator {
            int poly;
            bool reflected;
        };
        const Generator generators[] = {{0x1D, false}, {0x2F, false}, {0x07, false},
                                        {0x31, true},  {0x03, false}, {0xFF, true}};
        QRandomGenerator random(11);
        for (int trial = 0; trial < 300; ++trial) {
            const int length = int(random.bounded(2, 9));
            const C cover = C(random.bounded(3));
            const int place = cover == C::Before  ? int(random.bounded(1, length))
                              : cover == C::After ? int(random.bounded(0, length - 1))
                                                  : int(random.bounded(length));
            const Generator g = generators[random.bounded(6)];
            const int init = int(random.bounded(256));
            // The bytes a cover takes, worked out here rather than asked of the finder.
            const auto coverOf = [&](int at, C side) {
                unsigned mask = 0;
                for (int b = 0; b < length; ++b)
                    if (side == C::Before ? b < at : side == C::After ? b > at : b != at)
                        mask |= 1u << b;
                return mask;
            };
            const unsigned covered = coverOf(place, cover);
            const auto crcOver = [&](const std::vector<int>& bytes, unsigned mask, int poly,
                                     bool reflected, int start) {
                std::uint8_t units[8];
                int count = 0;
                for (int b = 0; b < length; ++b)
                    if (mask & (1u << b))
                        units[count++] = std::uint8_t(bytes[std::size_t(b)]);
                return int(Crc8(std::uint8_t(poly), reflected, units, count, std::uint8_t(start)));
            };
            std::vector<std::vector<int>> frames;
            std::vector<int> bytes(static_cast<std::size_t>(length));
            for (int& b : bytes)
                b = int(random.bounded(256));
            bytes[std::size_t(place)] = crcOver(bytes, covered, g.poly, g.reflected, init);
            ChecksumFinder finder({0x123, false});
            for (int k = 0; k < 40; ++k) {
                if (k > 0) {
                    const int event = int(random.bounded(6));
                    if (event == 0) { // the checksum byte alone
                        bytes[std::size_t(place)] ^= int(random.bounded(1, 256));
                    } else if (event < 5) { // bytes below, above or anywhere, sealed again
                        const int side = int(random.bounded(3));
                        for (int n = int(random.bounded(1, 3)); n > 0; --n) {
                            const int b = side == 0   ? int(random.bounded(place + 1))
                                          : side == 1 ? int(random.bounded(place, length))
                                                      : int(random.bounded(length));
                            if (b != place)
                                bytes[std::size_t(b)] = int(random.bounded(256));
                        }
                        bytes[std::size_t(place)] =
                            crcOver(bytes, covered, g.poly, g.reflected, init);
                    }
                }
                frames.push_back(bytes);
                std::uint64_t data = 0;
                for (int b = 0; b < length; ++b)
                    data |= std::uint64_t(bytes[std::size_t(b)]) << (8 * b);
                finder.add(data, length);
            }
            const auto heldOnEvery = [&](int at, C side, int poly, bool reflected) {
                const unsigned mask = coverOf(at, side);
                const int constant = frames.front()[std::size_t(at)] ^
                                     crcOver(frames.front(), mask, poly, reflected, 0);
                for (const std::vector<int>& f : frames)
                    if ((f[std::size_t(at)] ^ crcOver(f, mask, poly, reflected, 0)) != constant)
                        return false;
                return true;
            };
            bool plantedKept = false;
            for (const ChecksumFinder::Candidate& c : finder.candidates()) {
                if (c.family != ChecksumFinder::Family::Crc)
                    continue;
                QVERIFY2(heldOnEvery(c.place, c.cover, c.poly, c.reflected),
                         qPrintable(QStringLiteral("trial %1: CRC 0x%2 at byte %3 kept")
                                        .arg(trial)
                                        .arg(c.poly, 2, 16, QLatin1Char('0'))
                                        .arg(c.place)));
                plantedKept |= c.place == place && c.cover == cover && c.poly == g.poly &&
                               c.reflected == g.reflected;
            }
            bool moved = false;
            for (const std::vector<int>& f : frames)
                for (int b = 0; b < length; ++b)
                    moved |= (covered & (1u << b)) &&
                             f[std::size_t(b)] != frames.front()[std::size_t(b)];
            QCOMPARE(plantedKept, moved && heldOnEvery(place, cover, g.poly, g.reflected));
        }
    }

    // A CRC and then a data ID per counter value, planted with any start,
    // final XOR and generator at any place and cover, chosen by a counting
    // nibble anywhere in the covered bytes: the algorithm named reproduces
    // every frame when its data IDs are read back and the CRC is worked bit
    // by bit. A single covered byte leaves four bits beside the counter,
    // fewer directions than a name needs.
    void dataIdNameReproducesEveryFrame() {
        using C = ChecksumFinder::Cover;
        const auto crc = [](int poly, bool reflected, int init, int xorout,
                            const std::vector<int>& bytes) {
            int rpoly = 0;
            for (int i = 0; i < 8; ++i)
                rpoly |= ((poly >> i) & 1) << (7 - i);
            int reg = init;
            for (const int b : bytes) {
                reg ^= b;
                for (int i = 0; i < 8; ++i)
                    reg = reflected    ? (reg & 1 ? (reg >> 1) ^ rpoly : reg >> 1)
                          : reg & 0x80 ? ((reg << 1) ^ poly) & 0xFF
                                       : (reg << 1) & 0xFF;
            }
            return reg ^ xorout;
        };
        const QRegularExpression named(
            QStringLiteral(R"(^CRC-8 poly 0x([0-9A-F]{2})( reflected)? init 0xFF xorout 0xFF )"
                           R"(over bytes? ([-, 0-9]+), then a data ID per value of bits (\d+)-\d+ )"
                           R"(\(0 to 15\): )"
                           R"(((?:0x[0-9A-F]{2} ?){16})$)"));
        QRandomGenerator random(13);
        for (int trial = 0; trial < 40; ++trial) {
            // Every third trial counts in the frame's last nibble, bits 60-63.
            const bool last = trial % 3 == 1;
            const int length = last ? 8 : int(random.bounded(3, 9));
            const C cover = last ? C::Others : C(random.bounded(3));
            const int place = last                 ? int(random.bounded(7))
                              : cover == C::Before ? int(random.bounded(1, length))
                              : cover == C::After  ? int(random.bounded(0, length - 1))
                                                   : int(random.bounded(length));
            std::vector<int> covered; // byte numbers, in the CRC's order
            for (int b = 0; b < length; ++b)
                if (cover == C::Before ? b < place : cover == C::After ? b > place : b != place)
                    covered.push_back(b);
            // The lowest nibble, the highest, or any of the covered bytes'.
            const int nibbles = 2 * int(covered.size());
            const int pick = trial % 3 == 0 ? 0 : last ? nibbles - 1 : int(random.bounded(nibbles));
            const int selector = 2 * covered[std::size_t(pick / 2)] + pick % 2;
            const int poly = 2 * int(random.bounded(1, 128)) + 1;
            const bool reflected = random.bounded(2);
            const int init = int(random.bounded(256)), xorout = int(random.bounded(256));
            std::array<int, 16> ids{};
            for (int& id : ids)
                id = int(random.bounded(256));
            ids.front() = 0x00;
            ids.back() = 0xFF;
            const auto valueOf = [&](const std::vector<int>& f) {
                return (f[std::size_t(selector / 2)] >> (4 * (selector % 2))) & 0xF;
            };
            const auto over = [&](const std::vector<int>& f, int id) {
                std::vector<int> bytes;
                for (const int b : covered)
                    bytes.push_back(f[std::size_t(b)]);
                bytes.push_back(id);
                return bytes;
            };
            std::vector<std::vector<int>> frames;
            ChecksumFinder finder({0x123, false});
            for (int k = 0; k < 120; ++k) {
                std::vector<int> f(static_cast<std::size_t>(length));
                for (int& b : f)
                    b = int(random.bounded(256));
                int& counted = f[std::size_t(selector / 2)];
                counted =
                    selector % 2 ? (counted & 0x0F) | (k % 16) << 4 : (counted & 0xF0) | k % 16;
                f[std::size_t(place)] =
                    crc(poly, reflected, init, xorout, over(f, ids[std::size_t(k % 16)]));
                frames.push_back(f);
                std::uint64_t data = 0;
                for (int b = 0; b < length; ++b)
                    data |= std::uint64_t(f[std::size_t(b)]) << (8 * b);
                finder.add(data, length);
            }
            const QString what = QStringLiteral("trial %1: poly 0x%2 at byte %3, bits %4")
                                     .arg(trial)
                                     .arg(poly, 2, 16, QLatin1Char('0'))
                                     .arg(place)
                                     .arg(4 * selector);
            const std::optional<ChecksumFound> found = finder.result(IdentifierBits{});
            const QRegularExpressionMatch m =
                found ? named.match(found->algorithm) : QRegularExpressionMatch();
            if (covered.size() == 1) {
                QVERIFY2(!m.hasMatch(), qPrintable(what));
                continue;
            }
            QVERIFY2(m.hasMatch(), qPrintable(what + QStringLiteral(": ") +
                                              (found ? found->algorithm : QStringLiteral("none"))));
            // Some generators let another byte seal the rest as well: the byte
            // and bytes named must reproduce every frame, whichever they are.
            const int sealed = int(found->bits.first()) / 8;
            QVERIFY(found->bits == BitsFrom(8 * sealed + 7, 8));
            std::vector<int> read; // the bytes named, in order
            for (const QString& run : m.captured(3).split(QStringLiteral(", "))) {
                const QStringList ends = run.split(u'-');
                for (int b = ends.first().toInt(); b <= ends.last().toInt(); ++b)
                    read.push_back(b);
            }
            QCOMPARE(m.captured(4).toInt(), 4 * selector);
            const QStringList readIds = m.captured(5).split(u' ', Qt::SkipEmptyParts);
            for (const std::vector<int>& f : frames) {
                std::vector<int> bytes;
                for (const int b : read)
                    bytes.push_back(f[std::size_t(b)]);
                bytes.push_back(readIds[valueOf(f)].toInt(nullptr, 16));
                QVERIFY2(f[std::size_t(sealed)] == crc(m.captured(1).toInt(nullptr, 16),
                                                       m.hasCaptured(2), 0xFF, 0xFF, bytes),
                         qPrintable(what + found->algorithm));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestChecksum)
#include "tst_checksum.moc"

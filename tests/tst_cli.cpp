// The real can-adapter-cli on good and bad input: exit status, a message that
// names the problem, and never an output file from a failed run.
#include "BusOrderLog.h"
#include "CliRun.h"
#include "Fixtures.h"
#include "VarsFileWriter.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "dbc/CanDatabase.h"
#include "dbc/VariableProposals.h"
#include "image/ConfigImage.h"
#include "output/IntelHex.h"

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <tuple>

namespace {

const QString StartupCcf = QStringLiteral(CAC_EXAMPLES_DIR "/startup.ccf");
const QString ChecksCcf = QStringLiteral(CAC_EXAMPLES_DIR "/checks-demo.ccf");
const QString EngineDemoCcf = QStringLiteral(CAC_EXAMPLES_DIR "/engine-demo.ccf");
const QString DemoDbc = QStringLiteral(CAC_EXAMPLES_DIR "/demo-vehicle.dbc");
const QString LayoutCcf = QStringLiteral(CAC_EXAMPLES_DIR "/layout-demo.ccf");

// A UNIX socket: it exists and is not a folder, but nobody, root included,
// can open it as a file.
bool MakeSocket(const QString& path) {
    const QByteArray name = QFile::encodeName(path);
    sockaddr_un address{};
    if (name.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, name.constData(), static_cast<size_t>(name.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    const bool bound =
        fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return bound;
}

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// 30 s of three frames every 10 ms, as candump -l lines. 0x2B0's byte 0
// takes `pages` in a shuffled order (with `hold`, each in turn for `hold`
// frames in a row), each page its own 16-bit value in bytes 2 and 3 (with
// `shared`, every page the first page's); the first page's moves only from
// 10 s to 20 s. 0x300 and 0x301
// carry fields of the edge lengths: 32 bits unsigned and signed, 8 and 16
// bits unsigned and signed, a flag at bit 48.
QByteArray PagedLog(const QList<int>& pages, int hold = 0, bool shared = false) {
    QRandomGenerator random(1);
    QList<int> order;
    QByteArray log;
    const auto line = [&](double time, const char* id, const QByteArray& data) {
        log += '(' + QByteArray::number(time, 'f', 6) + ") can0 " + id + '#' +
               data.toHex().toUpper() + '\n';
    };
    const auto little = [](qint64 value, int bytes) {
        QByteArray out;
        for (int k = 0; k < bytes; ++k)
            out += char((value >> (8 * k)) & 0xFF);
        return out;
    };
    for (int i = 0; i < 3000; ++i) {
        const double t = i * 0.01;
        if (i % pages.size() == 0) {
            order = pages;
            for (qsizetype k = order.size() - 1; k > 0; --k)
                order.swapItemsAt(k, random.bounded(int(k) + 1));
        }
        const int page = hold > 0 ? pages[i / hold % pages.size()] : order[i % pages.size()];
        const int k = shared ? 0 : int(pages.indexOf(page));
        const int value = k == 0 ? int(30000 - 25000 * std::cos(std::clamp(t - 10, 0.0, 10.0) / 10 *
                                                                3.141592653589793))
                                 : int(k * 6000 + 2500 + 2000 * std::sin(t / (3 + k)));
        line(t, "2B0", char(page) + QByteArray(1, 0) + little(value, 2) + QByteArray(4, 0));
        line(t + 0.001, "300",
             little(qint64(2147483648.0 + 0.9 * 2147483648.0 * std::sin(t / 7)), 4) +
                 little(qint64(0.9 * 2147483648.0 * std::sin(t / 5 + 1)), 4));
        line(t + 0.002, "301",
             little(int(128 + 115 * std::sin(t / 3)), 1) + little(int(115 * std::sin(t / 4)), 1) +
                 little(int(32768 + 30000 * std::sin(t / 6)), 2) +
                 little(int(30000 * std::sin(t / 3)), 2) + little(i / 200 % 2, 1) +
                 QByteArray(1, 0));
    }
    return log;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        cac::tools::VarsFileLayout varsFile;
        varsFile.upperIndexB = 1100;
        varsFile.entries = {{1000, {"OILT", "Oil temp"}}};
        WriteFile(m_catalogue, cac::tools::WriteVarsFile(varsFile));
        // The variables of the examples, in their identifier groups.
        varsFile.upperIndexB = 4100;
        varsFile.entries = {
            {1000, {"OILT", "Oil temp"}},        {1001, {"ECT", "Coolant temp"}},
            {1500, {"RPM", "Engine speed"}},     {2000, {"TPS", "Throttle position"}},
            {2501, {"LAPT", "Lap time"}},        {3500, {"MAP", "Manifold pressure"}},
            {3502, {"OILP", "Oil pressure"}},    {3503, {"FUELP", "Fuel pressure"}},
            {3504, {"BOOST", "Boost pressure"}}, {4000, {"GEAR", "Gear"}},
            {4010, {"GRATIO", "Gear ratio"}}};
        WriteFile(m_examplesCatalogue, cac::tools::WriteVarsFile(varsFile));
        QCOMPARE(RunCli({"hex", EngineDemoCcf, "--catalogue", m_examplesCatalogue, "-o", m_hex},
                        m_dir.path())
                     .exitCode,
                 0);

        // Saved in OBD mode, channels 1 to 14 in use.
        cac::ConfigModel obd;
        for (int channel = 1; channel < cac::ChannelCount; ++channel)
            obd.setCell(channel, cac::ColCanId, "0x7E8");
        obd.setObdModeEnabled(true);
        QVERIFY(cac::SaveCcfFile(obd, m_obdCcf));
    }

    // hex writes the engine's image (its text is pinned by tst_image). The
    // catalogue is the window's: Vars.cfg in the data folder; without it the
    // demo catalogue beside the program, named on standard error; without
    // that either, no variables after the catalogue message, as the window
    // starts. --obd switches OBD mode on before the image is built.
    void hexIsTheEnginesImage() {
        cac::ConfigModel demo;
        cac::ApplyCcf(demo, ReadAll(EngineDemoCcf));
        const auto image = [&](const QString& catalogue) {
            return cac::IntelHexText(
                cac::BuildConfigImage(demo, cac::LoadVariableDefinitions(catalogue).catalogue));
        };
        const QByteArray fresh = image(QString());
        const QString demoCatalogue = QFileInfo(CAC_CLI_PATH).dir().filePath("DemoVars.cfg");
        const QByteArray withDemo = image(demoCatalogue);
        const QByteArray withOwn = image(m_examplesCatalogue);
        QVERIFY(withDemo != fresh && withDemo != withOwn);
        // A data folder with a catalogue of the user's own; a lone copy of the tool.
        const QString userHome = m_dir.filePath("user");
        QVERIFY(QDir().mkpath(userHome + "/Vorlane"));
        QVERIFY(QFile::copy(m_examplesCatalogue, userHome + "/Vorlane/Vars.cfg"));
        const QString lone = m_dir.filePath("lone/can-adapter-cli");
        QVERIFY(QDir().mkpath(QFileInfo(lone).path()));
        QVERIFY(QFile::copy(CAC_CLI_PATH, lone));
        const QString cli = CAC_CLI_PATH;
        const std::tuple<QStringList, QString, QString, QByteArray, QByteArray> rows[] = {
            {{"hex", EngineDemoCcf}, userHome, cli, withOwn, ""},
            {{"hex", EngineDemoCcf},
             m_dir.path(),
             cli,
             withDemo,
             "can-adapter-cli: no " + m_dir.filePath("Vorlane/Vars.cfg").toUtf8() +
                 ": using the demo catalogue " + demoCatalogue.toUtf8() + '\n'},
            {{"hex", EngineDemoCcf},
             m_dir.path(),
             lone,
             fresh,
             "can-adapter-cli: " + cac::CatalogueCorruptMessage.toUtf8() + '\n'},
            {{"hex", EngineDemoCcf, "--catalogue", m_examplesCatalogue},
             m_dir.path(),
             cli,
             withOwn,
             ""}};
        for (const auto& [arguments, home, program, hex, err] : rows) {
            const RowName row(arguments.join(' ') + " in " + home + " by " + program);
            const Run run = RunCli(arguments, home, 0, 0, program);
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(run.out, hex);
            QCOMPARE(run.err, err);
        }
        demo.setObdModeEnabled(true);
        const Run obd = RunCli({"hex", EngineDemoCcf, "--obd", "--catalogue", m_examplesCatalogue},
                               m_dir.path());
        QCOMPARE(obd.out, image(m_examplesCatalogue));

        // The same bytes through -o, replacing an earlier file.
        const QString out = m_dir.filePath("TempConfig.hex");
        WriteFile(out, "earlier");
        const Run toFile =
            RunCli({"hex", StartupCcf, "--catalogue", m_catalogue, "-o", out}, m_dir.path());
        QCOMPARE(toFile.exitCode, 0);
        QCOMPARE(toFile.out, QByteArray());
        QCOMPARE(ReadAll(out), cac::IntelHexText(cac::BuildConfigImage(cac::ConfigModel(), {})));
    }

    // One row per rule: no command, an unknown one, a missing or extra
    // argument, an unknown option, an option without its value or with a
    // value it takes none of, an empty file name, --obd where it means nothing.
    void usageErrors() {
        // clang-format off
        const QStringList rows[] = {
            {}, {"bin", "a.ccf"}, {"hex"}, {"show", "a", "b"}, {"hex", "a.ccf", "--fast"},
            {"hex", "a.ccf", "-o"}, {"check", "a.ccf", "--strict=1"},
            {"ccf", "a.hex", "-o", ""}, {"show", m_hex, "--obd"},
            {"layout", "a.ccf", "--id", "0x"}, {"layout", "a.ccf", "--id", "-5"},
            {"export-dbc", "a.ccf", "-o", ""}};
        // clang-format on
        for (const QStringList& arguments : rows) {
            const RowName row('[' + arguments.join(' ') + ']');
            const Run run = RunCli(arguments, m_dir.path());
            QCOMPARE(run.exitCode, 2);
            const QString command =
                !arguments.isEmpty() && arguments[0] != "bin" ? arguments[0] : "hex";
            QVERIFY2(run.err.contains("usage: can-adapter-cli " + command.toUtf8()),
                     run.err.constData());
            QCOMPARE(run.out, QByteArray());
        }
    }

    // check, layout, show, ccf and decode: exit status, and the lines a user
    // or script reads; an unreadable log or line is exit 1, naming the line.
    void readingCommands() {
        WriteFile(m_warningsOnly, ReadAll(StartupCcf).replace("|OFF|OFF|\r", "|OFF|9|\r"));
        QByteArray broken = ReadAll(m_hex);
        char& digit = broken[broken.indexOf('\n', broken.indexOf('\n', 20) + 1) - 2];
        digit = digit == '0' ? '1' : '0'; // in line 3's checksum
        WriteFile(m_brokenHex, broken);
        const QString damagedLog = m_dir.filePath("damaged.log");
        WriteFile(damagedLog, "(0.1) can0 280#0000800C\ngarbage\n(0.2) can0 280#0000900C\n");
        const QString notLog = m_dir.filePath("not-a-log.txt");
        WriteFile(notLog, "hello\n");
        const QString datedLog = m_dir.filePath("dated.log");
        WriteFile(datedLog, "(1700000000.000000) can0 280#0000800C\n");
        const QString commentLog = m_dir.filePath("comment.log");
        WriteFile(commentLog, "//\n(1.000000) can0 280#0000800C\n");
        const QString busLog = m_dir.filePath("bus.log");
        WriteFile(busLog, MotorolaBusLog());
        // The Motorola bus beside a second one where 0x200 counts in its
        // first byte.
        const QString twoBusLog = m_dir.filePath("twobus.log");
        QByteArray twoBus = MotorolaBusLog();
        for (int k = 0; k < 500; ++k)
            twoBus += QStringLiteral("(%1) can1 200#%2\n")
                          .arg(k * 0.04 + 0.0005, 0, 'f', 6)
                          .arg(k % 256, 2, 16, QLatin1Char('0'))
                          .toLatin1();
        WriteFile(twoBusLog, twoBus);
        // A frame still but for its counter and a byte that follows it.
        const QString stillLog = m_dir.filePath("still.log");
        QByteArray still;
        for (int k = 0; k < 64; ++k)
            still += QStringLiteral("(%1) can0 3C0#%2%3%4\n")
                         .arg(k * 0.02, 0, 'f', 6)
                         .arg(((k % 16) * 37 + 7) % 256, 2, 16, QLatin1Char('0'))
                         .arg(k % 16, 2, 16, QLatin1Char('0'))
                         .arg(QString(12, QLatin1Char('0')))
                         .toLatin1();
        WriteFile(stillLog, still);
        const QString demoLog = QStringLiteral(CAC_EXAMPLES_DIR "/demo-drive.log");
        const QString obdLog = QStringLiteral(CAC_EXAMPLES_DIR "/discover-demo-obd.log");
        const QString outCcf = m_dir.filePath("discovered.ccf");
        const QString catalogue = "--catalogue=" + m_examplesCatalogue;
        // Arguments, exit status, and what standard output and error must hold.
        // clang-format off
        const std::tuple<QStringList, int, QByteArray, QByteArray> rows[] = {
            {{"check", EngineDemoCcf, catalogue}, 0, "engine-demo.ccf: no findings\n", ""},
            {{"check", ChecksCcf, catalogue}, 3,
             "checks-demo.ccf: channel 4, Start bit: error: start bit 56 and 16 bits reach Byte 10 in this byte order",
             ""},
            {{"check", ChecksCcf, catalogue}, 3, "checks-demo.ccf: 13 errors, 11 warnings, 1 note\n",
             ""},
            // One channel per known order in its frame's last bytes, two that overlap.
            {{"check", LayoutCcf, catalogue}, 0, "layout-demo.ccf: 0 errors, 2 warnings, 0 notes\n", ""},
            {{"check", LayoutCcf, catalogue}, 0,
             "channel 6, Start bit: warning: channel 7 reads Byte 2 bits 7 to 0 of the same frames too [bits-overlap]\n", ""},
            {{"check", LayoutCcf, catalogue}, 0,
             "channel 7, Start bit: warning: channel 6 reads Byte 2 bits 7 to 0 of the same frames too [bits-overlap]\n", ""},
            {{"layout", LayoutCcf, catalogue, "--id", "0x310"}, 0,
             "Frame 0x310, channels 6, 7, 8\n\n"
             "         bit  7  6  5  4  3  2  1  0\n"
             "  Byte 1      6  6  6  6  6  6  6  6   filter (\"Byte 1\") of channel 8\n"
             "  Byte 2     ** ** ** ** ** ** ** **\n"
             "  Byte 3      8  8  8  8  8  8  8  8\n"
             "  Byte 4      .  .  .  .  .  .  .  .\n", ""},
            {{"layout", LayoutCcf, catalogue, "--id", "419361024"}, 0, "Frame 0x18FEF100 (29 bit), channel 4\n", ""},
            {{"layout", LayoutCcf, catalogue, "--id", "0x7FF"}, 1, "", "no channel in use reads identifier 0x7FF"},
            {{"layout", StartupCcf, catalogue}, 0, "startup.ccf: no channel in use\n", ""},
            {{"check", ChecksCcf, catalogue, "--obd"}, 3, "channel 15: warning: OBD mode takes", ""},
            {{"check", m_warningsOnly, catalogue}, 0, "0 errors, 1 warning, 0 notes\n", ""},
            {{"check", m_warningsOnly, catalogue, "--strict"}, 3, "[priority-unlisted]", ""},
            {{"check", EngineDemoCcf}, 0, "engine-demo.ccf: no findings\n", "using the demo catalogue"},
            {{"show", EngineDemoCcf, catalogue}, 0, " 3  Throttle position {TPS}  0x2A0", ""},
            {{"show", m_hex, catalogue}, 0, "configuration image, bit rate 500 kbit, OBD mode off", ""},
            {{"show", m_brokenHex, catalogue}, 1, "", ":3: not a configuration image: checksum"},
            {{"ccf", m_brokenHex, catalogue}, 1, "", ":3: not a configuration image: checksum"},
            {{"ccf", m_hex, "--catalogue", m_catalogue}, 3, "Unknown variable 1500",
             "channel 1, VL message: error: the image feeds variable identifier 1500"},
            {{"decode", EngineDemoCcf, damagedLog, catalogue}, 1,
             "      1  Engine speed {RPM}            2      800      804   804",
             "damaged.log': line 2: not a candump line: 'garbage'"},
            {{"decode", EngineDemoCcf, notLog, catalogue}, 1, "", "not-a-log.txt': not a CAN log this program reads"},
            {{"decode", EngineDemoCcf, damagedLog, catalogue}, 1,
             "log times: relative (seconds from the log's start; it does not say when it began)\n", ""},
            {{"decode", EngineDemoCcf, datedLog, catalogue}, 0,
             "frames no channel takes: 0\nlog times: absolute (seconds since 1970 UTC)\n", ""},
            {{"decode", EngineDemoCcf, commentLog, catalogue}, 1, "      1  Engine speed {RPM}            1",
             "comment.log': line 1: not a candump line: '//'"},
            {{"decode", EngineDemoCcf, demoLog, "--format", "asc", catalogue}, 1, "frames no channel takes: 0\n",
             "demo-drive.log': line 1: neither an event nor a header line: '(0.000000) vcan0 280#0000800C32140002 R'"},
            {{"decode", EngineDemoCcf, demoLog, "--format", "trc", catalogue}, 1, "",
             "demo-drive.log': line 1: unreadable time offset 'vcan0'"},
            {{"decode", EngineDemoCcf, demoLog, "--format", "mf4"}, 2, "", "unknown log format 'mf4'"},
            {{"decode", EngineDemoCcf, m_dir.filePath("missing.log")}, 1, "", "missing.log': no such file"},
            {{"decode", EngineDemoCcf, "/dev/zero"}, 1, "", "'/dev/zero': it is a character device, not a regular file"},
            {{"decode", EngineDemoCcf}, 2, "", "CONFIG.ccf and LOG are needed"},
            // Every command names an empty option the same way: a file's name, or a value.
            {{"decode", EngineDemoCcf, demoLog, "--csv", ""}, 2, "", "--csv needs a file name"},
            {{"decode", EngineDemoCcf, demoLog, "--format", ""}, 2, "", "--format needs a value"},
            {{"discover", demoLog, "--id", ""}, 2, "", "--id needs a value"},
            {{"discover", notLog}, 1, "", "not-a-log.txt': not a CAN log this program reads"},
            {{"discover", m_dir.filePath("missing.log")}, 1, "", "missing.log': no such file"},
            {{"discover", "/dev/zero"}, 1, "", "'/dev/zero': it is a character device, not a regular file"},
            {{"discover", damagedLog}, 1, "0x280 (11 bit): 2 frames",
             "damaged.log': line 2: not a candump line: 'garbage'"},
            {{"discover", demoLog, "--id", "0x4B0"}, 0, "1 identifiers, 10 frames\n", ""},
            {{"discover", demoLog, "--id", "0x280"}, 0,
             "  Counter0x280_60_4          60|4@1+    counter, confidence 1.00", ""},
            {{"discover", demoLog, "--id", "-1"}, 2, "", "--id takes an identifier such as 0x100"},
            // A frame whose crossings leave its order open takes the bus's.
            {{"discover", busLog}, 0, "4 bytes, Motorola byte order as the bus\n", ""},
            {{"discover", busLog}, 0,
             "bus byte order Motorola: 3 of 3 identifiers whose byte crossings decide take it", ""},
            {{"discover", stillLog, "--json"}, 0,
             "\"checksumNote\": \"it changes with the counter, and nothing else in the frame moved\"", ""},
            // Each bus apart: its identifiers by name, its own byte order.
            {{"discover", twoBusLog}, 0, "0x200 on can1 (11 bit): 500 frames", ""},
            {{"discover", twoBusLog}, 0,
             "can0: bus byte order Motorola: 3 of 3 identifiers whose byte crossings decide take "
             "it; it is taken where an identifier's own leave it open\ncan1: bus byte order "
             "undecided",
             ""},
            {{"discover", twoBusLog, "--json"}, 0,
             "\"bus\": \"can1\",\n            \"byteOrder\": \"Intel\",", ""},
            {{"discover", busLog, "--id", "0x200"}, 0,
             "bus byte order undecided: no identifier's byte crossings decide it\n", ""},
            // A field whose top bit never moved says so in its row, and a fit
            // made on one says it is not certain beyond the values seen.
            {{"discover", obdLog, "--id", "0x280"}, 0,
             "16 bits, Intel standard, Unsigned; top bit never moved in this log; read as "
             "unsigned\n",
             ""},
            {{"discover", obdLog, "--reference", "obd"}, 0,
             "     not certain beyond raw 3232 to 27429: top bit never moved in this log; read "
             "as unsigned\n",
             ""},
            {{"discover"}, 2, "", "missing LOG"},
            {{"discover", obdLog, "--hint", "7000..800"}, 2, "", "--hint: "},
            {{"discover", obdLog, "--hint", "fast"}, 2, "", "--hint: "},
            {{"discover", obdLog, "--reference", m_dir.filePath("missing.csv")}, 1, "", "missing.csv"},
            {{"discover", obdLog, "--reference", "obd", "--into", StartupCcf, "-o", outCcf,
              "--channel", "0"}, 2, "", "--channel takes a channel from 1 to 15"},
            {{"discover", obdLog, "--reference", "obd", "--into", StartupCcf, "-o", outCcf,
              "--channel", "16"}, 2, "", "--channel takes a channel from 1 to 15"},
            {{"discover", obdLog, "--reference", "obd", "--into", StartupCcf, "-o", outCcf}, 0,
             "\nOBD 0C Engine RPM [rpm]: value = raw / scale + offset\n"
             "  1. F0x280_16_16               r  1.000  scale 4  offset ", "Engine speed {RPM}"},
            // Three PIDs from channel 15 on do not fit; one reference does.
            {{"discover", obdLog, "--reference", "obd", "--into", StartupCcf, "-o", outCcf,
              "--channel", "15"}, 1, "", "3 matched fields from channel 15 on do not fit"},
            {{"discover", obdLog, "--hint", "-48..207", "--into", StartupCcf, "-o", outCcf,
              "--channel", "15", catalogue}, 0, "hint -48..207:", "channel 15: "},
            {{"discover", obdLog, "--into", StartupCcf, "-o", outCcf}, 2, "", "--into needs --reference"},
            {{"discover", demoLog, "--reference", "obd"}, 0, "", "holds no OBD-II mode 01 answer"}};
        // clang-format on
        for (const auto& [arguments, exit, out, err] : rows) {
            const RowName row(arguments.join(' '));
            const Run run = RunCli(arguments, m_dir.path());
            QCOMPARE(run.exitCode, exit);
            QVERIFY2(run.out.contains(out), run.out.constData());
            QVERIFY2(run.err.contains(err), run.err.constData());
        }

        const Run json = RunCli({"show", m_hex, catalogue, "--json"}, m_dir.path());
        const QJsonObject root = QJsonDocument::fromJson(json.out).object();
        QCOMPARE(root["bitRate"].toString(), QString("500 kbit"));
        QCOMPARE(root["channels"].toArray().size(), 15);
        QCOMPARE(root["channels"][3]["canId"].toString(), QString("0x18FEF100"));
        QCOMPARE(root["channels"][2]["scaleFactor"].toString(), QString("2.55"));
        QCOMPARE(root["obdPriorities"][0]["priority"].toString(), QString("2"));
    }

    // layout draws all 8 bytes: the first channel on bit 63 with its filter
    // on the last byte, the last channel on bit 0.
    void layoutDrawsEveryByte() {
        cac::ConfigModel model;
        SetRow(model, 1,
               "Oil temp {OILT}|11 bit|0x7FF|Byte 8|0xFF|63|1|Unsigned|Intel standard|1|0|0");
        SetRow(model, cac::ChannelCount,
               "Coolant temp {ECT}|11 bit|0x7FF|No Filter|0|0|1|Unsigned|Intel standard|1|0|0");
        const QString ccf = m_dir.filePath("edges.ccf");
        QVERIFY(cac::SaveCcfFile(model, ccf));
        const Run run = RunCli({"layout", ccf, "--catalogue", m_examplesCatalogue}, m_dir.path());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.err, QByteArray());
        QCOMPARE(
            QString::fromUtf8(run.out).split('\n'),
            QString("Frame 0x7FF, channels 1, 15\n"
                    "\n"
                    "         bit  7  6  5  4  3  2  1  0\n"
                    "  Byte 1      .  .  .  .  .  .  . 15\n"
                    "  Byte 2      .  .  .  .  .  .  .  .\n"
                    "  Byte 3      .  .  .  .  .  .  .  .\n"
                    "  Byte 4      .  .  .  .  .  .  .  .\n"
                    "  Byte 5      .  .  .  .  .  .  .  .\n"
                    "  Byte 6      .  .  .  .  .  .  .  .\n"
                    "  Byte 7      .  .  .  .  .  .  .  .\n"
                    "  Byte 8      1  .  .  .  .  .  .  .   filter (\"Byte 8\") of channel 1\n"
                    "\n"
                    "   1  Oil temp {OILT}, start bit 63, 1 bit, Intel standard: msb Byte 8 bit "
                    "7, lsb Byte 8 bit 7; only frames with 0xFF in Byte 8\n"
                    "  15  Coolant temp {ECT}, start bit 0, 1 bit, Intel standard: msb Byte 1 "
                    "bit 0, lsb Byte 1 bit 0\n")
                .split('\n'));
    }

    // decode and discover say why a log was not read in the same words: it
    // could not be opened, or it is no log.
    void logsThatCannotBeRead() {
        const QString missing = m_dir.filePath("missing.log");
        const QString notLog = m_dir.filePath("not-a-log.txt");
        WriteFile(notLog, "hello\n");
        const QString catalogue = "--catalogue=" + m_examplesCatalogue;
        const std::pair<QString, QString> logs[] = {
            {missing, "cannot read '" + missing + "': no such file"},
            {notLog, "'" + notLog +
                         "': not a CAN log this program reads (candump -l, Vector ASC or BLF, "
                         "PEAK TRC, SavvyCAN CSV)"}};
        for (const auto& [log, message] : logs) {
            for (const QStringList& arguments :
                 {QStringList{"decode", EngineDemoCcf, log, catalogue},
                  QStringList{"discover", log}}) {
                const RowName row(arguments.join(' '));
                const Run run = RunCli(arguments, m_dir.path());
                QCOMPARE(run.exitCode, 1);
                QCOMPARE(run.out, QByteArray());
                QCOMPARE(QString::fromUtf8(run.err), "can-adapter-cli: " + message + '\n');
            }
        }
    }

    // decode counts the CAN FD frames it skipped, from the first one on.
    void decodeCountsFdFrames() {
        for (const int fd : {0, 1, 2}) {
            const RowName row(QString::number(fd));
            QByteArray log = "(0.100000) can0 280#0000800C32140002\n";
            for (int k = 0; k < fd; ++k)
                log += "(0.200000) can0 123##1112233\n";
            const QString path = m_dir.filePath(QStringLiteral("fd%1.log").arg(fd));
            WriteFile(path, log);
            const Run run = RunCli(
                {"decode", EngineDemoCcf, path, "--catalogue", m_examplesCatalogue}, m_dir.path());
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(run.err, QByteArray());
            QVERIFY2(
                run.out.contains("\nframes no channel takes: 0\n" +
                                 (fd > 0 ? "CAN FD frames skipped: " + QByteArray::number(fd) + '\n'
                                         : QByteArray()) +
                                 "log times: relative"),
                run.out.constData());
        }
    }

    // discover names the demo's OBD quantities: read back by canmatrix, each
    // OBD_ signal sits where the demo database puts the quantity, its factor
    // within 1 % and its offset within one step; the channels filled from the
    // same matches carry the catalogue's variable and the same conversion.
    // Marks and time windows on logs python-can wrote from marks.dbc: the
    // brake switch pressed at three marks ranks first and fills a channel
    // as the bit itself; a brake light changing with it in another frame
    // leaves the marks undecided, so --into fills nothing and --dbc names
    // neither; the accelerator pressed in two windows ranks first for the
    // hint; marks outside the log and no marks at all say why.
    void discoverMarksAndWindows() {
        QProcess python;
        python.start(CAC_PYTHON3, {CAC_DISCOVER_SOURCE_DIR "/make_marks_logs.py", m_dir.path()});
        QVERIFY(python.waitForFinished(120000));
        QCOMPARE(python.exitCode(), 0);
        const QString log = m_dir.filePath("marks.log"), tie = m_dir.filePath("marks-tie.log");
        const QString outCcf = m_dir.filePath("marks.ccf"), dbc = m_dir.filePath("marks.dbc");
        const QString catalogue = "--catalogue=" + m_examplesCatalogue;
        const QString marks = "12.1,25.3,40.8";
        const QString how = "type a time in seconds, optionally =label (12.1,15.3,20.8=brake)";
        const QString undecided = "Flag0x1A0_8_1 and Flag0x3B0_0_1 change alike at the marks: the "
                                  "evidence cannot tell them apart";
        struct Row {
            QStringList arguments;
            int exit;
            QString out, err;
        };
        // clang-format off
        const Row rows[] = {
            {{"discover", log, "--marks", marks}, 0,
             "\nmarks 12.1,25.3,40.8: value = raw / scale + offset\n"
             "  1. Flag0x1A0_8_1              mark score 1.000  scale 1  offset 0  (changes at 3 "
             "of 3 marks, 0 time(s) elsewhere)\n  2. ", ""},
            {{"discover", log, "--marks", marks, "--into", StartupCcf, "-o", outCcf, "--channel",
              "3", catalogue}, 0, "", "channel 3: Flag0x1A0_8_1 for marks 12.1,25.3,40.8\n"},
            {{"discover", tie, "--marks", marks}, 0, "\n  undecided: " + undecided + "\n", ""},
            {{"discover", tie, "--marks", marks, "--into", StartupCcf, "-o", outCcf, catalogue}, 1,
             "", "marks 12.1,25.3,40.8: " + undecided + ": no channel filled\n"},
            {{"discover", log, "--hint", "0..100@12..15,30..33"}, 0,
             "\nhint 0..100@12..15,30..33: value = raw / scale + offset\n"
             "  1. F0x2C0_0_8                 hint score 0.998  scale 2.5  offset 0  (100 % of "
             "its movement in the windows, 100 % of its range in each; 16 or more raw values; "
             "offset 0)\n", ""},
            {{"discover", log, "--hint=-200..200"}, 0,
             "  1. F0x2C0_40_16               hint score 0.997  scale 9  offset 0  ", ""},
            {{"discover", log, "--marks", "70"}, 0,
             "\nmarks 70: no match: mark 70 s is after the log's end: mark times within 0.001 to "
             "60.003 s\n", ""},
            {{"discover", log, "--marks", "0,12"}, 0,
             "\nmarks 0,12: no match: mark 0 s is before the log's start: mark times within 0.001 "
             "to 60.003 s\n", ""},
            {{"discover", log, "--marks", "soon"}, 2, "", "--marks: \"soon\" is no mark: " + how},
            {{"discover", log, "--marks", " "}, 2, "",
             "--marks: no marks: type the times you marked in seconds, separated by commas "
             "(12.1,15.3,20.8=brake)"},
            {{"discover", log, "--into", StartupCcf, "-o", outCcf}, 2, "",
             "--into needs --reference, --hint or --marks"}};
        // clang-format on
        for (const Row& r : rows) {
            const RowName row(r.arguments.join(' '));
            const Run run = RunCli(r.arguments, m_dir.path());
            QCOMPARE(run.exitCode, r.exit);
            QVERIFY2(run.out.contains(r.out.toUtf8()), run.out.constData());
            QVERIFY2(run.err.contains(r.err.toUtf8()), run.err.constData());
        }
        // --dbc, read back by canmatrix: the brake switch follows the marks
        // with factor 1 and offset 0; undecided, no signal follows them.
        const auto comments = [&](const QString& path) {
            const Run run =
                RunCli({"discover", path, "--marks", marks, "--dbc", dbc}, m_dir.path());
            QProcess reader;
            reader.start(CAC_PYTHON3,
                         {"-c",
                          "import canmatrix.formats, sys\n"
                          "for f in canmatrix.formats.loadp_flat(sys.argv[1]).frames:\n"
                          "    for s in f.signals:\n"
                          "        if 'follows' in (s.comment or ''):\n"
                          "            print(s.name, s.start_bit, s.size, s.factor, s.offset, "
                          "s.comment.split('; ')[-1])\n",
                          dbc});
            reader.waitForFinished(120000);
            return run.exitCode == 0 ? QString::fromUtf8(reader.readAllStandardOutput())
                                     : QStringLiteral("exit %1").arg(run.exitCode);
        };
        QCOMPARE(comments(log),
                 QString("Flag0x1A0_8_1 8 1 1 0 follows marks 12.1,25.3,40.8, mark score 1.000: "
                         "changes at 3 of 3 marks, 0 time(s) elsewhere\n"));
        QCOMPARE(comments(tie), QString());
    }

    void discoverNamesDemoSignals() {
        const QString dbc = m_dir.filePath("discovered.dbc");
        const QString ccf = m_dir.filePath("discovered.ccf");
        const Run found = RunCli({"discover", CAC_EXAMPLES_DIR "/discover-demo-obd.log",
                                  "--reference", "obd", "--dbc", dbc, "--into", StartupCcf,
                                  "--channel", "13", "-o", ccf, "--catalogue", m_examplesCatalogue},
                                 m_dir.path());
        QCOMPARE(found.exitCode, 0);
        QProcess python;
        python.start(CAC_PYTHON3,
                     QStringList{"-c",
                                 "import canmatrix.formats, sys\n"
                                 "for k, path in enumerate(sys.argv[1:]):\n"
                                 "    for f in canmatrix.formats.loadp_flat(path).frames:\n"
                                 "        for s in f.signals:\n"
                                 "            print(k, s.name, f.arbitration_id.id, s.start_bit, "
                                 "s.size, s.is_little_endian, s.multiplex, s.factor, s.offset)\n",
                                 DemoDbc, dbc});
        QVERIFY(python.waitForFinished(120000));
        QMap<QByteArray, QList<QByteArray>> signalsByName;
        QList<QList<QByteArray>> pageSignals; // the demo's: frame, start bit, length, order, page
        QSet<QByteArray> foundLayouts;
        for (const QByteArray& line : python.readAllStandardOutput().trimmed().split('\n')) {
            const QList<QByteArray> cells = line.split(' ');
            signalsByName[cells[1]] = cells.mid(2);
            const QList<QByteArray> layout = cells.mid(2, 5);
            if (cells[0] == "1")
                foundLayouts.insert(layout.join(' '));
            else if (cells[6].toInt() > 0 || cells[6] == "0")
                pageSignals.append(layout);
        }
        // Every signal of the paged frame is found in its own page as the
        // database lays it out, not only those the answers name.
        QCOMPARE(pageSignals.size(), 4);
        for (const QList<QByteArray>& layout : pageSignals)
            QVERIFY2(foundLayouts.contains(layout.join(' ')), layout.join(' ').constData());
        const std::pair<QByteArray, QByteArray> pairs[] = {
            {"OBD_0C_Engine_RPM", "EngineSpeed"},
            {"OBD_05_Coolant_temp", "CoolantTemp"},
            {"OBD_11_Throttle_Percentage", "ThrottlePosition"}}; // in page 2 of 0x2A0
        for (const auto& [obd, demo] : pairs) {
            const RowName row(obd);
            const QList<QByteArray> got = signalsByName.value(obd),
                                    want = signalsByName.value(demo);
            QCOMPARE(got.size(), 7);
            QCOMPARE(got.mid(0, 5), want.mid(0, 5)); // frame, start bit, length, order, page
            const double factor = want[5].toDouble();
            QVERIFY2(std::abs(got[5].toDouble() / factor - 1) <= 0.01, got[5].constData());
            QVERIFY2(std::abs(got[6].toDouble() - want[6].toDouble()) <= factor,
                     got[6].constData());
        }
        const Run shown =
            RunCli({"show", ccf, "--catalogue", m_examplesCatalogue, "--json"}, m_dir.path());
        const QJsonArray channels =
            QJsonDocument::fromJson(shown.out).object()["channels"].toArray();
        QCOMPARE(channels[12]["variable"].toString(), QString("Coolant temp {ECT}"));
        QCOMPARE(channels[12]["scaleFactor"].toString(), QString("1"));
        QCOMPARE(channels[13]["variable"].toString(), QString("Engine speed {RPM}"));
        QCOMPARE(channels[13]["scaleFactor"].toString(), QString("4"));
        QCOMPARE(channels[14]["variable"].toString(), QString("Throttle position {TPS}"));
        QCOMPARE(channels[14]["scaleFactor"].toString(), QString("2.55"));
        QCOMPARE(channels[14]["filterValue"].toString(), QString("2"));
    }

    // discover --hint --dbc, the database read back by canmatrix: a frame
    // whose byte 0 takes 2 to 8 values is analysed page by page, and each
    // page's own value is written as "m<page>" beside the page number, which
    // alone claims byte 0, and no guess of the whole frame claims their bits
    // too (no page is read by two signals); every signal's minimum and
    // maximum are its raw range times factor plus offset, at every length
    // from 1 to 32 bits, signed and unsigned.
    void discoverPagesAndRanges() {
        const struct {
            const char* name;
            QList<int> pages;
            int hold;
            bool shared;
            bool paged;
        } rows[] = {
            {"one value is no page", {0x00}, 0, false, false},
            {"two pages, bit 7 a flag of the whole frame", {0x00, 0x80}, 0, false, true},
            {"eight pages", {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70}, 0, false, true},
            {"nine pages", {0x00, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80}, 0, false, false},
            {"each page three frames in a row", {0x00, 0x10, 0x20}, 3, false, true},
            {"four frames in a row: a state, not a page", {0x00, 0x10, 0x20}, 4, false, false},
            {"every page the same value: a turning enumeration",
             {0x00, 0x10, 0x20},
             0,
             true,
             false},
        };
        const QString log = m_dir.filePath("paged.log");
        const QString dbc = m_dir.filePath("paged.dbc");
        const QRegularExpression pageName("_m(\\d+)$");
        for (const auto& r : rows) {
            const RowName row(r.name);
            WriteFile(log, PagedLog(r.pages, r.hold, r.shared));
            const Run run =
                RunCli({"discover", log, "--hint", "0..100@10..20", "--dbc", dbc}, m_dir.path());
            QCOMPARE(run.exitCode, 0);
            QProcess python;
            python.start(CAC_PYTHON3,
                         QStringList{"-c",
                                     "import canmatrix.formats, sys\n"
                                     "for f in canmatrix.formats.loadp_flat(sys.argv[1]).frames:\n"
                                     "    for s in f.signals:\n"
                                     "        print(f.arbitration_id.id, s.name, s.start_bit, "
                                     "s.size, int(s.is_little_endian), int(s.is_signed), "
                                     "s.multiplex, s.min, s.max, s.factor, s.offset)\n",
                                     dbc});
            QVERIFY(python.waitForFinished(120000));
            QSet<QString> kinds; // "16 signed"
            QStringList pageFields;
            int multiplexors = 0;
            int pageZero[64] = {}; // signals of 0x2B0 in a page 0 frame, per bit
            for (const QByteArray& text : python.readAllStandardOutput().trimmed().split('\n')) {
                const QStringList c = QString::fromUtf8(text).split(' ');
                QCOMPARE(c.size(), 11);
                const RowName signal(c[1]);
                const int start = c[2].toInt(), length = c[3].toInt();
                const bool isSigned = c[5] == "1";
                const double factor = c[9].toDouble(), offset = c[10].toDouble();
                const double span = std::ldexp(1.0, length - isSigned);
                const double rawLow = isSigned ? -span : 0, rawHigh = span - 1;
                QVERIFY(std::abs(c[7].toDouble() - (std::min(rawLow * factor, rawHigh * factor) +
                                                    offset)) <= std::abs(factor) / 1000);
                QVERIFY(std::abs(c[8].toDouble() - (std::max(rawLow * factor, rawHigh * factor) +
                                                    offset)) <= std::abs(factor) / 1000);
                kinds.insert(
                    QStringLiteral("%1 %2").arg(length).arg(isSigned ? "signed" : "unsigned"));
                multiplexors += c[6] == "Multiplexor";
                if (const QRegularExpressionMatch m = pageName.match(c[1]); m.hasMatch()) {
                    QCOMPARE(c[6], m.captured(1));
                    pageFields << c[1];
                }
                QCOMPARE(c[4], "1"); // every field found is Intel: its bits run up from the start
                const bool inPageZero = c[6] == "None" || c[6] == "Multiplexor" || c[6] == "0";
                for (int bit = start; c[0] == "688" && inPageZero && bit < start + length; ++bit)
                    ++pageZero[bit];
            }
            QCOMPARE(multiplexors, int(r.paged));
            QStringList pageValues;
            for (const int page : r.pages)
                pageValues << QStringLiteral("F0x2B0_16_16_m%1").arg(page);
            pageFields.sort();
            pageValues.sort();
            QCOMPARE(pageFields, r.paged ? pageValues : QStringList());
            for (int bit = 0; bit < 64; ++bit)
                QVERIFY2(pageZero[bit] <= 1, qPrintable(QString::number(bit)));
            for (const char* kind : {"1 unsigned", "8 unsigned", "8 signed", "16 unsigned",
                                     "16 signed", "32 unsigned", "32 signed"})
                QVERIFY2(kinds.contains(kind), kind);
        }
    }

    // A CSV counting from 0 beside a log whose times are dates: the coolant
    // of 0x288's byte 1 (the demo database: value = raw - 48), against the
    // same drive dated 2023, names that byte with its conversion.
    void discoverCsvBesideDatedLog() {
        QByteArray dated, csv = "time,Coolant [degC]\n";
        for (const QByteArray& line :
             ReadAll(CAC_EXAMPLES_DIR "/discover-demo-obd.log").split('\n')) {
            const qsizetype close = line.indexOf(')');
            if (close < 0)
                continue;
            const double time = line.mid(1, close - 1).toDouble();
            dated += '(' + QByteArray::number(1700000000 + time, 'f', 6) + line.mid(close) + '\n';
            if (line.contains(" 288#"))
                csv +=
                    QByteArray::number(time, 'f', 6) + ',' +
                    QByteArray::number(line.mid(line.indexOf('#') + 3, 2).toInt(nullptr, 16) - 48) +
                    '\n';
        }
        WriteFile(m_dir.filePath("dated.log"), dated);
        WriteFile(m_dir.filePath("coolant.csv"), csv);
        const Run run = RunCli(
            {"discover", m_dir.filePath("dated.log"), "--reference", m_dir.filePath("coolant.csv")},
            m_dir.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(
            run.out.contains("  1. F0x288_8_8                 r  1.000  scale 1  offset -48  "),
            run.out.constData());
    }

    // export-dbc writes the demo as a database (that it reads back is the
    // engine's round-trip test); a channel a database cannot describe is
    // named on standard error and in the file.
    void exportDbc() {
        const QString dbc = m_dir.filePath("demo.dbc");
        const Run exported =
            RunCli({"export-dbc", EngineDemoCcf, "--catalogue", m_examplesCatalogue, "-o", dbc},
                   m_dir.path());
        QCOMPARE(exported.exitCode, 0);
        QCOMPARE(exported.err, QByteArray());
        // Factors and value ranges as a person writes them: 1 / 2.55, 255 / 2.55
        // and a signed 16-bit value / 10, without the binary noise of the arithmetic.
        const QByteArray file = ReadAll(dbc);
        QVERIFY(file.contains("(0.392156862745098,0) [0|100] \"%\""));
        QVERIFY(file.contains("[-3276.8|3276.7]"));
        const Run backward =
            RunCli({"export-dbc", ChecksCcf, "--catalogue", m_examplesCatalogue}, m_dir.path());
        QCOMPARE(backward.exitCode, 0);
        QVERIFY2(backward.err.contains("checks-demo.ccf: not written: channel 4: its bits reach "
                                       "outside the frame's 8 data bytes\n"),
                 backward.err.constData());
        QVERIFY(backward.out.contains("CM_ \"channel 4 (Manifold pressure {MAP}) is not written"));
    }

    // A kept HEX file becomes a .ccf that builds the very same HEX file,
    // for the start-up state and the demo, with OBD mode on too.
    void hexBackToCcf() {
        for (const QString& config : {StartupCcf, EngineDemoCcf}) {
            for (const bool obd : {false, true}) {
                const RowName row(config + (obd ? " --obd" : ""));
                const QString hex = m_dir.filePath("kept.hex");
                const QString ccf = m_dir.filePath("back.ccf");
                QStringList build{"hex", config, "--catalogue", m_examplesCatalogue, "-o", hex};
                if (obd)
                    build << "--obd";
                QCOMPARE(RunCli(build, m_dir.path()).exitCode, 0);
                const Run back = RunCli({"ccf", hex, "--catalogue", m_examplesCatalogue, "-o", ccf},
                                        m_dir.path());
                QCOMPARE(back.exitCode, 0);
                QCOMPARE(back.err.contains("[image-obd-mode]"), obd);
                build[1] = ccf;
                build[5] = m_dir.filePath("rebuilt.hex");
                QCOMPARE(RunCli(build, m_dir.path()).exitCode, 0);
                QCOMPARE(ReadAll(build[5]), ReadAll(hex));
                if (config == StartupCcf && !obd)
                    QCOMPARE(ReadAll(ccf), ReadAll(config));
            }
        }
    }

    // A bad CONFIG.ccf, --catalogue or -o: exit status 1, the path named, and
    // the earlier output file and everything beside it left as they were.
    void badInputOrOutput() {
        // Which argument is bad, how the bad file is made, and the message.
        // clang-format off
        const std::tuple<QString, QString, const char*> rows[] = {
            {"config", "missing", "no such file"}, {"--catalogue", "missing", "no such file"},
            {"config", "folder", "is a folder, not a file"},
            {"config", "socket", "is a socket, not a regular file"},
            {"config", "junk", "not a CAN configuration file"}, {"config", "100 MB", "too large"},
            {"--catalogue", "junk", "is not a variable catalogue: The variable file appears"},
            {"config", "LF line ends", "not a CAN configuration file"},
            {"-o", "folder", "cannot write '"}, {"-o", "disk full", "cannot write '"}};
        // clang-format on
        for (const auto& [role, kind, message] : rows) {
            const RowName row(role + ' ' + kind);
            QTemporaryDir dir;
            QVERIFY(dir.isValid());
            const QString earlier = dir.filePath("TempConfig.hex");
            const QByteArray earlierText = ":00000001FF earlier output";
            WriteFile(earlier, earlierText);
            QString bad = dir.filePath("bad");
            rlim_t limit = 0;
            if (kind == "folder") {
                QVERIFY(QDir().mkdir(bad));
            } else if (kind == "socket") {
                if (!MakeSocket(bad)) {
                    qInfo("skipped %s socket: cannot create a UNIX socket here", qPrintable(role));
                    continue;
                }
            } else if (kind == "junk") {
                WriteFile(bad, QByteArray("\x7F\x45LF\x02\x01\r\n|\xFF\0", 11).repeated(6000));
            } else if (kind == "100 MB") {
                QFile file(bad);
                QVERIFY(file.open(QIODevice::WriteOnly));
                QVERIFY(file.resize(100 * 1024 * 1024)); // sparse: no 100 MB on disk
            } else if (kind == "LF line ends") {
                WriteFile(bad, ReadAll(StartupCcf).replace("\r\n", "\n"));
            } else if (kind == "disk full") {
                bad = earlier;
                limit = 1024; // the HEX text is about 3 kB
            }

            const QStringList arguments{"hex",         role == "config" ? bad : StartupCcf,
                                        "--catalogue", role == "--catalogue" ? bad : m_catalogue,
                                        "-o",          role == "-o" ? bad : earlier};
            const QStringList before = Entries(dir.path());
            const Run run = RunCli(arguments, m_dir.path(), limit);
            QCOMPARE(run.exitCode, 1);
            QVERIFY2(run.err.contains(message), run.err.constData());
            QVERIFY2(run.err.contains(QFile::encodeName(bad)), run.err.constData());
            QCOMPARE(run.out, QByteArray());
            QCOMPARE(ReadAll(earlier), earlierText);
            QCOMPARE(Entries(dir.path()), before); // nothing new left behind
        }
    }

    // A configuration whose lines were partly kept: the command goes on and
    // says, whole, what it kept and why, as the window's status line does.
    void keptLinesAreNamed() {
        const QList<QByteArray> lines = ReadAll(StartupCcf).split('\n');
        QList<QByteArray> changed = lines;
        changed[11] = "\r";                                 // the Exponent's line empty
        changed[13] = QByteArray("1|").repeated(17) + '\r'; // one priority short
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString kept = dir.filePath("kept.ccf");
        WriteFile(kept, changed.join('\n'));
        const Run run = RunCli({"check", kept, "--catalogue", m_catalogue}, m_dir.path());
        QCOMPARE(run.exitCode,
                 RunCli({"check", StartupCcf, "--catalogue", m_catalogue}, m_dir.path()).exitCode);
        QCOMPARE(QString::fromUtf8(run.err),
                 QStringLiteral("can-adapter-cli: '%1': Exponent kept: its line is empty; the OBD "
                                "priorities kept: its line has 17 cells\n")
                     .arg(kept));
        const Run whole = RunCli({"check", StartupCcf, "--catalogue", m_catalogue}, m_dir.path());
        QCOMPARE(whole.err, QByteArray()); // a file taken whole says nothing
    }

    // Every signal of the example database with its row, or why it has none.
    void dbcListing() {
        const Run text = RunCli({"dbc", DemoDbc, "--catalogue", m_catalogue}, m_dir.path());
        QCOMPARE(text.exitCode, 0);
        QCOMPARE(text.err, QByteArray());
        QVERIFY(text.out.contains("  EngineSpeed 16|16@1+ (0.25,0) \"rpm\"\n    row        11 "
                                  "bit|0x280|No Filter|0|16|16|Unsigned|Intel standard|4|0|0\n"));
        QVERIFY(text.out.contains("  OilTemp 16|8@1+ (1,-40) \"\u00B0C\"\n    row        11 "
                                  "bit|0x288|No Filter|0|16|8|Unsigned|Intel standard|1|-40|0\n"
                                  "    variables  Oil temp {OILT}\n"));
        QVERIFY(text.out.contains("  OdometerTotal 0|64@1+ (1,0) \"km\" double\n    refused    a "
                                  "64-bit double cannot be carried by a channel\n"));
        QCOMPARE(text.out.count("\n    row "), 30); // 31 signals, one refused

        const Run json = RunCli({"dbc", DemoDbc, "--json"}, m_dir.path());
        QCOMPARE(json.exitCode, 0);
        // Written as it is built, yet byte for byte what Qt's own writer makes of
        // it: escapes, characters beyond ASCII, whole and huge numbers, problems.
        const QString odd = m_dir.filePath("odd.dbc");
        WriteFile(odd, "BO_ 100 M: 8 E\n SG_ S : 0|8@1+ (1e20,-0) [-1e300|12345678901234567890] "
                       "\"\xC2\xB0"
                       "C \\\\ \xE2\x82\xAC \xF0\x9F\x98\x80\" E\n"
                       " SG_ T m1 : 8|8@1- (0.000001,1.5) [0|9007199254740993] \"\" E\n"
                       "CM_ SG_ 100 S \"tab\there \\\"q\\\" \x01 ctl, a plain run of 16\\\"and "
                       "8 plain\x7F\xC3\xA4 after eight\";\nBO_ x\n");
        const cac::CatalogueLoad catalogue = cac::LoadVariableDefinitions(m_catalogue);
        const cac::VariableProposals proposals(catalogue.catalogue, catalogue.variableList);
        for (const QString& file : {DemoDbc, odd}) {
            const Run listed =
                RunCli({"dbc", file, "--json", "--catalogue", m_catalogue}, m_dir.path());
            QCOMPARE(QJsonDocument::fromJson(listed.out).toJson(QJsonDocument::Indented),
                     listed.out);
            // Each text as the reader has it, each signal's variables as the
            // proposals give them, though written from arrays kept for reuse.
            const cac::CanDatabase database = cac::ReadCanDatabase(ReadAll(file));
            const QJsonArray messages = QJsonDocument::fromJson(listed.out)["messages"].toArray();
            QCOMPARE(messages.size(), database.messages.size());
            for (qsizetype m = 0; m < messages.size(); ++m) {
                const QJsonArray signalList = messages[m]["signals"].toArray();
                for (qsizetype s = 0; s < signalList.size(); ++s) {
                    const cac::DbcSignal& signal = database.messages[m].signalList[s];
                    QCOMPARE(signalList[s]["name"].toString(), signal.name);
                    QCOMPARE(signalList[s]["comment"].toString(), signal.comment);
                    QCOMPARE(signalList[s]["unit"].toString(), signal.unit);
                    QCOMPARE(signalList[s]["variables"].toVariant().toStringList(),
                             proposals.forSignal(signal));
                }
            }
        }
        const QJsonObject root = QJsonDocument::fromJson(json.out).object();
        const QJsonObject throttle =
            root["messages"][2]["signals"][1].toObject(); // Engine_3.ThrottlePosition
        QCOMPARE(throttle["name"].toString(), "ThrottlePosition");
        QCOMPARE(throttle["multiplexValue"].toInt(), 2);
        QCOMPARE(throttle["row"].toVariant().toStringList().join('|'),
                 "|11 bit|0x2A0|Byte 1|2|16|8|Unsigned|Intel standard|2.55|0|0");
        QCOMPARE(root["problems"].toArray().size(), 0);
    }

    // Channels filled from named signals, on stdout; or nothing and why.
    void importSignals() {
        const QString demo = EngineDemoCcf;
        const QString row1 = "11 bit|0x280|No Filter|0|16|16|Unsigned|Intel standard|4|0|0";
        struct Row {
            QStringList arguments; // after "import FILE.dbc"
            int exitCode;
            QStringList filled; // "N=ROW"
            QString message;
        };
        // clang-format off
        const Row rows[] = {
            {{"EngineSpeed", "--into", StartupCcf, "--channel", "1"}, 0,
             {"1=**Do not use**|" + row1}, "channel 1: Engine_1.EngineSpeed\n"},
            {{"OilTemp=OILT,Gearbox_1.AliveCounter", "--into", demo, "--catalogue", m_catalogue}, 0,
             {"6=Oil temp {OILT}|11 bit|0x288|No Filter|0|16|8|Unsigned|Intel standard|1|-40|0",
              "7=**Do not use**|11 bit|0x500|No Filter|0|60|4|Unsigned|Intel standard|1|0|0"},
             "channel 6: Engine_2.OilTemp\nchannel 7: Gearbox_1.AliveCounter\n"},
            {{"EngineSpeed", "--into", demo, "--channel", "2"}, 0, {"2=Coolant temp {ECT}|" + row1},
             "channel 2: Engine_1.EngineSpeed (replacing its settings)"},
            {{"EngineSpeed", "--into", m_obdCcf}, 1, {}, "not enough free channels: 0 for 1"},
            {{"EngineSpeed", "--into", m_obdCcf, "--channel", "15"}, 1, {}, "channel 15 is used for OBD"},
            {{"EngineSpeed,EngineLoad", "--into", StartupCcf, "--channel", "14", "--obd"}, 1, {},
             "2 signals from channel 14 on do not fit"},
            {{"AliveCounter,Nope,OdometerTotal", "--into", StartupCcf}, 1, {},
             "AliveCounter is in several messages (Engine_1.AliveCounter, Gearbox_1.AliveCounter)"
             ": name it as MESSAGE.SIGNAL\ncan-adapter-cli: '" + DemoDbc + "' has no signal Nope\n"
             "can-adapter-cli: Dashboard.OdometerTotal: cannot be imported: a 64-bit double"},
            {{"OilTemp=OIL", "--into", StartupCcf, "--catalogue", m_catalogue}, 1, {},
             "the catalogue has no variable with the default name OIL"},
            {{"EngineSpeed", "--into", DemoDbc}, 1, {}, "is not a CAN configuration file"},
            {{"EngineSpeed"}, 2, {}, "--into CONFIG.ccf is missing"},
            {{"EngineSpeed=", "--into", StartupCcf}, 2, {}, "'EngineSpeed=' is not SIGNAL"},
            {{"EngineSpeed", "--into", StartupCcf, "--channel", "16"}, 2, {}, "--channel takes"},
            {{"EngineSpeed", "x", "--into", StartupCcf}, 2, {}, "too many arguments"},
        };
        // clang-format on
        const QByteArray demoBefore = ReadAll(demo);
        for (const Row& row : rows) {
            const RowName name(row.arguments.join(' '));
            const Run run = RunCli(QStringList{"import", DemoDbc} + row.arguments, m_dir.path());
            QCOMPARE(run.exitCode, row.exitCode);
            QVERIFY2(run.err.contains(row.message.toUtf8()), run.err.constData());
            if (row.exitCode != 0) {
                QCOMPARE(run.out, QByteArray());
                continue;
            }
            // The named channels changed, no other.
            cac::ConfigModel input;
            cac::ConfigModel output;
            cac::ApplyCcf(input, ReadAll(row.arguments.at(2)));
            cac::ApplyCcf(output, run.out);
            for (const QString& filled : row.filled)
                SetRow(input, filled.section('=', 0, 0).toInt(), filled.section('=', 1));
            QCOMPARE(cac::SerializeCcf(output), cac::SerializeCcf(input));
        }
        QCOMPARE(ReadAll(demo), demoBefore);

        // A database export-dbc wrote names each signal's variable: its import
        // into the last channel gives the channel that was exported.
        const QString exported = m_dir.filePath("exported.dbc");
        const QString examples = "--catalogue=" + m_examplesCatalogue;
        QCOMPARE(RunCli({"export-dbc", demo, examples, "-o", exported}, m_dir.path()).exitCode, 0);
        const Run back = RunCli(
            {"import", exported, "Oil_temp", "--into", StartupCcf, "--channel", "15", examples},
            m_dir.path());
        QCOMPARE(back.exitCode, 0);
        cac::ConfigModel demoModel;
        cac::ConfigModel backModel;
        cac::ApplyCcf(demoModel, demoBefore);
        cac::ApplyCcf(backModel, back.out);
        QCOMPARE(RowText(backModel, 15), RowText(demoModel, 5));

        // -o may name the input itself.
        const QString copy = m_dir.filePath("copy.ccf");
        WriteFile(copy, ReadAll(StartupCcf));
        const Run inPlace =
            RunCli({"import", DemoDbc, "EngineSpeed", "--into", copy, "--channel", "1", "-o", copy},
                   m_dir.path());
        QCOMPARE(inPlace.exitCode, 0);
        QCOMPARE(inPlace.out, QByteArray());
        QVERIFY(ReadAll(copy).startsWith("**Do not use**|||"));
    }

    // decode of the example log: the same summary and the same CSV from all
    // five formats.
    void decodeLogs() {
        const QString expected =
            "channel  variable                 frames  minimum  maximum  last  unit\n"
            "      1  Engine speed {RPM}          200      800     5550  5550  [RPM]\n"
            "      2  Coolant temp {ECT}           40     60.0     79.0  79.0  [degrees Celsius]\n"
            "      3  Throttle position {TPS}      20      0.0     94.9  94.9  [%]\n"
            "      4  Manifold pressure {MAP}      10        0        0     0  [mBar]\n"
            "      5  Oil temp {OILT}               0        -        -     -  [degrees Celsius]\n"
            "frames no channel takes: 30; identifiers 0x4B0, 0x2A0\n"
            "log times: relative (seconds from the log's start; it does not say when it began)\n";
        QByteArray firstCsv;
        for (const char* ext : {"log", "asc", "trc", "blf", "csv"}) {
            const QString log = QStringLiteral(CAC_EXAMPLES_DIR "/demo-drive.") + ext;
            const QString csv = m_dir.filePath(QStringLiteral("decoded-%1.csv").arg(ext));
            const Run run = RunCli(
                {"decode", EngineDemoCcf, log, "--catalogue", m_examplesCatalogue, "--csv", csv},
                m_dir.path());
            QCOMPARE(run.err, QByteArray());
            QCOMPARE(run.exitCode, 0);
            QCOMPARE(QString::fromUtf8(run.out).split(QLatin1Char(0x0a)),
                     expected.split(QLatin1Char(0x0a)));
            const QByteArray bytes = ReadAll(csv);
            QVERIFY(bytes.startsWith("time,channel,raw,value\n0.000000,1,3200,800\n"));
            if (firstCsv.isEmpty())
                firstCsv = bytes;
            QCOMPARE(bytes, firstCsv);
        }
        QCOMPARE(firstCsv.count('\n'), 1 + 200 + 40 + 20 + 10);
    }

private:
    QTemporaryDir m_dir;
    QString m_catalogue = m_dir.filePath("Vars.cfg");
    QString m_examplesCatalogue = m_dir.filePath("Examples.cfg");
    QString m_hex = m_dir.filePath("demo.hex");
    QString m_brokenHex = m_dir.filePath("broken.hex");
    QString m_warningsOnly = m_dir.filePath("warnings.ccf");
    QString m_obdCcf = m_dir.filePath("obd.ccf");
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"

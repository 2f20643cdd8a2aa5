// The real can-adapter-cli on good and bad input: exit status, a message that
// names the problem, and never an output file from a failed run.
#include "TestFiles.h"
#include "VarsFileWriter.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace {

struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// fileSizeLimit > 0 makes the child's writes beyond that size fail, as on a
// full disk.
Run RunCli(const QStringList& arguments, const QString& dataHome, rlim_t fileSizeLimit = 0) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dataHome); // no user catalogue
    process.setProcessEnvironment(env);
    if (fileSizeLimit > 0) {
        process.setChildProcessModifier([fileSizeLimit] {
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    }
    process.start(QStringLiteral(CAC_CLI_PATH), arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

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

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startupHex();
    void usageErrors_data();
    void usageErrors();
    void badInput_data();
    void badInput();
    void unwritableOutput_data();
    void unwritableOutput();

private:
    QTemporaryDir m_dir;
    QString m_catalogue;
};

void TestCli::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_catalogue = m_dir.filePath(QStringLiteral("Vars.cfg"));
    cac::tools::VarsFileLayout varsFile;
    varsFile.upperIndexB = 1100;
    varsFile.entries = {{1000, {QStringLiteral("OILT"), QStringLiteral("Oil temp")}}};
    WriteFile(m_catalogue, cac::tools::WriteVarsFile(varsFile));
}

void TestCli::startupHex() {
    const QString ccf = QStringLiteral(CAC_EXAMPLES_DIR "/startup.ccf");
    const Run toStdout = RunCli(
        {QStringLiteral("hex"), ccf, QStringLiteral("--catalogue"), m_catalogue}, m_dir.path());
    QCOMPARE(toStdout.exitCode, 0);
    QCOMPARE(toStdout.err, QByteArray());
    const QList<QByteArray> lines = toStdout.out.split('\n');
    QCOMPARE(lines.size(), 74);
    QCOMPARE(lines.at(0), QByteArray(":020000040000FA\r"));
    QCOMPARE(lines.at(1), QByteArray(":106000000000000000000000000000000000000090\r"));
    QCOMPARE(lines.at(2), QByteArray(":106010000000000000000000FFFFFFFFFFFFFFFF88\r"));
    QCOMPARE(lines.at(70), QByteArray(":10645000021010401040080401000208000104046A\r"));
    QCOMPARE(lines.at(71), QByteArray(":10646000000001010201030201010100020200011A\r"));
    QCOMPARE(lines.at(72), QByteArray(":046470000203000023\r"));
    QCOMPARE(lines.at(73), QByteArray(":00000001FF"));

    // The same bytes through -o, replacing an earlier file.
    const QString out = m_dir.filePath(QStringLiteral("TempConfig.hex"));
    WriteFile(out, "earlier");
    const Run toFile = RunCli({QStringLiteral("hex"), ccf, QStringLiteral("--catalogue"),
                               m_catalogue, QStringLiteral("-o"), out},
                              m_dir.path());
    QCOMPARE(toFile.exitCode, 0);
    QCOMPARE(toFile.out, QByteArray());
    QCOMPARE(ReadAll(out), toStdout.out);
}

void TestCli::usageErrors_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("nothing") << QStringList();
    QTest::newRow("unknown command") << QStringList{"bin", "a.ccf"};
    QTest::newRow("no configuration") << QStringList{"hex"};
    QTest::newRow("two configurations") << QStringList{"hex", "a.ccf", "b.ccf"};
    QTest::newRow("unknown option") << QStringList{"hex", "a.ccf", "--fast"};
    QTest::newRow("-o without a file") << QStringList{"hex", "a.ccf", "-o"};
    QTest::newRow("empty -o") << QStringList{"hex", "a.ccf", "-o", ""};
    QTest::newRow("empty --catalogue") << QStringList{"hex", "a.ccf", "--catalogue", ""};
}

void TestCli::usageErrors() {
    QFETCH(QStringList, arguments);
    const Run run = RunCli(arguments, m_dir.path());
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains("usage: can-adapter-cli hex"), run.err.constData());
    QCOMPARE(run.out, QByteArray());
}

void TestCli::badInput_data() {
    QTest::addColumn<QString>("name");   // file name in a fresh folder
    QTest::addColumn<QString>("kind");   // how the input is made
    QTest::addColumn<QString>("option"); // "" for CONFIG.ccf, else the option naming it
    QTest::addColumn<QByteArray>("message");
    for (const char* option : {"", "--catalogue"}) {
        const QString opt = QString::fromLatin1(option);
        QTest::addRow("missing file %s", option) << "absent.ccf"
                                                 << "none" << opt << QByteArray("no such file");
        QTest::addRow("folder %s", option)
            << "folder.ccf"
            << "folder" << opt << QByteArray("is a folder, not a file");
        QTest::addRow("socket %s", option) << "socket.ccf"
                                           << "socket" << opt << QByteArray("cannot open");
        QTest::addRow("no read permission %s", option)
            << "locked.ccf"
            << "unreadable" << opt << QByteArray("cannot open");
    }
    QTest::newRow("binary junk") << "junk.ccf"
                                 << "junk"
                                 << "" << QByteArray("not a CAN configuration file");
    QTest::newRow("100 MB") << "huge.ccf"
                            << "huge"
                            << "" << QByteArray("too large");
    QTest::newRow("LF line ends") << "unix.ccf"
                                  << "lf"
                                  << "" << QByteArray("not a CAN configuration file");
}

void TestCli::badInput() {
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(QString, option);
    QFETCH(QByteArray, message);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(name);
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir().mkdir(input));
    } else if (kind == QLatin1String("socket")) {
        if (!MakeSocket(input))
            QSKIP("cannot create a UNIX socket here");
    } else if (kind == QLatin1String("unreadable")) {
        if (::geteuid() == 0)
            QSKIP("permissions do not stop root; the socket row covers an unopenable file");
        WriteFile(input, ReadAll(QStringLiteral(CAC_EXAMPLES_DIR "/startup.ccf")));
        QVERIFY(QFile::setPermissions(input, QFile::WriteOwner));
    } else if (kind == QLatin1String("junk")) {
        QByteArray junk;
        quint32 state = 12345;
        for (int i = 0; i < 64 * 1024; ++i) {
            state = state * 1103515245u + 12345u;
            junk.append(static_cast<char>(state >> 24));
        }
        WriteFile(input, junk);
    } else if (kind == QLatin1String("huge")) {
        QFile file(input);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(100 * 1024 * 1024)); // sparse: no 100 MB on disk
    } else if (kind == QLatin1String("lf")) {
        QByteArray text = ReadAll(QStringLiteral(CAC_EXAMPLES_DIR "/startup.ccf"));
        WriteFile(input, text.replace("\r\n", "\n"));
    }

    const QString out = dir.filePath(QStringLiteral("out.hex"));
    QStringList arguments{QStringLiteral("hex")};
    if (option.isEmpty())
        arguments << input << QStringLiteral("--catalogue") << m_catalogue;
    else
        arguments << QStringLiteral(CAC_EXAMPLES_DIR "/startup.ccf") << option << input;
    const QStringList before =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const Run run = RunCli(arguments << QStringLiteral("-o") << out, m_dir.path());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(message), run.err.constData());
    QVERIFY2(run.err.contains(QFile::encodeName(input)), run.err.constData());
    QCOMPARE(run.out, QByteArray());
    // No output file and nothing else left behind.
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             before);
}

void TestCli::unwritableOutput_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("inside a file") << "inside a file";
    QTest::newRow("a folder") << "a folder";
    QTest::newRow("disk full") << "disk full";
}

void TestCli::unwritableOutput() {
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString earlier = dir.filePath(QStringLiteral("TempConfig.hex"));
    WriteFile(earlier, ":00000001FF earlier output");
    QString out = earlier;
    rlim_t limit = 0;
    if (kind == QLatin1String("inside a file")) {
        out = earlier + QStringLiteral("/TempConfig.hex");
    } else if (kind == QLatin1String("a folder")) {
        out = dir.filePath(QStringLiteral("sub"));
        QVERIFY(QDir().mkdir(out));
    } else {
        limit = 1024; // the HEX text is about 3 kB
    }
    const QStringList before =
        QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    const Run run = RunCli({QStringLiteral("hex"), QStringLiteral(CAC_EXAMPLES_DIR "/startup.ccf"),
                            QStringLiteral("--catalogue"), m_catalogue, QStringLiteral("-o"), out},
                           m_dir.path(), limit);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains("cannot write '" + QFile::encodeName(out) + "'"),
             run.err.constData());
    QCOMPARE(ReadAll(earlier), QByteArray(":00000001FF earlier output"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             before);
}

QTEST_MAIN(TestCli)
#include "tst_cli.moc"

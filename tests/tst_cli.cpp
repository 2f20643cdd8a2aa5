// The real can-adapter-cli on good and bad input: exit status, a message that
// names the problem, and never an output file from a failed run.
#include "Fixtures.h"
#include "VarsFileWriter.h"
#include "channels/ConfigModel.h"
#include "image/ConfigImage.h"
#include "output/IntelHex.h"

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
#include <tuple>

namespace {

const QString StartupCcf = QStringLiteral(CAC_EXAMPLES_DIR "/startup.ccf");

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
    env.insert("XDG_DATA_HOME", dataHome); // no user catalogue
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

QStringList Entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
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
    }

    // The HEX text itself is pinned by tst_image; startup.ccf holds the start-up state.
    void startupHex() {
        const Run toStdout = RunCli({"hex", StartupCcf, "--catalogue", m_catalogue}, m_dir.path());
        QCOMPARE(toStdout.exitCode, 0);
        QCOMPARE(toStdout.err, QByteArray());
        QCOMPARE(toStdout.out, cac::IntelHexText(cac::BuildConfigImage(cac::ConfigModel(), {})));

        // The same bytes through -o, replacing an earlier file.
        const QString out = m_dir.filePath("TempConfig.hex");
        WriteFile(out, "earlier");
        const Run toFile =
            RunCli({"hex", StartupCcf, "--catalogue", m_catalogue, "-o", out}, m_dir.path());
        QCOMPARE(toFile.exitCode, 0);
        QCOMPARE(toFile.out, QByteArray());
        QCOMPARE(ReadAll(out), toStdout.out);
    }

    void usageErrors() {
        // clang-format off
        const QStringList rows[] = {
            {}, {"bin", "a.ccf"}, {"hex"}, {"hex", "a.ccf", "b.ccf"}, {"hex", "a.ccf", "--fast"},
            {"hex", "a.ccf", "-o"}, {"hex", "a.ccf", "-o", ""},
            {"hex", "a.ccf", "--catalogue", ""}};
        // clang-format on
        for (const QStringList& arguments : rows) {
            const RowName row('[' + arguments.join(' ') + ']');
            const Run run = RunCli(arguments, m_dir.path());
            QCOMPARE(run.exitCode, 2);
            QVERIFY2(run.err.contains("usage: can-adapter-cli hex"), run.err.constData());
            QCOMPARE(run.out, QByteArray());
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
            {"--catalogue", "folder", "is a folder, not a file"},
            {"config", "socket", "cannot open"}, {"--catalogue", "socket", "cannot open"},
            {"config", "junk", "not a CAN configuration file"}, {"config", "100 MB", "too large"},
            {"config", "LF line ends", "not a CAN configuration file"},
            {"-o", "inside a file", "cannot write '"}, {"-o", "folder", "cannot write '"},
            {"-o", "disk full", "cannot write '"}};
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
            } else if (kind == "inside a file") {
                bad = earlier + "/TempConfig.hex";
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

private:
    QTemporaryDir m_dir;
    QString m_catalogue = m_dir.filePath("Vars.cfg");
};

QTEST_MAIN(TestCli)
#include "tst_cli.moc"

// Files that never end, never begin or are far too large: every reader and
// every command refuses them at once, in bounded memory, and says why.
#include "CliRun.h"
#include "Fixtures.h"
#include "catalogue/VariableCatalogue.h"
#include "channels/ConfigModel.h"
#include "common/BoundedFileRead.h"
#include "configfile/CcfFile.h"
#include "dbc/CanDatabase.h"
#include "output/IntelHexReader.h"

#include <QDir>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <functional>
#include <thread>

using namespace cac;

namespace {

const QString StartupCcf = QStringLiteral(CAC_EXAMPLES_DIR "/startup.ccf");
const QString DemoDbc = QStringLiteral(CAC_EXAMPLES_DIR "/demo-vehicle.dbc");

// More than any reader may take, and less than a reader that does not stop
// would need.
constexpr rlim_t ReaderHeadroom = 512 * 1024 * 1024;
[[maybe_unused]] constexpr rlim_t CliAddressSpace = rlim_t{2} * 1024 * 1024 * 1024;

// A FIFO whose writer never stops while anyone reads it. The writer never
// waits itself (non-blocking open and writes), so it always sees the stop.
class EndlessFifo {
public:
    explicit EndlessFifo(const QString& path) : m_path(QFile::encodeName(path)) {
        if (::mkfifo(m_path.constData(), 0600) == 0)
            m_writer = std::thread([this] { feed(); });
    }
    ~EndlessFifo() {
        m_stop = true;
        if (m_writer.joinable())
            m_writer.join();
    }
    bool made() const { return m_writer.joinable(); }

private:
    void feed() {
        const QByteArray chunk(64 * 1024, 'x');
        int fd = -1;
        while (!m_stop) {
            if (fd < 0) // fails while no reader has it open
                fd = ::open(m_path.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            const ssize_t written =
                fd < 0 ? -1 : ::write(fd, chunk.constData(), static_cast<size_t>(chunk.size()));
            if (written < 0 && fd >= 0 && errno == EPIPE) { // the reader went away
                ::close(fd);
                fd = -1;
            }
            if (written < 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        if (fd >= 0)
            ::close(fd);
    }

    QByteArray m_path;
    std::atomic<bool> m_stop{false};
    std::thread m_writer;
};

// A regular file that keeps growing, by sparse steps far faster than
// anything reads it, up to far more than any reader may take. It starts as a
// catalogue whose leading table claims 2^31 records, so that the catalogue
// reader too reads on, and holds no line end. A reader that opens it at once
// finds it larger than every limit but a database's, whose reader must stop
// on the bytes it reads.
class GrowingFile {
public:
    explicit GrowingFile(const QString& path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC,
                      0600);
        if (m_fd < 0 || ::write(m_fd, "\xFF\xFF\xFF\x7F", 4) != 4 ||
            ::ftruncate(m_fd, FirstSize) != 0)
            return;
        m_writer = std::thread([this] { grow(); });
    }
    ~GrowingFile() {
        m_stop = true;
        if (m_writer.joinable())
            m_writer.join();
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool made() const { return m_writer.joinable(); }

private:
    static constexpr off_t FirstSize = 96 * 1024 * 1024;
    static constexpr off_t Step = 64 * 1024 * 1024;
    static constexpr off_t Most = off_t{4} * 1024 * 1024 * 1024;

    void grow() {
        for (off_t size = FirstSize + Step; !m_stop && size <= Most; size += Step) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            if (::ftruncate(m_fd, size) != 0)
                return;
        }
    }

    int m_fd = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_writer;
};

// One kind of input that is not a file of any format, made in `dir`, and the
// words that the reason for refusing it holds.
struct Source {
    const char* name;
    const char* reason;
};
const Source Sources[] = {
    {"/dev/zero", "it is a character device, not a regular file"},
    {"endless FIFO", "it is a pipe (FIFO), not a regular file"},
    {"empty FIFO", "it is a pipe (FIFO), not a regular file"},
    {"growing file", "too large for"},
    {"folder", "it is a folder, not a file"},
};

bool Growing(const Source& source) {
    return qstrcmp(source.name, "growing file") == 0;
}

// Makes the source in `dir` and runs `use` on its path while it exists.
void WithSource(const QTemporaryDir& dir, const QString& name,
                const std::function<void(const QString&)>& use) {
    if (name.startsWith('/'))
        return use(name);
    const QString path = dir.filePath(QString(name).replace(' ', '-'));
    if (name == "endless FIFO") {
        const EndlessFifo fifo(path);
        QVERIFY(fifo.made());
        use(path);
    } else if (name == "empty FIFO") {
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        use(path);
    } else if (name == "growing file") {
        const GrowingFile file(path);
        QVERIFY(file.made());
        use(path);
    } else {
        QVERIFY(QDir(dir.path()).mkdir(QFileInfo(path).fileName()));
        use(path);
    }
    QFile::remove(path);
    QDir().rmdir(path);
}

} // namespace

class ReadersTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY(m_dir.isValid());
        // A FIFO's writer whose reader went away gets EPIPE, not the signal.
        std::signal(SIGPIPE, SIG_IGN);
    }

    // Every reader × every source: refused with the reason, nothing applied,
    // within a little more memory than the largest format's limit.
    void readersRefuseWhatNeverEnds() {
        const QByteArray startUp = SerializeCcf(ConfigModel());
        for (const Source& source : Sources) {
            WithSource(m_dir, source.name, [&](const QString& path) {
                const RowName row(source.name);
                const AddressSpaceLimit limit(ReaderHeadroom);

                const CatalogueLoad catalogue = LoadVariableDefinitions(path);
                QVERIFY(catalogue.corrupt);
                QCOMPARE(catalogue.variableList, QStringList{DoNotUseText});
                QVERIFY2(catalogue.problem.contains(source.reason), qPrintable(catalogue.problem));

                ConfigModel model;
                QString error;
                QVERIFY(!LoadCcfFile(model, path, nullptr, &error));
                QVERIFY2(error.contains(source.reason), qPrintable(error));
                QCOMPARE(SerializeCcf(model), startUp);

                HexFault fault;
                QVERIFY(!LoadIntelHexImage(path, &fault));
                QCOMPARE(fault.line, 0);
                QVERIFY2(fault.message.contains(source.reason), qPrintable(fault.message));

                CanDatabase database;
                error.clear();
                const bool read = LoadCanDatabase(path, database, &error);
                // A writer that the system did not let run in time ends the
                // growing file early: its zeros are then read, and are no database.
                QVERIFY2(read ? Growing(source) : error.contains(source.reason), qPrintable(error));
                QVERIFY(database.messages.isEmpty());
            });
            if (QTest::currentTestFailed())
                return;
        }
    }

    // Every command on every source, in each place a file is named: exit 1,
    // the file named, nothing on standard output, under a 2 GB address space.
    void commandsRefuseWhatNeverEnds() {
        // clang-format off
        const QList<QStringList> commands = {
            {"hex", "@"}, {"check", "@"}, {"show", "@"}, {"ccf", "@"}, {"dbc", "@"},
            {"hex", StartupCcf, "--catalogue", "@"}, {"dbc", DemoDbc, "--catalogue", "@"},
            {"import", "@", "EngineSpeed", "--into", StartupCcf},
            {"import", DemoDbc, "EngineSpeed", "--into", "@"}};
        // clang-format on
#if defined(CAC_ADDRESS_SANITIZER)
        const rlim_t addressSpace = 0; // the sanitizer's shadow memory needs far more
#else
        const rlim_t addressSpace = CliAddressSpace;
#endif
        for (const Source& source : Sources) {
            WithSource(m_dir, source.name, [&](const QString& path) {
                for (QStringList arguments : commands) {
                    arguments[arguments.indexOf("@")] = path;
                    const RowName row(QString(source.name) + ": " + arguments.join(' '));
                    const Run run = RunCli(arguments, m_dir.path(), 0, addressSpace);
                    QCOMPARE(run.exitCode, 1);
                    QVERIFY2(run.err.contains(QFile::encodeName(path)), run.err.constData());
                    QVERIFY2(run.err.contains(source.reason) ||
                                 (Growing(source) && run.err.contains("defines no message")),
                             run.err.constData());
                    QCOMPARE(run.out, QByteArray());
                }
            });
            if (QTest::currentTestFailed())
                return;
        }
    }

    // The whole file when it holds at most the limit, checked against the
    // bytes written, at the edges of the limit and of the pieces read.
    void readsUpToTheLimit() {
        constexpr qint64 Limit = 100 * 1000; // more than one piece
        const QByteArray content = [] {
            QByteArray bytes(2 * Limit + 1, Qt::Uninitialized);
            QRandomGenerator generator(22);
            for (char& c : bytes)
                c = static_cast<char>(generator.bounded(256));
            return bytes;
        }();
        const QString path = m_dir.filePath("sized");
        for (const qint64 size : {qint64{0}, qint64{1}, qint64{64 * 1024}, Limit - 1, Limit,
                                  Limit + 1, 2 * Limit + 1}) {
            const RowName row(QString::number(size));
            WriteFile(path, content.first(size));
            const FileRead read = ReadRegularFile(path, Limit, QStringLiteral("a test file"));
            QCOMPARE(read.ok(), size <= Limit);
            if (read.ok()) {
                QCOMPARE(read.bytes, content.first(size));
            } else {
                QCOMPARE(read.refusal, FileRefusal::TooLarge);
                QCOMPARE(read.reason,
                         QString("it holds more than 100000 bytes, too large for a test file"));
            }

            // A stream reader gets the same bytes, and one more when there are more.
            const OpenedFile opened = OpenRegularFile(path);
            QVERIFY(opened.file);
            BoundedInput input(*opened.file, Limit);
            QCOMPARE(ReadBounded(input), content.first(std::min(size, Limit + 1)));
            QCOMPARE(input.overLimit(), size > Limit);
        }
        QCOMPARE(OpenRegularFile(m_dir.filePath("none")).refusal, FileRefusal::Missing);
        QCOMPARE(OpenRegularFile(QString()).refusal, FileRefusal::Missing);
    }

    // A file that reports a size within the limit and then holds more (as a
    // growing file does, and as /proc's files always do: they report 0 bytes)
    // is refused on the bytes read.
    void bytesReadDecideNotTheSize() {
        if (!QFileInfo(QStringLiteral("/proc/self/status")).isFile())
            QSKIP("no /proc here");
        QFile status(QStringLiteral("/proc/self/status"));
        QVERIFY(status.open(QIODevice::ReadOnly));
        const qint64 bytes = status.readAll().size();
        QVERIFY(bytes > 100);
        for (const qint64 limit : {qint64{16}, bytes / 2}) {
            const RowName row(QString::number(limit));
            const FileRead read = ReadRegularFile(QStringLiteral("/proc/self/status"), limit,
                                                  QStringLiteral("a test file"));
            QCOMPARE(read.refusal, FileRefusal::TooLarge);
            QVERIFY(read.bytes.isEmpty());
        }
    }

    // A .ccf's lines after the 14th are never read: a file may go on past the
    // limit as long as its 14 lines end within it.
    void configurationEndsWithinTheLimit() {
        ConfigModel configured;
        configured.setCell(15, 3, "0x7FF");
        configured.setObdPriority(18, "8");
        const QByteArray lines = SerializeCcf(configured);
        const QByteArray head = lines.first(lines.size() - 2); // without the 14th line's end
        const QString path = m_dir.filePath("long.ccf");
        // Where the 14th line's CR lies: the last byte within the limit, or the first past it.
        for (const qint64 crAt : {MaxCcfFileSize - 1, MaxCcfFileSize}) {
            const RowName row(QString::number(crAt));
            {
                // The line runs on in NUL bytes, which the hole leaves, then
                // more lines follow past the limit.
                QFile file(path);
                QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
                QCOMPARE(file.write(head), head.size());
                QVERIFY(file.seek(crAt));
                QCOMPARE(file.write(QByteArray("\r\n").repeated(100 * 1024)), 200 * 1024);
            }
            ConfigModel model;
            QString error;
            const bool loaded = LoadCcfFile(model, path, nullptr, &error);
            QCOMPARE(loaded, crAt < MaxCcfFileSize);
            QCOMPARE(model.cell(15, 3), QString(loaded ? "0x7FF" : ""));
            QCOMPARE(model.obdPriority(18), QString(loaded ? "8" : "OFF"));
            QCOMPARE(error.contains("too large for a configuration file"), !loaded);
        }
        QFile::remove(path);
    }

    // The last resort: a database within its limit that the reader still has
    // no memory for ends the run with exit 1 and the file named, not an abort.
    void outOfMemoryExitsOne() {
#if defined(CAC_ADDRESS_SANITIZER)
        QSKIP("the address sanitizer needs more address space than the limit leaves");
#endif
        const QString path = m_dir.filePath("huge.dbc");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(MaxCanDatabaseFileSize)); // sparse: nothing on disk
        }
        const Run run = RunCli({"dbc", path}, m_dir.path(), 0, 512 * 1024 * 1024);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("out of memory while reading '" + QFile::encodeName(path) + "'"),
                 run.err.constData());
        QFile::remove(path);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_MAIN(ReadersTest)
#include "tst_readers.moc"

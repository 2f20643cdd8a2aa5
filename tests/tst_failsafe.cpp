// Files the user already has survive every failed write, and a catalogue that
// lies about its size is refused without being believed.
#include "Fixtures.h"
#include "VarsFileWriter.h"
#include "catalogue/VariableCatalogue.h"
#include "catalogue/VariableLookup.h"
#include "channels/ConfigModel.h"
#include "configfile/CcfFile.h"
#include "image/ConfigImage.h"
#include "output/IntelHex.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <tuple>

using namespace cac;

namespace {

// Every file below root with its bytes, folders marked as such.
QMap<QString, QByteArray> Snapshot(const QString& root) {
    QMap<QString, QByteArray> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files.insert(QDir(root).relativeFilePath(path),
                     it.fileInfo().isDir() ? QByteArray("<folder>") : ReadAll(path));
    }
    return files;
}

// While it lives, nothing can be created, renamed or removed in the folder, not
// even by root. Not set where the file system or the privileges do not allow it.
class ImmutableFolder {
public:
    explicit ImmutableFolder(const QString& folder) : m_folder(folder), m_set(set(true)) {}
    ~ImmutableFolder() {
        if (m_set)
            set(false);
    }
    bool isSet() const { return m_set; }

private:
    bool set(bool on) const {
        const int fd = ::open(QFile::encodeName(m_folder).constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QString m_folder;
    bool m_set;
};

// Each attempt writes different bytes, so an overwrite cannot pass unnoticed.
bool Write(const QString& writer, const QString& path, const QString& canId) {
    ConfigModel model;
    model.setCell(1, 3, canId);
    model.setBaudRateText("1 Mbit");
    return writer == "ccf" ? SaveCcfFile(model, path)
                           : WriteIntelHex(BuildConfigImage(model, {}), path);
}

} // namespace

class TestFailSafe : public QObject {
    Q_OBJECT
private slots:
    // Both writers go through one safe write: the .ccf writer meets every
    // obstacle, the HEX writer the one that only a safe write survives.
    void failedWriteKeepsEverything_data() {
        QTest::addColumn<QString>("writer");
        QTest::addColumn<QString>("obstacle");
        for (const char* obstacle : {"immutable folder", "read-only folder", "missing folder",
                                     "parent is a file", "target is a folder", "disk full"})
            QTest::addRow("ccf, %s", obstacle) << "ccf" << obstacle;
        QTest::addRow("hex, disk full") << QString("hex") << QString("disk full");
    }
    void failedWriteKeepsEverything() {
        QFETCH(QString, writer);
        QFETCH(QString, obstacle);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString folder = dir.filePath("configs");
        QVERIFY(QDir().mkdir(folder));
        // An earlier file from a good write, and a stranger beside it.
        const QString earlier = folder + "/target";
        QVERIFY(Write(writer, earlier, "0x7FF"));
        QFile other(folder + "/other.txt");
        QVERIFY(other.open(QIODevice::WriteOnly) && other.write("keep me\r\n") == 9);
        other.close();

        QString path = earlier;
        if (obstacle == "missing folder")
            path = folder + "/missing/target";
        else if (obstacle == "parent is a file")
            path = earlier + "/inside";
        else if (obstacle == "target is a folder")
            QVERIFY(QDir().mkdir(path = folder + "/sub"));
        const QMap<QString, QByteArray> before = Snapshot(dir.path());
        QVERIFY(before.value("configs/target").size() > 100);

        bool written = false;
        if (obstacle == "immutable folder") {
            const ImmutableFolder locked(folder);
            if (!locked.isSet())
                QSKIP("the file system or the privileges do not allow the immutable attribute");
            written = Write(writer, path, "0x123");
        } else if (obstacle == "read-only folder") {
            if (::geteuid() == 0)
                QSKIP("folder permissions do not stop root; the immutable folder row covers it");
            QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
            written = Write(writer, path, "0x123");
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        } else if (obstacle == "disk full") {
            const FileSizeLimit limit(64); // either file needs more
            written = Write(writer, path, "0x123");
        } else {
            written = Write(writer, path, "0x123");
        }
        QVERIFY(!written);
        // Byte-identical, and no temporary or partial file left anywhere.
        QCOMPARE(Snapshot(dir.path()), before);
    }

    void corruptCatalogue() {
        // Two empty-named entries of the smallest possible size (75 bytes each)
        // behind a leading table of one record of empty strings.
        tools::VarsFileLayout varsFile;
        varsFile.upperIndexB = 1;
        varsFile.fillUnusedFields = false;
        const QByteArray exact = tools::WriteVarsFile(varsFile);
        QCOMPARE(exact.size(), 4 + 8 + 4 + 2 * 75 + 4);
        auto withUpper = [&](qsizetype at, qint32 value) {
            QByteArray bytes = exact;
            for (int i = 0; i < 4; ++i)
                bytes[at + i] = static_cast<char>((static_cast<quint32>(value) >> (8 * i)) & 0xFF);
            return bytes;
        };
        varsFile.signature = 7577;
        // Upper indices beyond what the rest of the file holds: a B that some
        // catalogue could have is a table cut off early, its entries empty
        // after the end; one whose entries no catalogue file could hold, or a
        // negative one, gives no table at all. Nothing is allocated for
        // entries the file does not hold.
        const qint32 largestB = 64 * 1024 * 1024 / 75 - 1;
        QList<std::tuple<QString, QByteArray, bool, qsizetype>> rows = {
            {"exact fit", exact, false, 2},
            {"B one too many", withUpper(12, 2), true, 3},
            {"B the largest possible", withUpper(12, largestB), true, largestB + 1},
            {"B beyond that", withUpper(12, largestB + 1), true, 0},
            {"B = 2^31 - 1", withUpper(12, 2147483647), true, 0},
            {"B = -2^31", withUpper(12, -2147483647 - 1), true, 0},
            {"A beyond the file", withUpper(0, 20), true, 0},
            {"A = 2^31 - 1", withUpper(0, 2147483647), true, 0},
            {"A = -1", withUpper(0, -1), true, 0},
            {"wrong signature", tools::WriteVarsFile(varsFile), true, 2}};
        // Every cut, including inside a length prefix, a string and the
        // signature: once B is read, the table has its four entries, and the
        // named one is kept once it was read to its end.
        tools::VarsFileLayout named;
        named.upperIndexA = 2;
        named.upperIndexB = 3;
        named.entries = {{2, {"OILT", "Oil temp"}}};
        auto endOfEntry = [named](int id) mutable {
            named.upperIndexB = id; // the file up to that entry, then the signature
            return tools::WriteVarsFile(named).size() - 4;
        };
        const qsizetype tableStart = endOfEntry(-1);
        const qsizetype namedEnd = endOfEntry(2);
        const QByteArray whole = tools::WriteVarsFile(named);
        rows.append({"named, whole", whole, false, 4});
        for (qsizetype size = 0; size < whole.size(); ++size)
            rows.append({QString("named, cut at %1 bytes").arg(size), whole.left(size), true,
                         size < tableStart ? 0 : 4});

        for (const auto& [name, bytes, corrupt, entries] : rows) {
            const RowName row(name);
            const CatalogueLoad load = ReadVariableDefinitions(bytes);
            QCOMPARE(load.corrupt, corrupt);
            QCOMPARE(load.variableList, QStringList{DoNotUseText});
            QCOMPARE(load.catalogue.size(), entries);
            const bool oilKept = bytes.startsWith(whole.left(namedEnd));
            QCOMPARE(FindVariableIndex(load.catalogue, "{OILT}"), oilKept ? 2 : -1);
            QCOMPARE(load.catalogue.size() > 2 ? load.catalogue.at(2).userName : QString(),
                     oilKept ? QString("Oil temp") : QString());
        }
    }
};

QTEST_MAIN(TestFailSafe)
#include "tst_failsafe.moc"

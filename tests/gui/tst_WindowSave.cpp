// One configuration typed into the real window with the keyboard and saved
// through File > Save, with the demo catalogue: the file must be the same on
// every platform the program is built for. The expected bytes were saved by
// the Linux window; the Windows build runs the same test under Wine.
//
//   tst_WindowSave [FILE]   also keeps the saved file as FILE
#include "FakePlatform.h"
#include "app/window/MainForm.h"
#include "app/window/ObjectNames.h"
#include "catalogue/CataloguePath.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

using namespace cac;

namespace {

void key(Qt::Key k, Qt::KeyboardModifiers modifiers = {}) {
    QTest::keyClick(QGuiApplication::focusWindow(), k, modifiers);
}
void type(const QString& text) {
    for (QChar ch : text)
        QTest::keyClick(QGuiApplication::focusWindow(), ch.toLatin1());
}
QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestWindowSave : public QObject {
    Q_OBJECT
private slots:
    void typedAndSaved() {
        QTemporaryDir dir;
        const QString appFolder = dir.filePath(QStringLiteral("my tools"));
        QVERIFY(QDir().mkpath(appFolder));
        QVERIFY(QFile::copy(QStringLiteral(CAC_DEMO_CATALOGUE),
                            appFolder + u'/' + DemoCatalogueFileName));
        testing::FakePlatform fake;
        fake.ports->openable = {3};
        fake.folders->catalogue = dir.filePath(QStringLiteral("Vars.cfg")); // none: the demo
        fake.folders->appFolder = appFolder;
        const QString saved = dir.filePath(QStringLiteral("typed.ccf"));
        fake.dialogs->answer = saved;
        app::MainForm window(fake.services());
        window.startUp();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // Channel 1: engine speed from identifier 0x280, from bit 2, scale 0.25.
        key(Qt::Key_Return); // the variable list of channel 1
        type(QStringLiteral("engine speed"));
        key(Qt::Key_Return);
        key(Qt::Key_Tab);
        key(Qt::Key_Tab);
        type(QStringLiteral("0x280"));
        for (int column = 3; column < 6; ++column)
            key(Qt::Key_Tab);
        type(QStringLiteral("2"));
        key(Qt::Key_Return); // start bit 2
        for (int column = 6; column < 10; ++column)
            key(Qt::Key_Tab);
        type(QStringLiteral("0.25")); // scale factor
        key(Qt::Key_Tab);
        // Channel 2: coolant temperature, offset -40.
        auto* grid = window.findChild<QTableView*>(app::names::ChannelGrid);
        QVERIFY(grid);
        grid->setCurrentIndex(grid->model()->index(1, 0));
        key(Qt::Key_Return);
        type(QStringLiteral("coolant"));
        key(Qt::Key_Return);
        key(Qt::Key_Tab);
        key(Qt::Key_Tab);
        type(QStringLiteral("1440"));
        key(Qt::Key_Tab);
        for (int column = 4; column < 11; ++column)
            key(Qt::Key_Tab);
        type(QStringLiteral("-40"));
        key(Qt::Key_Return);
        window.findChild<QComboBox*>(app::names::BaudRateList)->setCurrentText("250 kbit");

        key(Qt::Key_S, Qt::ControlModifier); // File > Save
        const QByteArray bytes = ReadAll(saved);
        const QStringList arguments = QCoreApplication::arguments();
        if (arguments.size() > 1) {
            QFile keep(arguments.last());
            QVERIFY(keep.open(QIODevice::WriteOnly) && keep.write(bytes) == bytes.size());
        }
        QCOMPARE(bytes, ReadAll(QStringLiteral(CAC_EXPECTED_CCF)));
    }
};

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    TestWindowSave test;
    // The optional FILE is ours, not Qt Test's.
    return QTest::qExec(&test, QStringList{QCoreApplication::arguments().first()});
}
#include "tst_WindowSave.moc"

#pragma once

#include "catalogue/VariableCatalogue.h"

#include <QObject>

class QStatusBar;
class QWidget;

namespace cac {
class ConfigModel;
struct ChannelImport;
} // namespace cac

namespace cac::app {

class EditHistory;
class FileDialogs;

// Tools, "Import from CAN database…": asks for the database, shows it in a
// DbcImportDialog and fills the channels the dialog plans, each as the user's
// own list choices and typed texts would, without asking anything more. The
// status bar then says what was filled.
class DbcImporter : public QObject {
    Q_OBJECT
public:
    DbcImporter(QWidget* window, ConfigModel* model, const VariableCatalogue& catalogue,
                FileDialogs* dialogs, QStatusBar* statusBar, EditHistory* history = nullptr);

    void run();
    // The import dialog on this database, without asking for it.
    void runWith(const QString& path);

signals:
    // The equation display should show this channel, the first one filled.
    void equationRequested(int row);

private:
    void fill(const QList<ChannelImport>& plan, const QString& fileName);

    QWidget* m_window;
    ConfigModel* m_model;
    const VariableCatalogue& m_catalogue;
    FileDialogs* m_dialogs;
    QStatusBar* m_statusBar;
    EditHistory* m_history; // the fill is one undo step
};

} // namespace cac::app

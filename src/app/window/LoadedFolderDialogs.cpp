#include "app/window/LoadedFolderDialogs.h"

#include <QFileInfo>

namespace cac::app {
namespace {

class StartingThere final : public FileDialogs {
public:
    explicit StartingThere(LoadedFolderDialogs* loaded) : m_loaded(loaded) {}

    QString saveFileName(QWidget* parent, const QString& title, const QString& filter) override {
        QString chosen;
        const QString path = saveFileNameIn(parent, title, filter, {}, &chosen);
        return WithChosenSuffix(path, filter, chosen);
    }
    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override {
        return openFileNameIn(parent, title, filter, {});
    }
    QString saveFileNameIn(QWidget* parent, const QString& title, const QString& filter,
                           const QString& folder, QString* chosenFilter) override {
        return m_loaded->saveFileNameIn(parent, title, filter, there(folder), chosenFilter);
    }
    QString openFileNameIn(QWidget* parent, const QString& title, const QString& filter,
                           const QString& folder) override {
        return m_loaded->openFileNameIn(parent, title, filter, there(folder));
    }

private:
    QString there(const QString& folder) const {
        return folder.isEmpty() ? m_loaded->folder() : folder;
    }
    LoadedFolderDialogs* m_loaded;
};

} // namespace

LoadedFolderDialogs::LoadedFolderDialogs(std::unique_ptr<FileDialogs> platform)
    : m_platform(std::move(platform)), m_startingThere(std::make_unique<StartingThere>(this)) {}

LoadedFolderDialogs::~LoadedFolderDialogs() = default;

void LoadedFolderDialogs::noteLoaded(const QString& path) {
    if (!path.isEmpty())
        m_folder = QFileInfo(path).absolutePath();
}

QString LoadedFolderDialogs::saveFileName(QWidget* parent, const QString& title,
                                          const QString& filter) {
    return m_platform->saveFileName(parent, title, filter);
}

QString LoadedFolderDialogs::openFileName(QWidget* parent, const QString& title,
                                          const QString& filter) {
    QString path = m_platform->openFileName(parent, title, filter);
    noteLoaded(path);
    return path;
}

QString LoadedFolderDialogs::saveFileNameIn(QWidget* parent, const QString& title,
                                            const QString& filter, const QString& folder,
                                            QString* chosenFilter) {
    return m_platform->saveFileNameIn(parent, title, filter, folder, chosenFilter);
}

QString LoadedFolderDialogs::openFileNameIn(QWidget* parent, const QString& title,
                                            const QString& filter, const QString& folder) {
    QString path = m_platform->openFileNameIn(parent, title, filter, folder);
    noteLoaded(path);
    return path;
}

} // namespace cac::app

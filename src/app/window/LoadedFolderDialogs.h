#pragma once

#include "app/platform/PlatformServices.h"

#include <memory>

namespace cac::app {

// The platform's file dialogs, passed through unchanged, noting the folder
// of every file the window loads: opened in a dialog, or handed to the
// window (noteLoaded). startingThere() gives the dialogs the window has
// beyond the configuration file's (the frame picture's Save picture as, the
// preview's log): they open in that folder, and a picture saved under a name
// without a suffix gets the suffix of the type chosen.
class LoadedFolderDialogs final : public FileDialogs {
public:
    explicit LoadedFolderDialogs(std::unique_ptr<FileDialogs> platform);
    ~LoadedFolderDialogs() override;

    void noteLoaded(const QString& path);
    // Empty until a file is loaded.
    QString folder() const { return m_folder; }
    FileDialogs* startingThere() const { return m_startingThere.get(); }

    QString saveFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& filter) override;
    QString saveFileNameIn(QWidget* parent, const QString& title, const QString& filter,
                           const QString& folder, QString* chosenFilter) override;
    QString openFileNameIn(QWidget* parent, const QString& title, const QString& filter,
                           const QString& folder) override;

private:
    std::unique_ptr<FileDialogs> m_platform;
    std::unique_ptr<FileDialogs> m_startingThere;
    QString m_folder;
};

} // namespace cac::app

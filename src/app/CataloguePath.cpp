#include "app/CataloguePath.h"

#include <QDir>
#include <QFileInfo>

namespace cac::app {

QString ChooseCataloguePath(const QString& userCataloguePath, const QString& applicationFolder) {
    if (QFileInfo(userCataloguePath).isFile())
        return userCataloguePath;
    const QString demo = QDir(applicationFolder).filePath(DemoCatalogueFileName);
    if (QFileInfo(demo).isFile())
        return demo;
    return userCataloguePath;
}

} // namespace cac::app

#include "catalogue/CataloguePath.h"

#include <QDir>
#include <QFileInfo>

namespace cac {

QString ChooseCataloguePath(const QString& userCataloguePath, const QString& applicationFolder) {
    if (QFileInfo(userCataloguePath).isFile())
        return userCataloguePath;
    const QDir folder(applicationFolder);
    for (const QString& demo :
         {folder.filePath(DemoCatalogueFileName),
          folder.filePath(InstalledDataFolder + u'/' + DemoCatalogueFileName)}) {
        if (QFileInfo(demo).isFile())
            return QDir::cleanPath(demo);
    }
    return userCataloguePath;
}

} // namespace cac

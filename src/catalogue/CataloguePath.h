#pragma once

#include <QString>

namespace cac {

// The demo catalogue of our own, so that a first start without a catalogue of
// the user's own shows a working variable list. The build places it beside
// the executable; an installation places it in the data folder
// share/can-adapter-config/ beside bin/.
inline const QString DemoCatalogueFileName = QStringLiteral("DemoVars.cfg");

// Where an installed program keeps its data, relative to its own folder.
inline const QString InstalledDataFolder = QStringLiteral("../share/can-adapter-config");

// The catalogue to read: the user's own when it exists, otherwise the demo
// catalogue beside the executable or in the installed data folder, whichever
// exists first, otherwise the user's path again (so a missing catalogue is
// reported as usual). Nothing is copied or written: a user's catalogue is
// never touched. The window and the command-line tool both ask here, each
// with its own folder, so they read the same catalogue.
QString ChooseCataloguePath(const QString& userCataloguePath, const QString& applicationFolder);

} // namespace cac

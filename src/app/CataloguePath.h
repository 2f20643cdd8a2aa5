#pragma once

#include <QString>

namespace cac::app {

// The demo catalogue the build places beside the executable, so that a first
// start without a catalogue of the user's own shows a working variable list.
inline const QString DemoCatalogueFileName = QStringLiteral("DemoVars.cfg");

// The catalogue to read: the user's own when it exists, otherwise the demo
// catalogue in the application folder when that exists, otherwise the user's
// path again (so a missing catalogue is reported as usual). Nothing is copied
// or written: a user's catalogue is never touched.
QString ChooseCataloguePath(const QString& userCataloguePath, const QString& applicationFolder);

} // namespace cac::app

#include "catalogue/VariableCatalogue.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
#include <shlobj.h>
#include <windows.h>
#endif

namespace cac {

QString TrimAtNull(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString GetSpecialFolder() {
#ifdef Q_OS_WIN
    // The wide form, so a user name outside the system's code page survives.
    wchar_t buffer[MAX_PATH + 1] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, 0, buffer) != S_OK)
        return {};
    return TrimAtNull(QString::fromWCharArray(buffer, MAX_PATH)) + QStringLiteral("\\Vorlane\\");
#else
    // The XDG data home stands in for the per-user application data folder.
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || !base.startsWith(u'/')) {
        const QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty())
            return {};
        base = home + QStringLiteral("/.local/share");
    }
    if (!base.endsWith(u'/'))
        base += u'/';
    return base + QStringLiteral("Vorlane/");
#endif
}

QString DefaultCataloguePath() {
    return GetSpecialFolder() + QStringLiteral("Vars.cfg");
}

} // namespace cac

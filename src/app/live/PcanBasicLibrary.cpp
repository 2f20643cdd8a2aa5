#include "app/live/PcanBasicLibrary.h"

#include "app/preview/PreviewTexts.h"

#include <QDir>
#include <QStringList>

#include <type_traits>

#include <windows.h>

namespace cac::app {

namespace {

// Where the loaded library lies: a user may have several copies.
QString LoadedFrom(const QString& name) {
    wchar_t path[MAX_PATH] = {};
    const HMODULE module = ::GetModuleHandleW(reinterpret_cast<const wchar_t*>(name.utf16()));
    if (!module || ::GetModuleFileNameW(module, path, MAX_PATH) == 0)
        return name;
    return QDir::toNativeSeparators(QString::fromWCharArray(path));
}

} // namespace

PcanBasicLibrary& PcanBasicLibrary::instance() {
    static PcanBasicLibrary library;
    return library;
}

PcanBasicLibrary::PcanBasicLibrary() : m_library(QStringLiteral("PCANBasic")) {
    if (!m_library.load()) {
        m_loadError = texts::LivePcanNotInstalled;
        return;
    }
    // Each missing function is named: the user can tell an old library
    // from a damaged one.
    QStringList missing;
    const auto resolve = [this, &missing](auto* function, const char* name) {
        *function =
            reinterpret_cast<std::remove_pointer_t<decltype(function)>>(m_library.resolve(name));
        if (!*function)
            missing << QLatin1String(name);
    };
    m_getValue = reinterpret_cast<GetValue>(m_library.resolve("CAN_GetValue")); // optional
    Initialize initialize = nullptr;
    resolve(&initialize, "CAN_Initialize");
    resolve(&m_uninitialize, "CAN_Uninitialize");
    resolve(&m_read, "CAN_Read");
    resolve(&m_errorText, "CAN_GetErrorText");
    if (!missing.isEmpty()) {
        m_loadError = texts::livePcanUnusable(LoadedFrom(m_library.fileName()), missing);
        return;
    }
    m_initialize = initialize; // the last: it says the library is usable
}

pcan::Status PcanBasicLibrary::initialize(pcan::Handle channel, pcan::BaudCode rate) const {
    return m_initialize(channel, rate, 0, 0, 0); // plug-and-play hardware: no type, port, interrupt
}

pcan::Status PcanBasicLibrary::uninitialize(pcan::Handle channel) const {
    return m_uninitialize(channel);
}

pcan::Status PcanBasicLibrary::read(pcan::Handle channel, pcan::Message* message,
                                    pcan::Timestamp* stamp) const {
    return m_read(channel, message, stamp);
}

bool PcanBasicLibrary::channelAvailable(pcan::Handle channel) const {
    if (!m_getValue)
        return true;
    std::uint32_t condition = 0;
    if (m_getValue(channel, pcan::ParameterChannelCondition, &condition, sizeof condition) !=
        pcan::ErrorOk)
        return false;
    return condition == pcan::ChannelAvailable;
}

QString PcanBasicLibrary::errorText(pcan::Status status) const {
    char text[256] = {};
    if (m_errorText(status, 0x09, text) != pcan::ErrorOk || text[0] == '\0') // 0x09: English
        return QStringLiteral("PCAN-Basic error 0x%1").arg(status, 0, 16);
    return QString::fromLocal8Bit(text);
}

} // namespace cac::app

#include "app/live/PcanBasicLibrary.h"

#include "app/preview/PreviewTexts.h"

#include <type_traits>

namespace cac::app {

PcanBasicLibrary& PcanBasicLibrary::instance() {
    static PcanBasicLibrary library;
    return library;
}

PcanBasicLibrary::PcanBasicLibrary() : m_library(QStringLiteral("PCANBasic")) {
    if (!m_library.load()) {
        m_loadError = texts::LivePcanNotInstalled;
        return;
    }
    const auto resolve = [this](auto* function, const char* name) {
        *function =
            reinterpret_cast<std::remove_pointer_t<decltype(function)>>(m_library.resolve(name));
        return *function != nullptr;
    };
    m_getValue = reinterpret_cast<GetValue>(m_library.resolve("CAN_GetValue")); // optional
    Initialize initialize = nullptr;
    if (!resolve(&initialize, "CAN_Initialize") || !resolve(&m_uninitialize, "CAN_Uninitialize") ||
        !resolve(&m_read, "CAN_Read") || !resolve(&m_errorText, "CAN_GetErrorText")) {
        m_loadError = texts::livePcanUnusable(m_library.fileName());
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

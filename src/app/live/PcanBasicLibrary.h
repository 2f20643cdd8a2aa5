#pragma once

#include "live/PcanBasicValues.h"

#include <QLibrary>
#include <QString>

namespace cac::app {

// PEAK's PCAN-Basic library, loaded at run time where it is installed
// (PCANBasic.dll beside the program or on the system's path): the program
// needs nothing of it to build or to start.
class PcanBasicLibrary {
public:
    // The library of this process, loaded at the first call.
    static PcanBasicLibrary& instance();

    bool isLoaded() const { return m_initialize != nullptr; }
    // Why it is not (not installed, or too old a library).
    QString loadError() const { return m_loadError; }

    pcan::Status initialize(pcan::Handle channel, pcan::BaudCode rate) const;
    pcan::Status uninitialize(pcan::Handle channel) const;
    pcan::Status read(pcan::Handle channel, pcan::Message* message, pcan::Timestamp* stamp) const;
    // Whether a channel can be initialised now (present and not in use);
    // true when the library cannot tell.
    bool channelAvailable(pcan::Handle channel) const;
    // The library's own text for a status.
    QString errorText(pcan::Status status) const;

private:
    PcanBasicLibrary();

#ifdef _WIN32
#define CAC_PCAN_CALL __stdcall
#else
#define CAC_PCAN_CALL
#endif
    using Initialize = pcan::Status(CAC_PCAN_CALL*)(pcan::Handle, pcan::BaudCode, std::uint8_t,
                                                    std::uint32_t, std::uint16_t);
    using Uninitialize = pcan::Status(CAC_PCAN_CALL*)(pcan::Handle);
    using Read = pcan::Status(CAC_PCAN_CALL*)(pcan::Handle, pcan::Message*, pcan::Timestamp*);
    using GetErrorText = pcan::Status(CAC_PCAN_CALL*)(pcan::Status, std::uint16_t, char*);
    using GetValue = pcan::Status(CAC_PCAN_CALL*)(pcan::Handle, std::uint8_t, void*, std::uint32_t);
#undef CAC_PCAN_CALL

    QLibrary m_library;
    QString m_loadError;
    Initialize m_initialize = nullptr;
    Uninitialize m_uninitialize = nullptr;
    Read m_read = nullptr;
    GetErrorText m_errorText = nullptr;
    GetValue m_getValue = nullptr;
};

} // namespace cac::app

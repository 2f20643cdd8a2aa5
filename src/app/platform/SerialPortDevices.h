#pragma once

#include "app/platform/PlatformServices.h"

#include <QString>

namespace cac::app {

// The Wine prefix the flasher runs in: $WINEPREFIX when set, else ~/.wine.
QString WinePrefixFolder(const QString& winePrefixVariable, const QString& homeFolder);

// The device the flasher opens as COMn. On Windows that is COMn itself;
// elsewhere it is where the Wine prefix's dosdevices/comN link points when the
// prefix has that link, otherwise /dev/ttyS(n-1), as Wine maps it by default.
QString SerialPortDevice(int portNumber, const QString& winePrefix);

// The name Win32 opens a port device by: COM10 and above exist only in the
// device namespace, so every port goes through it ("\\.\COM3").
QString Win32DevicePath(const QString& device);

// Probes the devices behind ports 1 to 16 through the serial-port layer. A
// device that cannot even be opened as a file (absent, no hardware behind
// it, no permission) is passed over before the serial-port layer is asked,
// since that layer would fail on it too, after taking and dropping a lock file.
class DeviceSerialPortProbe final : public SerialPortProbe {
public:
    explicit DeviceSerialPortProbe(QString winePrefix);
    bool canOpen(int portNumber) override;
    QString deviceName(int portNumber) const override;

private:
    QString m_winePrefix;
};

} // namespace cac::app

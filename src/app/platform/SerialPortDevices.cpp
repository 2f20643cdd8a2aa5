#include "app/platform/SerialPortDevices.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_WIN
#include <windows.h>
#else
#include <QSerialPort>
#include <fcntl.h>
#include <unistd.h>
#endif

namespace cac::app {

QString WinePrefixFolder(const QString& winePrefixVariable, const QString& homeFolder) {
    return winePrefixVariable.isEmpty() ? homeFolder + QStringLiteral("/.wine")
                                        : winePrefixVariable;
}

QString SerialPortDevice(int portNumber, const QString& winePrefix) {
#ifdef Q_OS_WIN
    Q_UNUSED(winePrefix);
    return QStringLiteral("COM%1").arg(portNumber);
#else
    const QFileInfo link(QStringLiteral("%1/dosdevices/com%2").arg(winePrefix).arg(portNumber));
    if (link.isSymLink())
        return link.symLinkTarget();
    return QStringLiteral("/dev/ttyS%1").arg(portNumber - 1);
#endif
}

DeviceSerialPortProbe::DeviceSerialPortProbe(QString winePrefix)
    : m_winePrefix(std::move(winePrefix)) {}

QString DeviceSerialPortProbe::deviceName(int portNumber) const {
    return SerialPortDevice(portNumber, m_winePrefix);
}

QString Win32DevicePath(const QString& device) {
    return QStringLiteral("\\\\.\\") + device;
}

bool DeviceSerialPortProbe::canOpen(int portNumber) {
    const QString device = deviceName(portNumber);
#ifdef Q_OS_WIN
    // Exclusive read and write, as the flasher will open it: a port that is
    // absent or held by another program fails here.
    const std::wstring path = Win32DevicePath(device).toStdWString();
    const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(handle);
    return true;
#else
    // The same open the serial-port layer makes first, without its lock file.
    const int fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    ::close(fd);
    QSerialPort port;
    port.setPortName(device);
    if (!port.open(QIODevice::ReadWrite))
        return false;
    port.close();
    return true;
#endif
}

} // namespace cac::app

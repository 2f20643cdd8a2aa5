// The one place that knows which kinds of live interface this build has.
#include "app/live/LiveInterfaces.h"

#include "app/live/SlcanSource.h"
#include "app/platform/PlatformServices.h"
#include "app/preview/PreviewTexts.h"
#include "live/SlcanProtocol.h"

#ifdef Q_OS_WIN
#include "app/live/PcanBasicLibrary.h"
#include "app/live/PcanSource.h"
#else
#include <QSerialPortInfo>
#endif
#ifdef CAC_HAVE_SERIALBUS
#include "app/live/SerialBusSource.h"
#endif

namespace cac::app {

namespace {

constexpr int SerialPorts = 16;

void AddSerialPorts(SerialPortProbe* ports, LiveInterfaceList* list) {
    QStringList devices;
    for (int port = 1; port <= SerialPorts; ++port) {
        if (!ports->canOpen(port))
            continue;
        const QString device = ports->deviceName(port);
        devices << device;
        list->interfaces.append({LiveInterface::Kind::Slcan, texts::liveSlcanOnPort(port, device),
                                 device, QString(), slcan::BitRates()});
    }
#ifndef Q_OS_WIN
    // USB adapters on Linux are ttyACM or ttyUSB devices, which no COM port
    // of the flasher need stand for.
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString name = info.portName();
        if (!(name.startsWith(QLatin1String("ttyACM")) ||
              name.startsWith(QLatin1String("ttyUSB"))) ||
            devices.contains(info.systemLocation()))
            continue;
        list->interfaces.append({LiveInterface::Kind::Slcan, texts::liveSlcanOnDevice(name),
                                 info.systemLocation(), QString(), slcan::BitRates()});
    }
#endif
}

void AddPcanChannels([[maybe_unused]] LiveInterfaceList* list) {
#ifdef Q_OS_WIN
    const PcanBasicLibrary& library = PcanBasicLibrary::instance();
    if (!library.isLoaded()) {
        list->notes << library.loadError();
        return;
    }
    const qsizetype before = list->interfaces.size();
    for (int number = 1; number <= pcan::UsbChannelCount; ++number) {
        const pcan::Handle channel = pcan::UsbChannel(number);
        if (library.channelAvailable(channel))
            list->interfaces.append({LiveInterface::Kind::Pcan, texts::livePcanUsb(number),
                                     QString::number(channel), QString(), pcan::BitRates()});
    }
    if (list->interfaces.size() == before)
        list->notes << texts::LivePcanNoChannel;
#endif
}

void AddSystemInterfaces([[maybe_unused]] LiveInterfaceList* list) {
#ifdef CAC_HAVE_SERIALBUS
    // SocketCAN first: on Linux, USB interfaces with a kernel driver are there.
    QStringList drivers = SerialBusSource::plugins();
    if (drivers.removeOne(QStringLiteral("socketcan")))
        drivers.prepend(QStringLiteral("socketcan"));
    for (const QString& driver : drivers) {
        const QStringList names = SerialBusSource::interfaces(driver);
        for (const QString& name : names)
            list->interfaces.append({LiveInterface::Kind::System,
                                     texts::liveSystemInterface(name, driver),
                                     name,
                                     driver,
                                     {}});
        // A virtual bus may live on another machine: its name is typed.
        if (names.isEmpty() && driver == QLatin1String("virtualcan"))
            list->interfaces.append({LiveInterface::Kind::System,
                                     texts::liveSystemInterface(QString(), driver),
                                     QString(),
                                     driver,
                                     {}});
    }
#endif
}

} // namespace

LiveInterfaceList ListLiveInterfaces(SerialPortProbe* ports) {
    LiveInterfaceList list;
    AddSerialPorts(ports, &list);
    AddPcanChannels(&list);
    AddSystemInterfaces(&list);
    return list;
}

std::unique_ptr<LiveCanSource> MakeLiveSource(const LiveInterface& choice, int bitRate,
                                              [[maybe_unused]] const QString& address) {
    switch (choice.kind) {
    case LiveInterface::Kind::Slcan:
        return std::make_unique<SlcanSource>(choice.address, choice.title, bitRate);
    case LiveInterface::Kind::Pcan:
#ifdef Q_OS_WIN
        return std::make_unique<PcanSource>(static_cast<pcan::Handle>(choice.address.toUInt()),
                                            choice.title, bitRate);
#else
        break;
#endif
    case LiveInterface::Kind::System:
#ifdef CAC_HAVE_SERIALBUS
        return std::make_unique<SerialBusSource>(
            choice.driver, address, texts::liveSystemInterface(address, choice.driver));
#else
        break;
#endif
    }
    return nullptr;
}

} // namespace cac::app

#include "app/preview/LiveCanSource.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>

#include <algorithm>

namespace cac::app {

LiveCanSource::LiveCanSource(QObject* parent) : QObject(parent) {
    qRegisterMetaType<QList<cac::CanFrame>>();
}

LiveCanSource::~LiveCanSource() {
    close();
}

QStringList LiveCanSource::plugins() {
    return QCanBus::instance()->plugins();
}

QStringList LiveCanSource::interfaces(const QString& plugin) {
    QStringList names;
    for (const QCanBusDeviceInfo& info : QCanBus::instance()->availableDevices(plugin))
        names << info.name();
    return names;
}

bool LiveCanSource::open(const QString& plugin, const QString& interfaceName, QString* error) {
    close();
    QString reason;
    QCanBusDevice* device = QCanBus::instance()->createDevice(plugin, interfaceName, &reason);
    if (!device) {
        *error = reason.isEmpty() ? QStringLiteral("no such plugin or interface") : reason;
        return false;
    }
    device->setParent(this);
    connect(device, &QCanBusDevice::framesReceived, this, &LiveCanSource::readFrames);
    connect(device, &QCanBusDevice::errorOccurred, this, [this, device] {
        if (device->error() != QCanBusDevice::NoError)
            emit failed(device->errorString());
    });
    connect(device, &QCanBusDevice::stateChanged, this, [this](QCanBusDevice::CanBusDeviceState s) {
        if (s == QCanBusDevice::ConnectedState)
            emit connected();
        else if (s == QCanBusDevice::UnconnectedState && m_device)
            close(); // the interface went away
    });
    m_clock.start();
    m_fdSkipped = 0;
    m_plugin = plugin;
    m_interface = interfaceName;
    m_device = device;
    if (!device->connectDevice()) {
        *error = device->errorString();
        m_device = nullptr;
        device->deleteLater();
        return false;
    }
    return true;
}

void LiveCanSource::close() {
    if (!m_device)
        return;
    QCanBusDevice* device = std::exchange(m_device, nullptr);
    device->disconnect(this);
    device->disconnectDevice();
    device->deleteLater();
    emit closed();
}

void LiveCanSource::readFrames() {
    if (!m_device)
        return;
    QList<CanFrame> frames;
    const double now = m_clock.nsecsElapsed() / 1e9;
    for (const QCanBusFrame& in : m_device->readAllFrames()) {
        if (in.hasFlexibleDataRateFormat()) {
            ++m_fdSkipped;
            continue;
        }
        if (!in.isValid())
            continue;
        CanFrame frame;
        frame.time = now;
        frame.id = in.frameId();
        frame.extended = in.hasExtendedFrameFormat();
        frame.remote = in.frameType() == QCanBusFrame::RemoteRequestFrame;
        frame.error = in.frameType() == QCanBusFrame::ErrorFrame;
        const QByteArray payload = in.payload();
        frame.length = static_cast<std::uint8_t>(std::min<qsizetype>(payload.size(), 8));
        std::copy_n(payload.cbegin(), frame.length, frame.data.begin());
        frames.append(frame);
    }
    if (!frames.isEmpty())
        emit framesArrived(frames);
}

} // namespace cac::app

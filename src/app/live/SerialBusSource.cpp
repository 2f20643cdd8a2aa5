#include "app/live/SerialBusSource.h"

#include "app/preview/PreviewTexts.h"

#include <QCanBus>
#include <QCanBusDevice>
#include <QCanBusFrame>
#include <utility>

#include <algorithm>

namespace cac::app {

SerialBusSource::SerialBusSource(QString plugin, QString interfaceName, QString title,
                                 QObject* parent)
    : LiveCanSource(parent), m_plugin(std::move(plugin)), m_interface(std::move(interfaceName)),
      m_title(std::move(title)) {}

SerialBusSource::~SerialBusSource() {
    if (m_device)
        std::exchange(m_device, nullptr)->disconnectDevice();
}

QStringList SerialBusSource::plugins() {
    return QCanBus::instance()->plugins();
}

QStringList SerialBusSource::interfaces(const QString& plugin) {
    QStringList names;
    for (const QCanBusDeviceInfo& info : QCanBus::instance()->availableDevices(plugin))
        names << info.name();
    return names;
}

bool SerialBusSource::open(QString* error) {
    QString reason;
    QCanBusDevice* device = QCanBus::instance()->createDevice(m_plugin, m_interface, &reason);
    if (!device) {
        *error = reason.isEmpty() ? QStringLiteral("no such interface") : reason;
        return false;
    }
    device->setParent(this);
    connect(device, &QCanBusDevice::framesReceived, this, &SerialBusSource::readFrames);
    connect(device, &QCanBusDevice::errorOccurred, this, [this, device] {
        if (device->error() != QCanBusDevice::NoError)
            end(device->errorString());
    });
    connect(device, &QCanBusDevice::stateChanged, this, [this](QCanBusDevice::CanBusDeviceState s) {
        if (s == QCanBusDevice::ConnectedState)
            emit connected();
        else if (s == QCanBusDevice::UnconnectedState && m_device)
            end(QStringLiteral("the interface went away"));
    });
    m_clock.start();
    m_fdSkipped = 0;
    m_device = device;
    if (!device->connectDevice()) {
        *error = device->errorString();
        m_device = nullptr;
        device->disconnect(this);
        device->deleteLater();
        return false;
    }
    return true;
}

void SerialBusSource::close() {
    end(QString());
}

void SerialBusSource::end(const QString& reason) {
    if (!m_device)
        return;
    QCanBusDevice* device = std::exchange(m_device, nullptr);
    device->disconnect(this);
    device->disconnectDevice();
    device->deleteLater();
    emit closed(reason);
}

QStringList SerialBusSource::notes() const {
    if (m_fdSkipped == 0)
        return {};
    return {texts::previewFdSkipped(m_fdSkipped)};
}

void SerialBusSource::readFrames() {
    if (!m_device)
        return;
    QList<CanFrame> frames;
    const double now = m_clock.nsecsElapsed() / 1e9;
    const qint64 skippedBefore = m_fdSkipped;
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
    if (m_fdSkipped != skippedBefore)
        emit notesChanged();
    if (!frames.isEmpty())
        emit framesArrived(frames);
}

} // namespace cac::app

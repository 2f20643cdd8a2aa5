#include "app/live/PcanSource.h"

#include "app/live/PcanBasicLibrary.h"
#include "app/preview/PreviewTexts.h"

namespace cac::app {

namespace {

constexpr int PollMs = 20;
constexpr int MostPerPoll = 4096; // the window gets its turn on a busy bus too

} // namespace

PcanSource::PcanSource(pcan::Handle channel, QString title, int bitRate, QObject* parent)
    : LiveCanSource(parent), m_channel(channel), m_title(std::move(title)), m_bitRate(bitRate) {
    m_poll.setInterval(PollMs);
    connect(&m_poll, &QTimer::timeout, this, &PcanSource::poll);
}

PcanSource::~PcanSource() {
    if (m_open)
        PcanBasicLibrary::instance().uninitialize(m_channel);
}

bool PcanSource::open(QString* error) {
    const PcanBasicLibrary& library = PcanBasicLibrary::instance();
    if (!library.isLoaded()) {
        *error = library.loadError();
        return false;
    }
    const pcan::BaudCode code = pcan::BaudCodeOf(m_bitRate);
    if (code == 0) {
        *error = texts::liveNoPcanRate(m_bitRate);
        return false;
    }
    const pcan::Status status = library.initialize(m_channel, code);
    if (status != pcan::ErrorOk) {
        *error = library.errorText(status);
        return false;
    }
    m_open = true;
    m_timed = false;
    m_busState.clear();
    m_clock.start();
    m_poll.start();
    QTimer::singleShot(0, this, [this] {
        if (m_open)
            emit connected();
    });
    return true;
}

void PcanSource::close() {
    end(QString());
}

void PcanSource::end(const QString& reason) {
    if (!m_open)
        return;
    m_open = false;
    m_poll.stop();
    PcanBasicLibrary::instance().uninitialize(m_channel);
    emit closed(reason);
}

void PcanSource::poll() {
    const PcanBasicLibrary& library = PcanBasicLibrary::instance();
    QList<CanFrame> frames;
    QString busState = m_busState;
    for (int i = 0; i < MostPerPoll && m_open; ++i) {
        pcan::Message message{};
        pcan::Timestamp stamp{};
        const pcan::Status status = library.read(m_channel, &message, &stamp);
        if (status == pcan::ErrorReceiveQueueEmpty)
            break;
        if (status != pcan::ErrorOk && (status & ~pcan::ErrorBusStates) == 0) {
            busState = library.errorText(status); // the bus is in trouble, the channel reads on
            continue;
        }
        if (status != pcan::ErrorOk) {
            if (!frames.isEmpty())
                emit framesArrived(frames);
            return end(library.errorText(status));
        }
        CanFrame frame;
        if (!pcan::FrameOf(message, stamp, &frame))
            continue;
        if (!m_timed) { // the library counts from the system's start
            m_timed = true;
            m_offset = m_clock.nsecsElapsed() / 1e9 - frame.time;
        }
        frame.time += m_offset;
        frames.append(frame);
    }
    if (busState != m_busState) {
        m_busState = busState;
        emit notesChanged();
    }
    if (!frames.isEmpty())
        emit framesArrived(frames);
}

QStringList PcanSource::notes() const {
    if (m_busState.isEmpty())
        return {};
    return {texts::livePcanBusState(m_busState)};
}

} // namespace cac::app

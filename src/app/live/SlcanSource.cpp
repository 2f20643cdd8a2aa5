#include "app/live/SlcanSource.h"

#include "app/live/SerialLink.h"
#include "app/preview/PreviewTexts.h"

#include <utility>

namespace cac::app {

namespace {

// Adapters answer each command within milliseconds; some firmware answers
// none. After this long without a refusal, the channel is taken as open.
constexpr int AnswerWaitMs = 1000;

} // namespace

SlcanSource::SlcanSource(QString device, QString title, int bitRate, QObject* parent)
    : LiveCanSource(parent), m_device(std::move(device)), m_title(std::move(title)),
      m_bitRate(bitRate) {
    m_silence.setSingleShot(true);
    m_silence.setInterval(AnswerWaitMs);
    connect(&m_silence, &QTimer::timeout, this, [this] {
        if (m_link && !m_listening) {
            m_listening = true;
            emit connected();
        }
    });
}

SlcanSource::~SlcanSource() {
    if (m_link)
        m_link->close(slcan::Session::closeCommand());
}

bool SlcanSource::open(QString* error) {
    const int code = slcan::BitRateCode(m_bitRate);
    if (code < 0) {
        *error = texts::liveNoSlcanRate(m_bitRate);
        return false;
    }
    auto* link = SerialLink::create(this);
    if (!link->open(m_device, error)) {
        delete link;
        return false;
    }
    m_link = link;
    m_session.emplace(code);
    m_listening = false;
    m_malformedShown = 0;
    m_clock.start();
    connect(link, &SerialLink::received, this, &SlcanSource::take);
    connect(link, &SerialLink::ended, this, &SlcanSource::end);
    link->write(m_session->openCommands());
    m_silence.start();
    return true;
}

void SlcanSource::close() {
    end(QString());
}

void SlcanSource::end(const QString& reason) {
    if (!m_link)
        return;
    m_silence.stop();
    SerialLink* link = std::exchange(m_link, nullptr);
    link->disconnect(this);
    link->close(slcan::Session::closeCommand());
    link->deleteLater();
    emit closed(reason);
}

void SlcanSource::take(const QByteArray& bytes) {
    const QList<CanFrame> frames = m_session->feed(bytes, m_clock.nsecsElapsed() / 1e9);
    if (!m_session->refusal().isEmpty())
        return end(m_session->refusal());
    if (!m_listening && (m_session->listening() || !frames.isEmpty())) {
        m_listening = true;
        m_silence.stop();
        emit connected();
    }
    if (m_session->malformed() != m_malformedShown) {
        m_malformedShown = m_session->malformed();
        emit notesChanged();
    }
    if (!frames.isEmpty())
        emit framesArrived(frames);
}

QStringList SlcanSource::notes() const {
    if (!m_session || m_session->malformed() == 0)
        return {};
    return {texts::liveMalformedLines(m_session->malformed(), m_session->firstMalformed())};
}

} // namespace cac::app

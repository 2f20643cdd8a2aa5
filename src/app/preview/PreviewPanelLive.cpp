// The preview of live traffic: a bus chosen in a dialog, its frames decoded
// into the same lines as they arrive. Without Qt SerialBus (the Windows
// build) there is nothing to connect to.
#include "app/preview/PreviewPanel.h"

#include "app/preview/PreviewTexts.h"
#include "app/preview/PreviewWorker.h"

#include <QLabel>
#include <QPushButton>

#ifdef CAC_HAVE_SERIALBUS
#include "app/preview/LiveCanDialog.h"
#include "app/preview/LiveCanSource.h"
#endif

namespace cac::app {

void PreviewPanel::previewLive() {
#ifdef CAC_HAVE_SERIALBUS
    auto* dialog = new LiveCanDialog(parentWidget());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this,
            [this, dialog] { connectLive(dialog->plugin(), dialog->interfaceName()); });
    dialog->open();
#endif
}

void PreviewPanel::connectLive(const QString& plugin, const QString& interfaceName) {
#ifdef CAC_HAVE_SERIALBUS
    disconnectLive();
    if (!m_live) {
        m_live = new LiveCanSource(this);
        connect(m_live, &LiveCanSource::framesArrived, this, &PreviewPanel::takeLiveFrames);
        connect(m_live, &LiveCanSource::failed, this, [this](const QString& reason) {
            const QString text = texts::previewCannotConnect(m_live->interfaceName(), reason);
            m_sourceLabel->setText(text);
            report(text);
        });
        connect(m_live, &LiveCanSource::connected, this, [this] {
            report(texts::previewConnected(m_live->plugin(), m_live->interfaceName()));
            emit liveConnected();
        });
        connect(m_live, &LiveCanSource::closed, this, [this] {
            m_disconnect->hide();
            report(texts::previewLiveEnded(m_live->plugin(), m_live->interfaceName()));
        });
    }
    ++m_generation; // a log still being read is no longer wanted
    m_worker->cancel();
    setReading(false);
    m_source = Source::Live;
    m_path.clear();
    m_pendingPath.clear();
    m_refusal->hide();
    m_kept.reset();
    m_liveKept = KeptFrames(m_cap);
    m_readNotes.clear();
    showNotes({});
    m_decoding = std::make_unique<PreviewDecoding>(currentDecoder());
    show();
    raise();
    QString error;
    if (!m_live->open(plugin, interfaceName, &error)) {
        const QString text = texts::previewCannotConnect(interfaceName, error);
        m_title = text;
        m_sourceLabel->setText(text);
        report(text);
        refreshLines();
        return;
    }
    m_disconnect->show();
    m_title = texts::previewLive(plugin, interfaceName, 0);
    m_sourceLabel->setText(m_title);
    refreshLines();
#else
    Q_UNUSED(plugin);
    Q_UNUSED(interfaceName);
#endif
}

void PreviewPanel::disconnectLive() {
#ifdef CAC_HAVE_SERIALBUS
    if (m_live && m_live->isOpen())
        m_live->close();
#endif
}

void PreviewPanel::takeLiveFrames(const QList<CanFrame>& frames) {
    if (m_source != Source::Live || !m_decoding)
        return;
    for (const CanFrame& frame : frames) {
        m_decoding->add(frame);
        m_liveKept.add(frame);
    }
#ifdef CAC_HAVE_SERIALBUS
    m_title =
        texts::previewLive(m_live->plugin(), m_live->interfaceName(), m_decoding->tally().frames());
    m_sourceLabel->setText(m_title);
#endif
    if (m_liveKept.overflowed())
        showNotes({texts::previewLiveNotKept(m_cap)});
    if (!m_liveRefresh.isActive())
        m_liveRefresh.start();
}

} // namespace cac::app

// The preview of live traffic: a CAN interface chosen in a dialog, its
// frames decoded into the same lines as they arrive.
#include "app/panels/PanelRoom.h"
#include "app/preview/PreviewPanel.h"

#include "app/live/LiveCanSource.h"
#include "app/preview/LiveCanDialog.h"
#include "app/preview/PreviewTexts.h"
#include "app/preview/PreviewWorker.h"
#include "channels/ConfigModel.h"
#include "live/BusBitRate.h"

#include <QLabel>
#include <QPushButton>

namespace cac::app {

void PreviewPanel::previewLive() {
    const QString entry = m_model->baudRateText();
    auto* dialog = new LiveCanDialog(ListLiveInterfaces(m_ports), BitRateOfEntry(entry), entry,
                                     parentWidget());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] {
        connectLive(dialog->choice(), dialog->bitRate(), dialog->address());
    });
    dialog->open();
}

void PreviewPanel::connectLive(const LiveInterface& choice, int bitRate, const QString& address) {
    disconnectLive();
    m_live = MakeLiveSource(choice, bitRate, address);
    if (!m_live)
        return;
    LiveCanSource* source = m_live.get();
    connect(source, &LiveCanSource::framesArrived, this, &PreviewPanel::takeLiveFrames);
    connect(source, &LiveCanSource::notesChanged, this, &PreviewPanel::showLiveNotes);
    connect(source, &LiveCanSource::connected, this, [this, source] {
        m_liveConnected = true;
        report(texts::previewConnected(source->title()));
        emit liveConnected();
    });
    connect(source, &LiveCanSource::closed, this, [this, source](const QString& reason) {
        m_disconnect->hide();
        QString text = texts::previewDisconnected(source->title());
        if (!reason.isEmpty()) {
            text = m_liveConnected ? texts::previewLiveEnded(source->title(), reason)
                                   : texts::previewCannotConnect(source->title(), reason);
            m_title = text;
            m_sourceLabel->setText(text);
        }
        report(text);
        emit liveEnded();
    });
    ++m_generation; // a log still being read is no longer wanted
    m_worker->cancel();
    setReading(false);
    m_source = Source::Live;
    m_path.clear();
    m_pendingPath.clear();
    m_refusal->hide();
    m_kept.reset();
    m_liveKept = KeptFrames(m_cap);
    m_liveConnected = false;
    m_readNotes.clear();
    showNotes({});
    m_decoding = std::make_unique<PreviewDecoding>(currentDecoder());
    OpenBelow(this);
    QString error;
    if (!source->open(&error)) {
        const QString text = texts::previewCannotConnect(source->title(), error);
        m_title = text;
        m_sourceLabel->setText(text);
        report(text);
        refreshLines();
        return;
    }
    m_disconnect->show();
    m_title = texts::previewLive(source->title(), 0);
    m_sourceLabel->setText(m_title);
    refreshLines();
}

void PreviewPanel::disconnectLive() {
    if (m_live && m_live->isOpen())
        m_live->close();
}

void PreviewPanel::showLiveNotes() {
    QStringList notes = m_live ? m_live->notes() : QStringList();
    if (m_liveKept.overflowed())
        notes << texts::previewLiveNotKept(m_cap);
    showNotes(notes);
}

void PreviewPanel::takeLiveFrames(const QList<CanFrame>& frames) {
    if (m_source != Source::Live || !m_decoding)
        return;
    const bool overflowed = m_liveKept.overflowed();
    for (const CanFrame& frame : frames) {
        m_decoding->add(frame);
        m_liveKept.add(frame);
    }
    m_title = texts::previewLive(m_live->title(), m_decoding->tally().frames());
    m_sourceLabel->setText(m_title);
    if (m_liveKept.overflowed() != overflowed)
        showLiveNotes();
    if (!m_liveRefresh.isActive())
        m_liveRefresh.start();
}

} // namespace cac::app

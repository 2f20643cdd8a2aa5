#include "app/desktop/RestoreBar.h"

#include "app/desktop/DesktopTexts.h"
#include "app/window/ObjectNames.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace cac::app {

RestoreBar::RestoreBar(QWidget* parent)
    : QFrame(parent), m_text(new QLabel), m_restore(new QPushButton(texts::RestoreKept)),
      m_discard(new QPushButton(texts::DiscardKept)) {
    setObjectName(names::RestoreBar);
    m_text->setObjectName(names::RestoreBarText);
    m_restore->setObjectName(names::RestoreKept);
    m_discard->setObjectName(names::DiscardKept);
    m_text->setWordWrap(true);
    // A pale yellow band, as an information bar looks in most desktops.
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(0xff, 0xf4, 0xc4));
    colours.setColor(QPalette::WindowText, Qt::black);
    setPalette(colours);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_restore);
    layout->addWidget(m_discard);
    connect(m_restore, &QPushButton::clicked, this, &RestoreBar::restoreChosen);
    connect(m_discard, &QPushButton::clicked, this, &RestoreBar::discardChosen);
    hide();
}

void RestoreBar::offer(const QDateTime& written) {
    m_text->setText(texts::keptChannels(written, QDateTime::currentDateTime()));
    show();
}

} // namespace cac::app

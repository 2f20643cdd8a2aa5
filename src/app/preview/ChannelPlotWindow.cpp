#include "app/preview/ChannelPlotWindow.h"

#include "app/preview/PreviewNames.h"
#include "app/preview/PreviewTexts.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace cac::app {

ChannelPlotWindow::ChannelPlotWindow(QWidget* parent)
    : QDialog(parent), m_legend(new QLabel(this)), m_view(new PlotView(this)) {
    setObjectName(names::PreviewPlot);
    setModal(false);
    auto* reset = new QPushButton(texts::PreviewPlotReset, this);
    reset->setObjectName(names::PreviewPlotReset);
    connect(reset, &QPushButton::clicked, m_view, &PlotView::showWhole);
    auto* hint = new QLabel(texts::PreviewPlotHint, this);
    hint->setEnabled(false);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_legend, 1);
    bottom->addWidget(hint);
    bottom->addWidget(reset);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view, 1);
    layout->addLayout(bottom);
}

void ChannelPlotWindow::showChannel(int channel, const QString& variable, const QString& unit,
                                    std::vector<SeriesBucket> buckets) {
    const bool same = channel == m_channel;
    m_channel = channel;
    setWindowTitle(texts::previewPlotTitle(channel, variable));
    m_legend->setText(
        QStringLiteral("<span style='color:%1'>\u2014 %2</span> &nbsp; "
                       "<span style='color:%3'>\u2014 %4</span>")
            .arg(PlotView::valueColor().name(), texts::previewValueLegend(unit).toHtmlEscaped(),
                 PlotView::rawColor().name(), texts::PreviewRawLegend.toHtmlEscaped()));
    m_view->setSeries(std::move(buckets), same);
}

} // namespace cac::app

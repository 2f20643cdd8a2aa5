#include "app/dbcimport/SignalPreview.h"

#include "app/window/ObjectNames.h"
#include "app/window/WindowTexts.h"
#include "checks/ConfigChecks.h"
#include "dbc/SignalRow.h"

#include <QHeaderView>
#include <QLabel>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace cac::app {
namespace {

constexpr int ValueCharacters = 22; // "Motorola forw MSB" and most variable entries

} // namespace

SignalPreview::SignalPreview(const VariableCatalogue& catalogue, QWidget* parent)
    : QWidget(parent), m_catalogue(catalogue), m_title(new QLabel(this)),
      m_cells(new QTableWidget(this)), m_notes(new QLabel(this)) {
    m_title->setObjectName(names::DbcPreviewTitle);
    m_title->setWordWrap(true);
    m_cells->setObjectName(names::DbcPreview);
    m_cells->setRowCount(ChannelGridColumns - 1);
    m_cells->setColumnCount(1);
    for (int column = 1; column < ChannelGridColumns; ++column)
        m_cells->setVerticalHeaderItem(column - 1,
                                       new QTableWidgetItem(texts::dbcCellTitle(column)));
    m_cells->horizontalHeader()->hide();
    m_cells->horizontalHeader()->setStretchLastSection(true);
    m_cells->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_cells->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_cells->setFocusPolicy(Qt::NoFocus); // nothing to do there by keyboard
    m_cells->setSelectionMode(QAbstractItemView::NoSelection);
    m_cells->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cells->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_cells->setFixedHeight(m_cells->verticalHeader()->length() + 2 * m_cells->frameWidth());
    m_cells->setMinimumWidth(m_cells->verticalHeader()->sizeHint().width() +
                             ValueCharacters * fontMetrics().averageCharWidth());
    m_notes->setObjectName(names::DbcNotes);
    m_notes->setWordWrap(true);
    m_notes->setTextFormat(Qt::RichText);
    m_notes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_notes->setAlignment(Qt::AlignTop | Qt::AlignLeft);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_title);
    layout->addWidget(m_notes); // a refusal is read first
    layout->addWidget(m_cells);
    showNothing();
}

void SignalPreview::showNothing() {
    m_title->setText(texts::DbcNoSignal);
    for (int r = 0; r < m_cells->rowCount(); ++r)
        m_cells->setItem(r, 0, new QTableWidgetItem);
    m_notes->clear();
}

void SignalPreview::showRow(const QString& signalPath, const SignalRow& row,
                            const QString& variableText) {
    m_title->setText(texts::dbcPreviewTitle(signalPath));
    QList<MappingNote> notes = row.notes;
    if (row.importable()) {
        std::array<QString, ChannelGridColumns> cells = row.cells;
        cells[ColVariable] = variableText;
        for (const Finding& finding : CheckChannelRow(cells, m_catalogue))
            notes.append({false, finding.column, texts::findingText(finding)});
    }

    const QIcon marked = style()->standardIcon(QStyle::SP_MessageBoxWarning);
    for (int column = 1; column < ChannelGridColumns; ++column) {
        const QString text = column == ColVariable && row.importable()
                                 ? variableText
                                 : row.cells[static_cast<std::size_t>(column)];
        auto* cell = new QTableWidgetItem(text);
        QStringList said;
        for (const MappingNote& note : notes) {
            if (note.column == column)
                said << note.text;
        }
        if (!said.isEmpty())
            cell->setIcon(marked);
        cell->setToolTip(said.isEmpty() ? text : said.join(u'\n')); // also for a cut text
        m_cells->setItem(column - 1, 0, cell);
    }

    QStringList lines;
    if (!row.importable())
        lines << QStringLiteral("<b>%1</b>").arg(texts::DbcRefused.toHtmlEscaped());
    for (const MappingNote& note : notes) {
        const QString about =
            note.column > 0 ? texts::dbcCellTitle(note.column) + QStringLiteral(": ") : QString();
        lines << QStringLiteral("\u2022 ") + (about + note.text).toHtmlEscaped();
    }
    m_notes->setText(lines.join(QStringLiteral("<br>")));
}

} // namespace cac::app

#include "app/grid/CellTextBox.h"

#include "app/window/DisplayCap.h"
#include "app/window/WindowTexts.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QStatusTipEvent>

#include <limits>

namespace cac::app {

CellTextBox::CellTextBox(QWidget* parent) : QLineEdit(parent) {
    setMaxLength(std::numeric_limits<int>::max());
    // A text that grew too long by a way that is not a key (a drop, the
    // context menu, the selection pasted by the middle button) is held aside
    // as soon as it is there.
    connect(this, &QLineEdit::textChanged, this, [this](const QString& now) {
        if (!m_held && now.size() > EditableLength)
            setCellText(now);
    });
}

void CellTextBox::setCellText(const QString& text) {
    const bool wasHeld = std::exchange(m_held, text.size() > EditableLength);
    m_heldText = m_held ? text : QString();
    setReadOnly(m_held);
    if (!m_held) {
        setText(text);
        if (wasHeld)
            showNotice(QString());
        return;
    }
    const QString beginning = displayCapped(text);
    setText(beginning);
    const int shown = static_cast<int>(beginning.size());
    setSelection(shown, -shown); // all of it, seen from its beginning
    showNotice(texts::longCellNotice(text.size()));
}

void CellTextBox::showNotice(const QString& text) {
    // Reaches the window's status bar the way a status tip does.
    QStatusTipEvent tip(text);
    QCoreApplication::sendEvent(this, &tip);
}

bool CellTextBox::pasteLong() {
    const QString pasted = QGuiApplication::clipboard()->text();
    if (m_held) {
        setCellText(pasted);
        return true;
    }
    const QString now = text();
    const int from = hasSelectedText() ? selectionStart() : cursorPosition();
    const int to = hasSelectedText() ? selectionEnd() : from;
    if (now.size() - (to - from) + pasted.size() <= EditableLength)
        return false;
    setCellText(now.left(from) + pasted + now.mid(to)); // never laid out whole
    return true;
}

void CellTextBox::copyWhole(bool cut) {
    QGuiApplication::clipboard()->setText(m_heldText);
    if (cut)
        setCellText(QString());
}

void CellTextBox::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Paste) && pasteLong())
        return;
    if (!m_held) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut)) {
        copyWhole(event->matches(QKeySequence::Cut));
        return;
    }
    if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete) {
        setCellText(QString());
        return;
    }
    const QString typed = event->text();
    const bool typing =
        !typed.isEmpty() && typed.front().isPrint() &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (typing)
        setCellText(typed);
    else
        QLineEdit::keyPressEvent(event); // moves over the beginning shown
}

void CellTextBox::contextMenuEvent(QContextMenuEvent* event) {
    if (!m_held) {
        QLineEdit::contextMenuEvent(event);
        return;
    }
    // The line edit's own menu would copy only the beginning shown.
    QMenu menu(this);
    menu.addAction(texts::CutWhole, this, [this] { copyWhole(true); });
    menu.addAction(texts::CopyWhole, this, [this] { copyWhole(false); });
    menu.addAction(texts::PasteOver, this, [this] { pasteLong(); });
    menu.addAction(texts::EmptyCell, this, [this] { setCellText(QString()); });
    menu.exec(event->globalPos());
}

void CellTextBox::hideEvent(QHideEvent* event) {
    if (m_held)
        showNotice(QString());
    QLineEdit::hideEvent(event);
}

} // namespace cac::app

#pragma once

#include <QLineEdit>

namespace cac::app {

// The text box TextBox over a text cell of the channel grid. It holds the
// cell's text whole, however long (a plain QLineEdit cuts at 32767
// characters). Up to EditableLength characters it is an ordinary line edit.
// Qt lays out a line edit's whole text on every paint and key, so a longer
// text is held aside and only its beginning is shown, selected: typing or
// pasting replaces the text, Delete or Backspace empties it, copying and
// cutting take it whole, Escape keeps it, and leaving the box writes it back
// unchanged. The status bar says so while such a text is held.
class CellTextBox : public QLineEdit {
    Q_OBJECT
public:
    static constexpr qsizetype EditableLength = 65536;

    explicit CellTextBox(QWidget* parent = nullptr);

    void setCellText(const QString& text);
    QString cellText() const { return m_held ? m_heldText : text(); }
    // Whether the text is too long to be edited in place.
    bool holdsLongText() const { return m_held; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    // Pastes over the selection itself when the result would be too long to
    // edit in place, or over a held text; false when the line edit may paste.
    bool pasteLong();
    void copyWhole(bool cut);
    void showNotice(const QString& text);

    QString m_heldText;
    bool m_held = false;
};

} // namespace cac::app

#pragma once

#include <QElapsedTimer>
#include <QFrame>

class QComboBox;
class QLineEdit;
class QListView;
class QModelIndex;

namespace cac::app {

class ListFilterModel;

// The drop-down of an in-cell list. It always opens below its list (above it
// when the screen has no room below) and stays open until the user picks an
// entry, with a click or with Enter, or dismisses it with Escape or a click
// elsewhere; the style in use changes nothing of that. A filterable drop-down
// has a field on top: typing there narrows the entries (see ListFilterModel).
// Elsewhere typing moves to the first entry that begins with the text, the
// keys typed in quick succession making one text, as in Qt's item views.
class CellListPopup : public QFrame {
    Q_OBJECT
public:
    explicit CellListPopup(QComboBox* owner);

    void setFilterable(bool filterable);
    // Opens with the owner's current entry selected; `typed` goes into the
    // filter field, or selects the first entry that begins with it.
    void open(const QString& typed);

    QListView* view() const { return m_view; }
    QLineEdit* filterField() const { return m_filter; }

signals:
    void picked(int entry); // index in the owner's list; the popup is closed by then
    void closed();
    // A press outside closed the popup, at this point of the screen. The
    // press goes no further, on every platform.
    void dismissedByPress(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void pick(const QModelIndex& index);
    // Adds `typed` to the search text (or starts it anew after a pause) and
    // selects the first entry that begins with it.
    void keyboardSearch(const QString& typed);
    void selectRow(int row);
    void placeBelowOwner();
    int widestEntry();

    QComboBox* m_owner;
    QLineEdit* m_filter;
    QListView* m_view;
    ListFilterModel* m_entries;
    int m_widestEntry = -1; // cached; -1 when the entries changed
    QString m_search;
    QElapsedTimer m_sinceLastKey; // invalid: the next key starts a new search
};

} // namespace cac::app

#pragma once

#include <QComboBox>

namespace cac::app {

class CellListPopup;

// An in-cell list (Combo(0) to Combo(6), SetPriorityCombo). It holds the
// entries and the current entry like any QComboBox, but drops down its own
// CellListPopup, so a click opens it and it behaves the same in every style.
// When the drop-down closes the list leaves the cell; a pick is reported by
// activated(), as for any QComboBox.
class CellListEditor : public QComboBox {
    Q_OBJECT
public:
    explicit CellListEditor(QWidget* parent = nullptr);

    // Typing in the drop-down filters its entries instead of jumping to one.
    void setFilterable(bool filterable);

    void showPopup() override;
    // Drops down with `typed` already entered (see CellListPopup::open).
    void showPopupWith(const QString& typed);
    void hidePopup() override;
    bool isPopupShown() const;
    CellListPopup* popup() const { return m_popup; }

signals:
    void dismissedByPress(const QPoint& globalPos);

protected:
    void hideEvent(QHideEvent* event) override;
    void initStyleOption(QStyleOptionComboBox* option) const override;

private:
    CellListPopup* m_popup;
};

} // namespace cac::app

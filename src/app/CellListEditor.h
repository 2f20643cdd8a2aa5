#pragma once

#include <QComboBox>

namespace cac::app {

// A pick-only in-cell list that drops down as soon as it is placed over a
// cell and leaves the cell again when its drop-down closes, so one click
// opens the choice and one click elsewhere ends it without writing anything.
class CellListEditor : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;

    void hidePopup() override;

protected:
    void hideEvent(QHideEvent* event) override;
};

} // namespace cac::app

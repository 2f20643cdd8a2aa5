#include "app/CellListEditor.h"

namespace cac::app {

void CellListEditor::hidePopup() {
    QComboBox::hidePopup();
    hide(); // a choice, if any, is reported by activated() all the same
}

void CellListEditor::hideEvent(QHideEvent* event) {
    QComboBox::hidePopup(); // an editor hidden by a click elsewhere takes its drop-down along
    QComboBox::hideEvent(event);
}

} // namespace cac::app

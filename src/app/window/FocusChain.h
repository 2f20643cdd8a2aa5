#pragma once

class QWidget;

namespace cac::app {

// The keyboard's way through the main window `window`. Tab walks the
// controls in the order of the work: OBD mode, the tabs, the channel grid
// (or the OBD table), the findings below it, the bit rate, then the port and
// Send now!, and from there round to the first again; controls that are not
// shown (the other tab's, a closed panel's) are passed over. In the grids,
// where Tab moves from cell to cell as in a spreadsheet, Ctrl+Tab and
// Ctrl+Shift+Tab move on to the next or previous control.
void SetUpFocusChain(QWidget* window);

} // namespace cac::app

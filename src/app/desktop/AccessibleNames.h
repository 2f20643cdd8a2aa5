#pragma once

class QWidget;

namespace cac::app {

// Gives the window's controls that show no text of their own (lists with an
// edit field, the grids, the checks list, the pictures) the names a screen
// reader speaks for them. Controls with a text (buttons, the check box,
// labels, tabs) are named by that text already.
void nameControlsForReaders(QWidget* window);

} // namespace cac::app

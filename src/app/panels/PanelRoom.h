#pragma once

class QDockWidget;
class QWidget;

namespace cac::app {

// The panels docked below the channel table (the CAN preview, Find signals)
// share one tab group and their room.

// The panel's body inside a scroll area: a panel as short as the window
// leaves it scrolls rather than pushing the window past the screen.
void SetScrollingBody(QDockWidget* panel, QWidget* body);

// Opened, the panel joins the tab group of another panel open below the
// grid, whichever opened first, and takes half the window's height.
void OpenBelow(QDockWidget* panel);

} // namespace cac::app

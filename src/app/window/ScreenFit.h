#pragma once

#include <QList>
#include <QObject>
#include <QSize>

class QDockWidget;
class QMainWindow;

namespace cac::app {

// Keeps the main window inside its screen's available area, title bar and
// borders included: once the window manager has framed it (the frame is not
// known before), whenever a watched panel opens, closes, docks or floats,
// and on request. The first panel opened below the grid makes the window as
// tall as the screen allows and takes half of it; the room goes back when
// the last one closes. Contents held in a scroll area (the central widget)
// scroll where the screen is smaller than their least size.
class ScreenFit : public QObject {
    Q_OBJECT
public:
    explicit ScreenFit(QMainWindow* window);

    void watch(QDockWidget* panel);
    // Shrinks the window to the available area (never below its least size)
    // and moves it inside; a maximized or full-screen window is left alone.
    void fit();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void panelShownOrHidden();
    void boundContents();
    QList<QDockWidget*> dockedPanels() const;
    bool anyPanelDocked() const { return !dockedPanels().isEmpty(); }
    QSize most() const; // the window's largest size on its screen

    QMainWindow* m_window;
    bool m_framed = false;
    bool m_panelsOpen = false;
    QSize m_withoutPanels; // the window's size while no panel was open below it
};

} // namespace cac::app

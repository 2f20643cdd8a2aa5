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

    // A panel worked in (Find signals) takes a share of the screen's height
    // when docked below; one glanced at (the CAN preview) its least height,
    // so the contents above stay whole on a 1280x720 screen.
    enum class Room { Least, Share };
    void watch(QDockWidget* panel, Room room = Room::Least);
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
    QSize most() const;     // the window's largest size on its screen
    int tabsHeight() const; // of a tab group of panels

    QMainWindow* m_window;
    bool m_framed = false;
    qsizetype m_panelsOpen = 0;    // docked ones
    QList<QDockWidget*> m_sharing; // the panels that take a share
    QSize m_withoutPanels;         // the window's size while no panel was open below it
};

} // namespace cac::app

#pragma once

#include <QScrollArea>

namespace cac::app {

// Holds the window's contents: as large as they ask to be (their least
// size, their height for a width) where the screen has room, scrolling
// where it has not (1366x768 at 150 %). ScreenFit tells it the room.
class ContentScroller : public QScrollArea {
    Q_OBJECT
public:
    explicit ContentScroller(QWidget* parent = nullptr);

    // Sets the contents (as setWidget), whose changes of size reach the window.
    void setContents(QWidget* contents);
    // The most the contents may take of the screen; unbounded at first.
    void setRoom(QSize room);
    QSize room() const { return m_room; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QSize m_room{QWIDGETSIZE_MAX, QWIDGETSIZE_MAX};
};

} // namespace cac::app

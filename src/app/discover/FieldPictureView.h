#pragma once

#include "app/framelayout/FramePictureDrawing.h"

#include <QWidget>

#include <array>

namespace cac {
struct DiscoveredIdentifier;
}

namespace cac::app {

// An identifier's fields on the frame picture, each changing field numbered
// from 1 in its own colour; the bits come from the engine's bit map of the
// channel row each field gives.
FramePicture FieldsPicture(const DiscoveredIdentifier& identifier);
// The picture's number of each field (0 for a constant one), in field order.
QList<int> FieldNumbers(const DiscoveredIdentifier& identifier);

// Draws the picture scaled into the room it gets, its proportions kept.
class FieldPictureView : public QWidget {
    Q_OBJECT
public:
    explicit FieldPictureView(QWidget* parent = nullptr);

    void showPicture(FramePicture picture);
    // Live traffic: when each database bit last changed and the time now,
    // on one clock; a bit that changed lights up and fades in FadeSeconds.
    void showChanges(const std::array<double, 64>& changedAt, double now);
    void clearChanges();
    // The database bits lit now, lowest first.
    QList<int> litBits() const;
    static constexpr double FadeSeconds = 1.5;
    const FramePicture& picture() const { return m_picture; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // A bit of a field was clicked: its number on the picture.
    void fieldClicked(int number);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    // The picture's own size scaled into the widget, and where it begins.
    qreal drawnScale() const;
    qreal drawnLeft() const;

    FramePicture m_picture;
    std::array<double, 64> m_changedAt{};
    double m_now = 0;
    bool m_live = false;
};

} // namespace cac::app

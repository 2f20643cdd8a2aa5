#pragma once

#include "app/framelayout/FramePictureDrawing.h"

#include <QImage>
#include <QWidget>

class QAction;

namespace cac::app {

class FileDialogs;

// The frame layout picture beside the equation line: the frame the current
// channel reads, 8 bytes by 8 bits, each channel on its identifier in its own
// colour. It follows the channel it is shown and redraws on every edit of the
// store. Its menu copies the picture or saves it as PNG or SVG; a tool tip
// tells a bit's owner, weight and numbers. Its toggle action (View > Frame
// layout) shows and hides it; it starts hidden.
class FrameLayoutView : public QWidget {
    Q_OBJECT
public:
    FrameLayoutView(const ConfigModel* model, FileDialogs* dialogs, QWidget* parent = nullptr);

    QAction* toggleViewAction() const { return m_toggle; }
    const FramePicture& picture() const { return m_picture; }
    // The picture at twice the screen's pixels, as it is copied and saved.
    QImage image() const;

    // Channel row 1 to 15; any other row shows no frame.
    void showChannel(int row);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    // A line for the status bar: the picture was copied, saved, or not saved.
    void reported(const QString& text);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void rebuild();
    void copyPicture();
    void savePicture();
    int cellAt(const QPoint& pos) const;

    const ConfigModel* m_model;
    FileDialogs* m_dialogs;
    QAction* m_toggle;
    QAction* m_copy;
    QAction* m_save;
    int m_channel = 0;
    FramePicture m_picture;
};

} // namespace cac::app

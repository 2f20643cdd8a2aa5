#pragma once

#include <QLabel>

namespace cac::app {

// A label whose text wraps onto as many lines as its width needs, and whose
// least height is those lines: a narrower window is a taller one, and no
// layout squeezes the label's last line away (QLabel's own least height is
// one line, whatever its width). The label tells its layout its height for
// the width it has instead of answering height-for-width questions: a box
// layout that asks them takes the natural height of everything beside the
// label in its row as that row's least height, and then squeezes its other
// rows below theirs.
class WrappedLabel : public QLabel {
    Q_OBJECT
public:
    explicit WrappedLabel(const QString& text, QWidget* parent = nullptr);

    bool hasHeightForWidth() const override { return false; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int linesHeight(int least) const;
};

} // namespace cac::app

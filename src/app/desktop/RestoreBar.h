#pragma once

#include <QDateTime>
#include <QFrame>

class QLabel;
class QPushButton;

namespace cac::app {

// A bar across the top of the window while channels an earlier session left
// unsaved wait: when they were written, with Restore and Discard. It is no
// modal box: the window works around it, and it stays until one is chosen
// (or Tools > Restore unsaved channels restores them).
class RestoreBar : public QFrame {
    Q_OBJECT
public:
    explicit RestoreBar(QWidget* parent = nullptr);

    void offer(const QDateTime& written);

signals:
    void restoreChosen();
    void discardChosen();

private:
    QLabel* m_text;
    QPushButton* m_restore;
    QPushButton* m_discard;
};

} // namespace cac::app

#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class QSpinBox;

namespace cac {
class ConfigModel;
}

namespace cac::app {

// "Use for channel N": the channel 1 to 15 a match fills, proposed as the
// grid's current row when it is empty, else the first empty channel, and a
// line saying which it is and what Use would do there.
class ChannelChooser : public QWidget {
    Q_OBJECT
public:
    using CurrentRow = std::function<int()>; // the grid's channel, 1 to 15, or 0
    ChannelChooser(const ConfigModel* model, CurrentRow currentRow, QWidget* parent = nullptr);

    // Stands on the proposed channel again.
    void propose();
    // Whether there is a match to use.
    void setUsable(bool usable);
    int channel() const;

signals:
    void useRequested(int channel);

private:
    void describe();

    const ConfigModel* m_model;
    CurrentRow m_currentRow;
    bool m_usable = false;
    QSpinBox* m_channel;
    QPushButton* m_use;
    QLabel* m_note;
};

} // namespace cac::app

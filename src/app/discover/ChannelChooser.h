#pragma once

#include <QStringList>
#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

namespace cac {
class ConfigModel;
class VariableCatalogue;
} // namespace cac

namespace cac::app {

// "Use for channel N": the channel 1 to 15 a chosen field fills, proposed as
// the grid's current row when it is empty, else the first empty channel, and
// a line saying which it is and what Use would do there; above it the scale
// factor, offset and variable the channel gets, proposed from the field (and
// its match) and open to typing before Use.
class ChannelChooser : public QWidget {
    Q_OBJECT
public:
    using CurrentRow = std::function<int()>; // the grid's channel, 1 to 15, or 0
    ChannelChooser(const ConfigModel* model, const VariableCatalogue& catalogue,
                   CurrentRow currentRow, QWidget* parent = nullptr);

    // Stands on the proposed channel again.
    void propose();
    // A field to use, with the scale factor, offset and variable entry it
    // proposes (an empty entry keeps the channel's variable), and the unit of
    // the quantity its scale gives (empty for a raw field): a variable chosen
    // with another unit is said beside it.
    void offer(const QString& scale, const QString& offset, const QString& variable,
               const QString& unit = {});
    // Nothing to use.
    void withdraw();
    bool usable() const { return m_usable; }
    int channel() const;
    // As typed; a box left empty gives what was proposed.
    QString scaleText() const;
    QString offsetText() const;
    QString variableEntry() const;

signals:
    void useRequested(int channel);

private:
    void describe();
    void compareUnits();

    const ConfigModel* m_model;
    const VariableCatalogue& m_catalogue;
    CurrentRow m_currentRow;
    QStringList m_offered; // scale, offset, variable and unit of the last offer
    bool m_usable = false;
    QLineEdit* m_scale;
    QLineEdit* m_offset;
    QComboBox* m_variable;
    QStringList m_entries; // the variable list it shows, after its first entry
    QSpinBox* m_channel;
    QPushButton* m_use;
    QLabel* m_note;
    QLabel* m_unitNote; // a unit that is not the variable's
};

} // namespace cac::app

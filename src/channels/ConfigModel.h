#pragma once

#include "catalogue/VariableCatalogue.h"
#include "channels/ChoiceLists.h"

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

#include <array>

namespace cac {

class ObdPriorityModel;

// Everything the user can change, as values: the setting cells of channels 1
// to 15, the bit-rate text, the 18 priority texts and the OBD mode flag. Two
// equal snapshots save to the same file and build the same image.
struct ConfigSnapshot {
    std::array<std::array<QString, ChannelGridColumns>, ChannelGridRows> cells;
    QString baudRate;
    QStringList priorities;
    bool obdMode = false;
    friend bool operator==(const ConfigSnapshot&, const ConfigSnapshot&) = default;
};

// The one store of everything the user configures: the 16 x 13 cells of the
// channel grid (row 0 titles, column 0 channel numbers), the seven choice
// lists, the bit-rate text, the 18 OBD priority texts and the OBD mode flag.
// Widgets are views and editors over it; every engine operation reads it.
//
// Cell coordinates (row, column) are those of the grid: channels are rows 1
// to 15, settings columns 1 to 12. As a Qt table model it exposes only the
// setting cells: model index (r - 1, c - 1) is cell (r, c), and the titles and
// channel numbers are its header data.
class ConfigModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ConfigModel(QObject* parent = nullptr);
    ~ConfigModel() override;

    // Starts in the state of a freshly opened window: empty channel cells,
    // "500 kbit", the start-up priorities, OBD mode off.

    // Channel grid cells, row 0..15, column 0..12. Writes to row 0 or column 0
    // are ignored: titles and channel numbers never change.
    QString cell(int row, int column) const;
    void setCell(int row, int column, const QString& text);
    // Every cell of row 0..15 at once; an empty row for any other number.
    const ChannelCells& rowCells(int row) const;

    // Every empty setting cell of the row gets its column's default.
    void FillRowDefaults(int row);

    // Entries of Combo(k), k = 0..6. Combo(0) is the variable list.
    QStringList choiceList(int k) const;
    void setVariableList(const QStringList& entries);

    // Text of the bit-rate list: one of BaudRateEntries() or typed text.
    QString baudRateText() const { return m_baudRate; }
    void setBaudRateText(const QString& text);

    // Priority texts of OBD rows 1 to 18.
    QString obdPriority(int row) const;
    void setObdPriority(int row, const QString& text);
    // The OBD table as a Qt model: column 0 names, column 1 priorities.
    ObdPriorityModel* obdTable() const { return m_obdTable; }

    bool obdModeEnabled() const { return m_obdMode; }
    // Switching on writes "USED FOR OBD" into cell (15, 1), switching off
    // empties it, whatever the previous state; other cells keep their texts.
    void setObdModeEnabled(bool on);

    ConfigSnapshot snapshot() const;
    // Puts every text and the flag back as they were, cell by cell through
    // the usual signals; unlike setObdModeEnabled it writes no cell of its own.
    void restore(const ConfigSnapshot& saved);

    QModelIndex indexOfCell(int row, int column) const { return index(row - 1, column - 1); }

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Extra data role: true for the cells of channel 15 while OBD mode is on
    // (locked and shaded like the fixed cells).
    static constexpr int LockedRole = Qt::UserRole + 1;

signals:
    void baudRateTextChanged(const QString& text);
    void obdPriorityChanged(int row);
    void obdModeChanged(bool on);
    void variableListChanged();

private:
    std::array<ChannelCells, ChannelGridRows> m_cells;
    QStringList m_variableList;
    QString m_baudRate;
    QStringList m_priorities;
    bool m_obdMode = false;
    ObdPriorityModel* m_obdTable = nullptr;

    friend class ObdPriorityModel;
};

// The OBD table over ConfigModel's priorities: 18 rows, column 0 the parameter
// name (read-only), column 1 the priority text. Holds no data of its own.
class ObdPriorityModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ObdPriorityModel(ConfigModel* store);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    ConfigModel* m_store;
};

} // namespace cac

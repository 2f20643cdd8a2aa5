#include "channels/ConfigModel.h"

#include "obd/ObdParameters.h"

namespace cac {
namespace {

bool isSettingCell(int row, int column) {
    return row >= 1 && row < ChannelGridRows && column >= 1 && column < ChannelGridColumns;
}

} // namespace

ConfigModel::ConfigModel(QObject* parent)
    : QAbstractTableModel(parent), m_variableList{DoNotUseText}, m_baudRate(StartupBaudRate),
      m_priorities(StartupObdPriorities()), m_obdTable(new ObdPriorityModel(this)) {
    for (int column = 1; column < ChannelGridColumns; ++column)
        m_cells[0][column] = ColumnTitle(column);
    for (int row = 1; row < ChannelGridRows; ++row)
        m_cells[row][0] = QString::number(row);
}

ConfigModel::~ConfigModel() = default;

QString ConfigModel::cell(int row, int column) const {
    if (row < 0 || row >= ChannelGridRows || column < 0 || column >= ChannelGridColumns)
        return {};
    return m_cells[row][column];
}

const ChannelCells& ConfigModel::rowCells(int row) const {
    static const ChannelCells none;
    return row >= 0 && row < ChannelGridRows ? m_cells[row] : none;
}

void ConfigModel::setCell(int row, int column, const QString& text) {
    if (!isSettingCell(row, column) || m_cells[row][column] == text)
        return;
    m_cells[row][column] = text;
    const QModelIndex changed = indexOfCell(row, column);
    emit dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
}

void ConfigModel::FillRowDefaults(int row) {
    if (row < 1 || row >= ChannelGridRows)
        return;
    for (int column = 1; column < ChannelGridColumns; ++column) {
        if (m_cells[row][column].isEmpty())
            setCell(row, column,
                    column == ColVariable ? m_variableList.value(0) : ColumnDefault(column));
    }
}

QStringList ConfigModel::choiceList(int k) const {
    return k == 0 ? m_variableList : FixedChoiceList(k);
}

void ConfigModel::setVariableList(const QStringList& entries) {
    m_variableList = entries.isEmpty() ? QStringList{DoNotUseText} : entries;
    emit variableListChanged();
}

void ConfigModel::setBaudRateText(const QString& text) {
    if (m_baudRate == text)
        return;
    m_baudRate = text;
    emit baudRateTextChanged(text);
}

QString ConfigModel::obdPriority(int row) const {
    return m_priorities.value(row - 1);
}

void ConfigModel::setObdPriority(int row, const QString& text) {
    if (row < 1 || row > ObdParameterCount || m_priorities[row - 1] == text)
        return;
    m_priorities[row - 1] = text;
    const QModelIndex changed = m_obdTable->index(row - 1, 1);
    emit m_obdTable->dataChanged(changed, changed, {Qt::DisplayRole, Qt::EditRole});
    emit obdPriorityChanged(row);
}

void ConfigModel::setObdModeEnabled(bool on) {
    m_obdMode = on;
    setCell(ChannelCount, ColVariable, on ? UsedForObdText : QString());
    emit dataChanged(indexOfCell(ChannelCount, 1),
                     indexOfCell(ChannelCount, ChannelGridColumns - 1), {LockedRole});
    emit obdModeChanged(on);
}

ConfigSnapshot ConfigModel::snapshot() const {
    ConfigSnapshot saved;
    for (int row = 1; row < ChannelGridRows; ++row)
        for (int column = 1; column < ChannelGridColumns; ++column)
            saved.cells[row][column] = m_cells[row][column];
    saved.baudRate = m_baudRate;
    saved.priorities = m_priorities;
    saved.obdMode = m_obdMode;
    return saved;
}

void ConfigModel::restore(const ConfigSnapshot& saved) {
    if (saved.obdMode != m_obdMode) {
        m_obdMode = saved.obdMode;
        emit dataChanged(indexOfCell(ChannelCount, 1),
                         indexOfCell(ChannelCount, ChannelGridColumns - 1), {LockedRole});
        emit obdModeChanged(m_obdMode);
    }
    for (int row = 1; row < ChannelGridRows; ++row)
        for (int column = 1; column < ChannelGridColumns; ++column)
            setCell(row, column, saved.cells[row][column]);
    setBaudRateText(saved.baudRate);
    for (int row = 1; row <= ObdParameterCount; ++row)
        setObdPriority(row, saved.priorities.value(row - 1));
}

int ConfigModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ChannelGridRows - 1;
}

int ConfigModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ChannelGridColumns - 1;
}

QVariant ConfigModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    const int row = index.row() + 1;
    const int column = index.column() + 1;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return cell(row, column);
    case LockedRole:
        return m_obdMode && row == ChannelCount;
    default:
        return {};
    }
}

bool ConfigModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole)
        return false;
    setCell(index.row() + 1, index.column() + 1, value.toString());
    return true;
}

QVariant ConfigModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal) // shown on two lines, stored with CR LF
        return cell(0, section + 1).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return cell(section + 1, 0);
}

Qt::ItemFlags ConfigModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

ObdPriorityModel::ObdPriorityModel(ConfigModel* store)
    : QAbstractTableModel(store), m_store(store) {}

int ObdPriorityModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ObdParameterCount;
}

int ObdPriorityModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant ObdPriorityModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return {};
    if (index.column() == 0)
        return ObdParameterNames().value(index.row());
    return m_store->obdPriority(index.row() + 1);
}

bool ObdPriorityModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || index.column() != 1 || role != Qt::EditRole)
        return false;
    m_store->setObdPriority(index.row() + 1, value.toString());
    return true;
}

QVariant ObdPriorityModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section == 0 ? QStringLiteral("Channel Name") : QStringLiteral("Priority");
    return QString::number(section + 1);
}

Qt::ItemFlags ObdPriorityModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

} // namespace cac

#include "app/dbcimport/SignalTree.h"

#include "app/window/WindowTexts.h"
#include "dbc/SignalRow.h"
#include "dbc/VariableProposals.h"

#include <QHeaderView>

namespace cac::app {
namespace {

enum TreeColumn { NameColumn, IdColumn, BitsColumn, UnitColumn, CommentColumn };

// Item data: the message's and the signal's index in the database (-1 on a
// message item), and the variable entry chosen for a signal.
constexpr int MessageRole = Qt::UserRole;
constexpr int SignalRole = Qt::UserRole + 1;
constexpr int VariableRole = Qt::UserRole + 2;

void setComment(QTreeWidgetItem* item, const QString& comment) {
    item->setText(CommentColumn, comment.section(u'\n', 0, 0)); // comments may span lines
    item->setToolTip(CommentColumn, comment);
}

} // namespace

SignalTree::SignalTree(QWidget* parent) : QTreeWidget(parent) {
    setColumnCount(CommentColumn + 1);
    setHeaderLabels(texts::dbcTreeColumns());
    setUniformRowHeights(true); // thousands of signals scroll smoothly
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(true);
    connect(this, &QTreeWidget::currentItemChanged, this, &SignalTree::currentSignalChanged);
    connect(this, &QTreeWidget::itemChanged, this, &SignalTree::takeTick);
}

void SignalTree::showDatabase(const CanDatabase& database, const QStringList& variableList) {
    m_database = &database;
    m_picked.clear();
    const QSignalBlocker quiet(this);
    clear();
    const QColor greyed = palette().color(QPalette::Disabled, QPalette::Text);
    QList<QTreeWidgetItem*> messages;
    for (int m = 0; m < database.messages.size(); ++m) {
        const DbcMessage& message = database.messages.at(m);
        auto* messageItem = new QTreeWidgetItem(
            {message.name, texts::dbcIdentifier(IdentifierText(message), message.extended),
             texts::dbcMessageLength(message.length), QString()});
        setComment(messageItem, message.comment);
        messageItem->setData(NameColumn, MessageRole, m);
        messageItem->setData(NameColumn, SignalRole, -1);
        for (int s = 0; s < message.signalList.size(); ++s) {
            const DbcSignal& signal = message.signalList.at(s);
            auto* item = new QTreeWidgetItem(messageItem, {signal.name, IdentifierText(message),
                                                           SignalLayoutText(signal), signal.unit});
            setComment(item, signal.comment);
            item->setData(NameColumn, MessageRole, m);
            item->setData(NameColumn, SignalRole, s);
            const SignalRow row = MapSignalToRow(message, signal);
            if (row.importable()) {
                item->setData(NameColumn, VariableRole,
                              VariableNamedInComment(signal.comment, variableList));
                item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                item->setCheckState(NameColumn, Qt::Unchecked);
                continue;
            }
            QStringList reasons;
            for (const MappingNote& note : row.notes)
                reasons << note.text;
            for (int column = NameColumn; column <= CommentColumn; ++column)
                item->setForeground(column, greyed);
            item->setToolTip(NameColumn, texts::DbcRefused + u' ' + reasons.join(u'\n'));
        }
        messages.append(messageItem);
    }
    addTopLevelItems(messages);
    expandAll();
    for (int column = NameColumn; column < CommentColumn; ++column)
        resizeColumnToContents(column);
    filter(QString());
}

void SignalTree::filter(const QString& text) {
    setUpdatesEnabled(false);
    QTreeWidgetItem* firstShown = nullptr;
    for (int m = 0; m < topLevelItemCount(); ++m) {
        QTreeWidgetItem* messageItem = topLevelItem(m);
        const DbcMessage& message = m_database->messages.at(m);
        bool anyShown = false;
        for (int s = 0; s < messageItem->childCount(); ++s) {
            QTreeWidgetItem* item = messageItem->child(s);
            const bool shown = SignalMatchesFilter(message, message.signalList.at(s), text);
            item->setHidden(!shown);
            if (shown && !firstShown)
                firstShown = item;
            anyShown = anyShown || shown;
        }
        messageItem->setHidden(!anyShown && !text.trimmed().isEmpty());
    }
    setUpdatesEnabled(true);
    QTreeWidgetItem* current = currentItem();
    const bool currentShown =
        current && !current->isHidden() && !(current->parent() && current->parent()->isHidden());
    if (!currentShown && firstShown)
        setCurrentItem(firstShown);
}

SignalRef SignalTree::refOf(const QTreeWidgetItem* item) {
    if (!item || item->data(NameColumn, SignalRole).toInt() < 0)
        return {};
    return {item->data(NameColumn, MessageRole).toInt(),
            item->data(NameColumn, SignalRole).toInt()};
}

SignalRef SignalTree::currentSignal() const {
    return refOf(currentItem());
}

QString SignalTree::currentVariable() const {
    return currentItem() ? currentItem()->data(NameColumn, VariableRole).toString() : QString();
}

void SignalTree::setCurrentVariable(const QString& variableEntry) {
    if (refOf(currentItem()).signal < 0)
        return;
    currentItem()->setData(NameColumn, VariableRole, variableEntry);
    if (m_picked.contains(currentItem()))
        emit pickedChanged();
}

QList<PickedSignal> SignalTree::picked() const {
    QList<PickedSignal> picks;
    for (const QTreeWidgetItem* item : m_picked)
        picks.append({refOf(item), item->data(NameColumn, VariableRole).toString()});
    return picks;
}

// Any change of an item comes here; only a tick or an untick changes the picks.
void SignalTree::takeTick(QTreeWidgetItem* item) {
    const bool ticked = item->checkState(NameColumn) == Qt::Checked;
    if (ticked == m_picked.contains(item))
        return;
    if (ticked)
        m_picked.append(item);
    else
        m_picked.removeOne(item);
    emit pickedChanged();
}

} // namespace cac::app

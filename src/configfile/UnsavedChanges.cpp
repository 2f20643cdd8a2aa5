#include "configfile/UnsavedChanges.h"

#include "channels/ConfigModel.h"
#include "configfile/RecoveryFile.h"

namespace cac {

UnsavedChanges::UnsavedChanges(const ConfigModel* model, QObject* parent)
    : QObject(parent), m_model(model), m_saved(SerializeRecovery(*model)) {
    connect(model, &QAbstractItemModel::dataChanged, this, &UnsavedChanges::noteChange);
    connect(model, &QAbstractItemModel::modelReset, this, &UnsavedChanges::noteChange);
    connect(model, &ConfigModel::baudRateTextChanged, this, &UnsavedChanges::noteChange);
    connect(model, &ConfigModel::obdPriorityChanged, this, &UnsavedChanges::noteChange);
    connect(model, &ConfigModel::obdModeChanged, this, &UnsavedChanges::noteChange);
}

bool UnsavedChanges::unsaved() const {
    evaluate();
    return m_unsaved;
}

void UnsavedChanges::markSaved() {
    m_saved = SerializeRecovery(*m_model);
    m_stale = false;
    m_unsaved = false;
    if (m_reported) {
        m_reported = false;
        emit unsavedChanged(false);
    }
}

void UnsavedChanges::noteChange() {
    m_stale = true;
    emit tableChanged();
    if (m_evaluationQueued)
        return;
    m_evaluationQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_evaluationQueued = false;
            if (unsaved() != m_reported) {
                m_reported = m_unsaved;
                emit unsavedChanged(m_reported);
            }
        },
        Qt::QueuedConnection);
}

void UnsavedChanges::evaluate() const {
    if (!m_stale)
        return;
    m_stale = false;
    m_unsaved = SerializeRecovery(*m_model) != m_saved;
}

} // namespace cac

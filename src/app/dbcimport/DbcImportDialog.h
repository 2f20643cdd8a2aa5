#pragma once

#include "catalogue/VariableCatalogue.h"
#include "dbc/CanDatabase.h"
#include "dbc/ImportPlan.h"
#include "dbc/VariableProposals.h"

#include <QDialog>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace cac {
class ConfigModel;
}

namespace cac::app {

class SignalPreview;
class SignalTree;
struct PickedSignal;

// "Import from CAN database": the messages and signals of one database as a
// tree with a search field, the channel row the selected signal gives, the
// variable for it (only those whose unit suits the signal are offered) and
// the channels the ticked signals fill. What cannot be read in the file is
// listed at the top, never in a message box. The dialog changes nothing
// itself: plan() says what "Fill channels" stands for. It keeps nothing
// beyond its own life.
class DbcImportDialog : public QDialog {
    Q_OBJECT
public:
    DbcImportDialog(const QString& path, const ConfigModel& model,
                    const VariableCatalogue& catalogue, QWidget* parent);
    ~DbcImportDialog() override;

    // One channel per ticked signal, in the order of ticking; empty when
    // nothing is ticked or the chosen channels run out.
    QList<ChannelImport> plan() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* buildSignalSide();
    QWidget* buildRowSide();
    QLayout* buildChannelChoice();
    void read(const QString& path);
    void showCurrentSignal();
    void chooseVariable(int index);
    void chooseFirstFiltered();
    void showPlan();
    // The channels of the chosen kind for `count` signals; fewer when they run out.
    QList<int> channelsFor(int count) const;
    // plan() for these picks and channels.
    QList<ChannelImport> planFor(const QList<PickedSignal>& picks,
                                 const QList<int>& channels) const;

    const ConfigModel& m_model;
    const VariableCatalogue& m_catalogue;
    CanDatabase m_database;
    VariableProposals m_proposals;

    QLabel* m_file = nullptr;
    QGroupBox* m_problemsBox = nullptr;
    QListWidget* m_problems = nullptr;
    QLineEdit* m_search = nullptr;
    SignalTree* m_tree = nullptr;
    SignalPreview* m_preview = nullptr;
    QLineEdit* m_variableFilter = nullptr;
    QComboBox* m_variable = nullptr;
    QComboBox* m_channels = nullptr;
    QListWidget* m_plan = nullptr;
    QPushButton* m_fill = nullptr;
};

} // namespace cac::app

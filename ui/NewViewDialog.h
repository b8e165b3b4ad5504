// TNewViewDialog: sets up a view from the window instead of a hand-written
// vexgrid file. The agent (host, port, version, community shown as dots with
// a reveal toggle, GetBulk's max-repetitions for SNMPv2c and SNMPv3, and for
// SNMPv3 the user: security level, protocols, passwords and context), the
// title, the targets (picked from every name the program knows, in a list or
// in the MIB tree, or typed as an OID or as a name, MODULE::name with an
// optional instance, in the order the user gives them), one row per OID or one
// row per instance, and an instance mask. A table or its entry picked whole
// adds its columns as targets, each with a check box: INDEX and
// not-accessible columns start unticked, unticked ones are left out. "Test" asks the agent for
// sysDescr.0 once and shows the answer or the error.
//
//     TNewViewDialog dialog(form.OidNameTable(), &form);
//     if (dialog.exec() == QDialog::Accepted)
//         form.StartView(dialog.ViewSettings());
#pragma once

#include "core/Settings.h"
#include "table/Shared.h"

#include <QDialog>
#include <QHash>

#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QVBoxLayout;
class TAgentProbe;
class TMibNames;
class TMibTree;
struct TMibObject;

class TNewViewDialog : public QDialog {
    Q_OBJECT
public:
    // `nameTable` lists every OID the program can name; it must outlive the
    // dialog.
    explicit TNewViewDialog(const TOidNameTable& nameTable, QWidget* parent = nullptr);

    // GetBulk's max-repetitions offered for a new SNMPv2c or SNMPv3 view.
    static constexpr int kDefaultMaxRepetitions = 25;

    // Takes host, port, version, community, max-repetitions (when set) and
    // the SNMPv3 user of `settings` as the start.
    void SetAgent(const TSessionSettings& settings);
    // The settings of the view as the dialog shows it.
    TSessionSettings ViewSettings() const;
    // Why the agent settings cannot be used (an SNMPv3 user without a name, a
    // password missing or shorter than an agent accepts); empty when they can.
    QString AgentProblem() const;

    // Adds the target typed in OidEdit (a dotted OID, or a name with an
    // optional instance such as "sysName.0"); false with the reason shown
    // when the text names nothing.
    bool AddTypedTarget();
    // Adds every name in NameList that is selected.
    void AddSelectedNames();
    // Shows the MIB tree's tab, making the tree the first time.
    TMibTree* ShowMibTree();
    // Adds the object selected in the MIB tree ("Add to view").
    void AddFromMibTree();
    // The OIDs of the targets that are ticked, in order, instances aside.
    QStringList CheckedTargets() const;
    // Shows only the names that contain `text` (letter case ignored), or the
    // object `text` names as MODULE::name.
    void FilterNames(const QString& text);
    // Sends the Get of sysDescr.0 and shows "Asking..." in TestResult until
    // the answer, the error or the time-out replaces it; the dialog stays
    // live meanwhile.
    void Test();

    QLineEdit* HostEdit = nullptr;
    QSpinBox* PortEdit = nullptr;
    QComboBox* VersionBox = nullptr;
    QLineEdit* CommunityEdit = nullptr;
    QCheckBox* RevealCommunity = nullptr;
    QSpinBox* MaxRepetitionsEdit = nullptr;  // 0: walks use Get-Next
    QSpinBox* ParallelEdit = nullptr;        // requests outstanding at once, 1..8
    QGroupBox* V3Box = nullptr;              // shown for SNMPv3 only
    QLineEdit* UserEdit = nullptr;
    QComboBox* SecurityLevelBox = nullptr;  // data: 0 noAuthNoPriv .. 2 authPriv
    QComboBox* AuthProtocolBox = nullptr;   // data: the protocol numbers of TV3Settings
    QLineEdit* AuthPasswordEdit = nullptr;
    QComboBox* PrivProtocolBox = nullptr;
    QLineEdit* PrivPasswordEdit = nullptr;
    QCheckBox* RevealPasswords = nullptr;
    QLineEdit* ContextEdit = nullptr;
    QLineEdit* TitleEdit = nullptr;
    QLineEdit* NameFilter = nullptr;
    QListWidget* NameList = nullptr;
    QLineEdit* OidEdit = nullptr;
    TMibTree* MibTree = nullptr;  // made when its tab is first shown
    QListWidget* TargetList = nullptr;
    QRadioButton* ListLayout = nullptr;
    QRadioButton* TableLayout = nullptr;
    QLineEdit* MaskEdit = nullptr;
    QPushButton* TestButton = nullptr;
    QLabel* TestResult = nullptr;
    QLabel* Problem = nullptr;  // why OK or an added OID was refused

public slots:
    void accept() override;
    // Keeps the dialog's size for the next one, whichever way it closes.
    void done(int result) override;

protected:
    // Enter in the OID box adds the target, in the list of names the names
    // selected; in the search box it goes to the first name shown. None of
    // them presses OK.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Item data of a target: its OID, and the instance the user typed with it.
    static constexpr int kOidRole = Qt::UserRole;
    static constexpr int kTypedInstanceRole = Qt::UserRole + 1;

    TAgentProbe* probe = nullptr;  // a child of the dialog
    QWidget* CreateAgentBox();
    void AddTestRow(QFormLayout* form, QWidget* box);
    QWidget* CreateV3Box();
    // Shows the rows the chosen version uses, and enables the SNMPv3 fields
    // the chosen security level uses.
    void UpdateAgentFields();
    TV3Settings V3Settings() const;
    void SetV3User(const TV3Settings& v3);
    QWidget* CreateTargetBox();
    QLayout* CreateTargetButtons();
    QWidget* CreateNamePicker(QWidget* parent);
    // The size kept from the last dialog, else one whose lists show long
    // names whole (name and OID) and some rows, within the screen.
    QSize OpeningSize() const;
    // A table or row without instance adds its columns; anything else itself.
    void AddPicked(const QString& oid, const QString& explicitInstance);
    void AddTableColumns(const TMibObject& table);
    void AddTarget(const QString& oid, const QString& explicitInstance, bool checked = true);
    // The object a typed name ("ifDescr", "IF-MIB::ifDescr") names, or "".
    QString OidOfName(const QString& name) const;
    void MoveTarget(int step);
    QString TargetText(const QString& oid, const QString& instance) const;
    // Instances follow the layout: empty (walked) for the table, ".0" or the
    // instance typed for the list.
    void UpdateInstances();
    QString InstanceOf(const QListWidgetItem* item) const;
    // Splits a typed OID below a MIB scalar or column into the object and
    // its instance; false when the MIB names say nothing about it.
    bool SplitInstance(QString& oid, QString& instance) const;

    static constexpr int kTreeTab = 1;  // the MIB tree's tab, after the list's
    QTabWidget* pickTabs = nullptr;
    QVBoxLayout* treeLayout = nullptr;

    const TOidNameTable& names;
    // The MIB names as the dialog opened: a load finishing meanwhile does not
    // change what the tree and the targets point to.
    std::shared_ptr<const TMibNames> mib;
    QFormLayout* agentForm = nullptr;
    QLabel* communityLabel = nullptr;
    // The SNMPv3 user SetAgent was given: a password it took from a variable
    // keeps the variable's name while it is not changed.
    TV3Settings startV3;
    // Every name offered: the name table's entries, then the MIB objects.
    QVector<TOidName> knownNames;
    QHash<QString, QString> oidByName;
};

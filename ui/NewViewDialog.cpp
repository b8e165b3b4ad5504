#include "ui/NewViewDialog.h"

#include "engine/AgentProbe.h"
#include "core/Defaults.h"
#include "core/HostPort.h"
#include "names/MibNames.h"
#include "core/OidText.h"
#include "config/VexgridLoader.h"
#include "config/VexgridV3.h"
#include "ui/MibBrowser.h"
#include "core/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

const QString kSizeKey = QStringLiteral("newView/size");
// hrStorageAllocationFailures, one of the longer names of the common tables:
// the lists show it whole with its OID at the opening size where the screen
// allows.
const QString kLongTargetOid = QStringLiteral("1.3.6.1.2.1.25.2.3.1.7");
// The rows of the lists in sight at the opening size, where the screen allows.
constexpr int kOpeningRows = 14;

// The width a list needs to show text whole in one of its items: the check
// box and its spacing, the frame, a vertical scroll bar.
int ListWidthFor(const QListWidget* list, const QString& text)
{
    const QStyle* style = list->style();
    return list->fontMetrics().horizontalAdvance(text) + style->pixelMetric(QStyle::PM_IndicatorWidth)
         + 4 * style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list)
         + style->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list) + 2 * list->frameWidth() + 8;
}

// A number field that lets a number out of its range be typed whole, then
// refuses it: the field keeps its value and `refused` tells why, where a
// plain spin box would cut "70000" to "7000" without a word.
class TRangeSpinBox : public QSpinBox {
public:
    TRangeSpinBox(QWidget* parent, QString fieldName, std::function<void(const QString&)> onRefused)
        : QSpinBox(parent), name(std::move(fieldName)), refused(std::move(onRefused))
    {
        setKeyboardTracking(false);  // the value is what was typed once typing ends
        connect(this, &QSpinBox::editingFinished, this, [this] {
            if (!refusedText.isEmpty())
                refused(QStringLiteral("%1: %2 is out of range (%3 to %4); it stays %5.")
                            .arg(name, std::exchange(refusedText, QString()))
                            .arg(minimum())
                            .arg(maximum())
                            .arg(value()));
        });
    }

protected:
    QValidator::State validate(QString& input, int& pos) const override
    {
        const QValidator::State state = QSpinBox::validate(input, pos);
        bool number = false;
        input.trimmed().toLongLong(&number);
        return state == QValidator::Invalid && number ? QValidator::Intermediate : state;
    }
    void fixup(QString& input) const override
    {
        bool number = false;
        const qlonglong typed = input.trimmed().toLongLong(&number);
        if (number && (typed < minimum() || typed > maximum()))
            refusedText = input.trimmed();
        QSpinBox::fixup(input);
    }

private:
    QString name;
    std::function<void(const QString&)> refused;
    mutable QString refusedText;  // an out-of-range number fixup saw, for editingFinished
};

}  // namespace

TNewViewDialog::TNewViewDialog(const TOidNameTable& nameTable, QWidget* parent)
    : QDialog(parent), names(nameTable),
      // A copy shares the table's data: taking it costs nothing.
      mib(std::make_shared<const TMibNames>(nameTable.MibNames() ? *nameTable.MibNames() : TMibNames()))
{
    setObjectName(QStringLiteral("NewViewDialog"));
    setWindowTitle(QStringLiteral("New View"));
    for (const TOidName& entry : names.Entries())
        knownNames.append({entry.oid, entry.name});
    // The MIB objects beyond the table, built in or loaded; notifications name
    // nothing an agent can be asked for.
    for (const TMibObject& object : mib->Objects()) {
        if (object.kind != TMibKind::Notification && names.LookupOidName(object.oid).isEmpty())
            knownNames.append({object.oid, object.name});
    }
    for (const TOidName& known : knownNames) {
        if (!oidByName.contains(known.name))
            oidByName.insert(known.name, known.oid);
    }

    auto* layout = new QVBoxLayout(this);
    auto* agent = new QHBoxLayout;
    agent->addWidget(CreateAgentBox(), 1);
    agent->addWidget(CreateV3Box(), 1);
    layout->addLayout(agent);
    layout->addWidget(CreateTargetBox(), 1);
    Problem = new QLabel(this);
    Problem->setObjectName(QStringLiteral("Problem"));
    Problem->setWordWrap(true);
    layout->addWidget(Problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TNewViewDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TNewViewDialog::reject);

    TSessionSettings defaults;
    ApplyDefaultSettings(defaults);
    SetAgent(defaults);
    resize(OpeningSize());
}

QSize TNewViewDialog::OpeningSize() const
{
    QSize size = TSettingsStore()->value(kSizeKey).toSize();
    if (!size.isValid()) {
        // What the layout asks for, grown by what the lists, side by side,
        // lack of that width and height; they measure with their own font.
        ensurePolished();
        const int width = ListWidthFor(TargetList, TargetText(kLongTargetOid, QString()));
        const int rows = NameList->fontMetrics().height() * kOpeningRows;
        size = sizeHint();
        for (const QListWidget* list : {NameList, TargetList})
            size.rwidth() += std::max(0, width - list->sizeHint().width());
        size.rheight() += std::max(0, rows - TargetList->sizeHint().height());
    }
    // Room for the window's frame, which is not known before it is shown.
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    const QSize room = screen->availableGeometry().size() - QSize(16, 48);
    return size.boundedTo(room).expandedTo(minimumSizeHint());
}

void TNewViewDialog::done(int result)
{
    TSettingsStore()->setValue(kSizeKey, size());
    QDialog::done(result);
}

QWidget* TNewViewDialog::CreateAgentBox()
{
    // Mnemonics of the whole dialog are unique; fields left without one are
    // those whose label has no free letter.
    auto* box = new QGroupBox(QStringLiteral("Agent"), this);
    auto* form = new QFormLayout(box);
    agentForm = form;
    HostEdit = new QLineEdit(box);
    form->addRow(QStringLiteral("&Host:"), HostEdit);
    const auto refuse = [this](const QString& why) { Problem->setText(why); };
    PortEdit = new TRangeSpinBox(box, QStringLiteral("Port"), refuse);
    PortEdit->setRange(1, 65535);  // UDP ports
    form->addRow(QStringLiteral("&Port:"), PortEdit);
    VersionBox = new QComboBox(box);
    VersionBox->addItem(QStringLiteral("v1"), 1);
    VersionBox->addItem(QStringLiteral("v2c"), 2);
    VersionBox->addItem(QStringLiteral("v3"), 3);
    connect(VersionBox, &QComboBox::currentIndexChanged, this, &TNewViewDialog::UpdateAgentFields);
    form->addRow(QStringLiteral("&Version:"), VersionBox);

    auto* community = new QHBoxLayout;
    CommunityEdit = new QLineEdit(box);
    CommunityEdit->setEchoMode(QLineEdit::Password);
    RevealCommunity = new QCheckBox(QStringLiteral("&Show"), box);
    connect(RevealCommunity, &QCheckBox::toggled, this, [this](bool shown) {
        CommunityEdit->setEchoMode(shown ? QLineEdit::Normal : QLineEdit::Password);
    });
    community->addWidget(CommunityEdit, 1);
    community->addWidget(RevealCommunity);
    // The field is a row of two: the label needs its buddy named.
    communityLabel = new QLabel(QStringLiteral("&Community:"), box);
    communityLabel->setBuddy(CommunityEdit);
    form->addRow(communityLabel, community);

    // The loader's range: 1..1000, anything else walks with Get-Next.
    MaxRepetitionsEdit = new TRangeSpinBox(box, QStringLiteral("Max-repetitions"), refuse);
    MaxRepetitionsEdit->setRange(0, 1000);
    MaxRepetitionsEdit->setSpecialValueText(QStringLiteral("0 (off: Get-Next)"));
    MaxRepetitionsEdit->setToolTip(
        QStringLiteral("Objects a GetBulk request asks for per round trip of a walk; "
                       "0 walks with one Get-Next request per object."));
    MaxRepetitionsEdit->setValue(kDefaultMaxRepetitions);
    form->addRow(QStringLiteral("Max-repetitions:"), MaxRepetitionsEdit);
    // The loader's range: 1..8, 1 sends one request at a time.
    ParallelEdit = new TRangeSpinBox(box, QStringLiteral("Parallel requests"), refuse);
    ParallelEdit->setRange(1, kMaxParallelRequests);
    ParallelEdit->setToolTip(QStringLiteral("Requests a shoot keeps outstanding at once; above 1 the columns "
                                            "of a table are walked side by side."));
    form->addRow(QStringLiteral("Parallel requests:"), ParallelEdit);

    AddTestRow(form, box);

    TitleEdit = new QLineEdit(box);
    TitleEdit->setText(QStringLiteral("HB_Vexgrid"));
    form->addRow(QStringLiteral("T&itle:"), TitleEdit);
    return box;
}

// Test and its result, cleared when a setting it was got with changes; the
// host field's "host:port" split.
void TNewViewDialog::AddTestRow(QFormLayout* form, QWidget* box)
{
    auto* test = new QHBoxLayout;
    TestButton = new QPushButton(QStringLiteral("&Test"), box);
    TestButton->setAutoDefault(false);
    TestResult = new QLabel(box);
    TestResult->setObjectName(QStringLiteral("TestResult"));
    TestResult->setWordWrap(true);
    TestResult->setTextFormat(Qt::PlainText);  // agent texts are not markup
    connect(TestButton, &QPushButton::clicked, this, &TNewViewDialog::Test);
    test->addWidget(TestButton, 0, Qt::AlignTop);  // stays in place when the result wraps
    test->addWidget(TestResult, 1);
    form->addRow(test);
    // A result tells of the settings it was got with: a change clears it.
    for (QLineEdit* edit : {HostEdit, CommunityEdit})
        connect(edit, &QLineEdit::textEdited, TestResult, &QLabel::clear);
    // "host:port" and "[::1]:161": the port comes from the host field.
    connect(HostEdit, &QLineEdit::editingFinished, this, [this] {
        const THostPort split = SplitHostPort(HostEdit->text());
        if (!split.problem.isEmpty()) {
            Problem->setText(QStringLiteral("Host: ") + split.problem);
            return;
        }
        HostEdit->setText(split.host);
        if (split.port > 0)
            PortEdit->setValue(split.port);
    });
    connect(PortEdit, &QSpinBox::valueChanged, TestResult, &QLabel::clear);
    connect(VersionBox, &QComboBox::currentIndexChanged, TestResult, &QLabel::clear);
}

void TNewViewDialog::UpdateAgentFields()
{
    const int version = VersionBox->currentData().toInt();
    agentForm->setRowVisible(communityLabel, version != 3);  // SNMPv3 has no community
    agentForm->setRowVisible(MaxRepetitionsEdit, version != 1);
    V3Box->setVisible(version == 3);
    const int level = SecurityLevelBox->currentData().toInt();
    for (QWidget* field : {static_cast<QWidget*>(AuthProtocolBox), static_cast<QWidget*>(AuthPasswordEdit)})
        field->setEnabled(level >= 1);
    for (QWidget* field : {static_cast<QWidget*>(PrivProtocolBox), static_cast<QWidget*>(PrivPasswordEdit)})
        field->setEnabled(level == 2);
    RevealPasswords->setEnabled(level >= 1);
}

QWidget* TNewViewDialog::CreateTargetBox()
{
    auto* box = new QGroupBox(QStringLiteral("Targets"), this);
    auto* grid = new QHBoxLayout(box);

    grid->addWidget(CreateNamePicker(box), 1);
    grid->addLayout(CreateTargetButtons());

    auto* chosen = new QVBoxLayout;
    TargetList = new QListWidget(box);
    TargetList->setObjectName(QStringLiteral("TargetList"));
    chosen->addWidget(TargetList, 1);
    ListLayout = new QRadioButton(QStringLiteral("one row per OID (list)"), box);
    TableLayout = new QRadioButton(QStringLiteral("one row per instance (table)"), box);
    TableLayout->setChecked(true);
    connect(TableLayout, &QRadioButton::toggled, this, &TNewViewDialog::UpdateInstances);
    chosen->addWidget(ListLayout);
    chosen->addWidget(TableLayout);
    auto* mask = new QFormLayout;
    MaskEdit = new QLineEdit(box);
    MaskEdit->setPlaceholderText(QStringLiteral("optional, e.g. *.5"));
    mask->addRow(QStringLiteral("Instance &mask:"), MaskEdit);
    chosen->addLayout(mask);
    grid->addLayout(chosen, 1);
    return box;
}

QWidget* TNewViewDialog::CreateNamePicker(QWidget* parent)
{
    auto* picker = new QWidget(parent);
    auto* known = new QVBoxLayout(picker);
    known->setContentsMargins(0, 0, 0, 0);
    auto* tabs = new QTabWidget(picker);
    auto* listPage = new QWidget(tabs);
    auto* list = new QVBoxLayout(listPage);
    NameFilter = new QLineEdit(listPage);
    NameFilter->setPlaceholderText(QStringLiteral("Search names"));
    NameFilter->setClearButtonEnabled(true);
    NameFilter->installEventFilter(this);
    NameList = new QListWidget(listPage);
    NameList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    NameList->installEventFilter(this);
    for (const TOidName& entry : knownNames) {
        auto* item = new QListWidgetItem(QStringLiteral("%1  (%2)").arg(entry.name, entry.oid), NameList);
        item->setData(kOidRole, entry.oid);
    }
    connect(NameFilter, &QLineEdit::textChanged, this, &TNewViewDialog::FilterNames);
    connect(NameList, &QListWidget::itemDoubleClicked, this, [this] { AddSelectedNames(); });
    list->addWidget(NameFilter);
    list->addWidget(NameList, 1);
    tabs->addTab(listPage, QStringLiteral("&Known names"));

    auto* treePage = new QWidget(tabs);
    treeLayout = new QVBoxLayout(treePage);
    auto* addFromTree = new QPushButton(QStringLiteral("Add to view"), treePage);
    addFromTree->setAutoDefault(false);
    connect(addFromTree, &QPushButton::clicked, this, &TNewViewDialog::AddFromMibTree);
    treeLayout->addWidget(addFromTree, 0, Qt::AlignRight);
    tabs->addTab(treePage, QStringLiteral("MI&B tree"));
    connect(tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == kTreeTab)
            ShowMibTree();
    });
    pickTabs = tabs;
    known->addWidget(tabs, 1);

    auto* typed = new QHBoxLayout;
    OidEdit = new QLineEdit(picker);
    OidEdit->setPlaceholderText(
        QStringLiteral("OID or name, e.g. 1.3.6.1.2.1.1.5, sysName.0, IF-MIB::ifTable"));
    OidEdit->installEventFilter(this);
    auto* addTyped = new QPushButton(QStringLiteral("Add &OID"), picker);
    addTyped->setAutoDefault(false);
    connect(addTyped, &QPushButton::clicked, this, [this] { AddTypedTarget(); });
    typed->addWidget(OidEdit, 1);
    typed->addWidget(addTyped);
    known->addLayout(typed);
    return picker;
}

TMibTree* TNewViewDialog::ShowMibTree()
{
    // Made when first shown: thousands of loaded objects take a while to
    // place, and most views are set up from the list.
    if (!MibTree) {
        MibTree = new TMibTree(mib, treeLayout->parentWidget());
        connect(MibTree, &TMibTree::Activated, this, [this] { AddFromMibTree(); });
        treeLayout->insertWidget(0, MibTree, 1);
    }
    pickTabs->setCurrentIndex(kTreeTab);
    return MibTree;
}

bool TNewViewDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress
        || (watched != OidEdit && watched != NameFilter && watched != NameList))
        return QDialog::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QDialog::eventFilter(watched, event);
    if (watched == OidEdit) {
        AddTypedTarget();
        return true;
    }
    if (watched == NameList) {
        AddSelectedNames();
        return true;
    }
    for (int row = 0; row < NameList->count(); ++row) {
        if (!NameList->item(row)->isHidden()) {
            NameList->setCurrentRow(row);
            NameList->setFocus();
            break;
        }
    }
    return true;
}

QLayout* TNewViewDialog::CreateTargetButtons()
{
    auto* buttons = new QVBoxLayout;
    const auto button = [this, buttons](const QString& text, auto onClick) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, onClick);
        buttons->addWidget(b);
    };
    buttons->addStretch();
    button(QStringLiteral("&Add >"), [this] { AddSelectedNames(); });
    button(QStringLiteral("< &Remove"), [this] { delete TargetList->currentItem(); });
    button(QStringLiteral("&Up"), [this] { MoveTarget(-1); });
    button(QStringLiteral("&Down"), [this] { MoveTarget(1); });
    buttons->addStretch();
    return buttons;
}

void TNewViewDialog::SetAgent(const TSessionSettings& settings)
{
    const TRequest& agent = settings.requestTemplate;
    HostEdit->setText(agent.remoteHost);
    PortEdit->setValue(agent.remotePort);
    VersionBox->setCurrentIndex(std::max(0, VersionBox->findData(agent.snmpVersion)));
    CommunityEdit->setText(agent.community);
    MaxRepetitionsEdit->setValue(settings.maxRepetitions > 0 ? settings.maxRepetitions
                                                             : kDefaultMaxRepetitions);
    ParallelEdit->setValue(settings.parallelRequests);
    startV3 = agent.snmpVersion == 3 ? settings.v3 : TV3Settings{};
    if (agent.snmpVersion == 3)
        SetV3User(settings.v3);
    UpdateAgentFields();
}

void TNewViewDialog::FilterNames(const QString& text)
{
    // "MODULE::name" shows that object alone; while the name is being typed,
    // the names that contain what follows "::".
    const qsizetype colons = text.indexOf(QStringLiteral("::"));
    const TMibObject* object = colons >= 0 ? mib->LookupQualifiedName(text.trimmed()) : nullptr;
    const QString part = colons >= 0 ? text.mid(colons + 2) : text;
    for (int row = 0; row < NameList->count(); ++row) {
        QListWidgetItem* item = NameList->item(row);
        item->setHidden(object ? item->data(kOidRole).toString() != object->oid
                               : !item->text().contains(part, Qt::CaseInsensitive));
    }
}

TSessionSettings TNewViewDialog::ViewSettings() const
{
    TSessionSettings settings;
    ApplyDefaultSettings(settings);
    TRequest& agent = settings.requestTemplate;
    // As a vexgrid file sets it: a view is polled every second.
    agent.pollSeconds = 1;
    const THostPort typed = SplitHostPort(HostEdit->text());
    agent.remoteHost = typed.host;
    agent.remotePort = typed.port > 0 ? typed.port : PortEdit->value();
    agent.snmpVersion = VersionBox->currentData().toInt();
    agent.community = CommunityEdit->text();
    settings.maxRepetitions = agent.snmpVersion != 1 ? MaxRepetitionsEdit->value() : 0;
    settings.parallelRequests = ParallelEdit->value();
    if (agent.snmpVersion == 3)
        settings.v3 = V3Settings();
    if (!TitleEdit->text().trimmed().isEmpty())
        settings.programTitle = TitleEdit->text().trimmed();
    for (int row = 0; row < TargetList->count(); ++row) {
        const QListWidgetItem* item = TargetList->item(row);
        if (item->checkState() != Qt::Checked)
            continue;
        const QString oid = NormaliseTargetOid(item->data(kOidRole).toString());
        const QString instance = InstanceOf(item);
        settings.targetOids.append(oid);
        agent.oidList += oid + instance + kItemSeparator;
        settings.tableMode = settings.tableMode || instance.isEmpty();
    }
    // Masks are read back in capitals from a file; the view uses them so too.
    if (!MaskEdit->text().trimmed().isEmpty())
        settings.instanceMask = NormaliseTargetOid(QStringLiteral("IM=") + MaskEdit->text().trimmed()).mid(4);
    return settings;
}

void TNewViewDialog::accept()
{
    if (HostEdit->text().trimmed().isEmpty()) {
        Problem->setText(QStringLiteral("The view needs a host."));
        return;
    }
    if (const THostPort typed = SplitHostPort(HostEdit->text()); !typed.problem.isEmpty()) {
        Problem->setText(QStringLiteral("Host: ") + typed.problem);
        return;
    }
    if (const QString problem = AgentProblem(); !problem.isEmpty()) {
        Problem->setText(problem);
        return;
    }
    if (CheckedTargets().isEmpty()) {
        Problem->setText(QStringLiteral("The view needs at least one ticked target."));
        return;
    }
    QDialog::accept();
}

void TNewViewDialog::Test()
{
    if (const THostPort typed = SplitHostPort(HostEdit->text()); !typed.problem.isEmpty()) {
        TestResult->setText(QStringLiteral("Host: ") + typed.problem);
        return;
    }
    if (const QString problem = AgentProblem(); !problem.isEmpty()) {
        TestResult->setText(problem);
        return;
    }
    TestResult->setText(QStringLiteral("Asking..."));
    if (!probe) {
        probe = new TAgentProbe(this);
        connect(probe, &TAgentProbe::Finished, TestResult, &QLabel::setText);
    }
    const TSessionSettings settings = ViewSettings();
    probe->Start(settings.requestTemplate, settings.v3);
}

// The targets of the New View dialog: what a picked name or a typed text
// adds, whole tables as their columns, and how the target list shows them.
#include "ui/NewViewDialog.h"

#include "core/OidText.h"
#include "names/MibDetails.h"
#include "names/MibNames.h"
#include "ui/MibBrowser.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRadioButton>
#include <QRegularExpression>

namespace {

// The instance of a scalar, used for targets without one in the list layout.
const QString kScalarInstance = QStringLiteral(".0");

// Sub-identifiers separated by dots, the first dot optional.
const QRegularExpression kDottedOid(QStringLiteral("^\\.?[0-9]+(\\.[0-9]+)*$"));

QString WithoutLeadingDot(const QString& oid) { return oid.startsWith(u'.') ? oid.mid(1) : oid; }

}  // namespace

void TNewViewDialog::AddSelectedNames()
{
    for (const QListWidgetItem* item : NameList->selectedItems())
        AddPicked(item->data(kOidRole).toString(), QString());
}

void TNewViewDialog::AddFromMibTree()
{
    const TMibObject* object = MibTree ? MibTree->Selected() : nullptr;
    if (object && object->kind == TMibKind::Notification) {
        Problem->setText(QStringLiteral("%1 is a notification: agents send it, a view cannot ask for it.")
                             .arg(object->name));
    } else if (object) {
        AddPicked(object->oid, QString());
        Problem->clear();
    } else {
        Problem->setText(QStringLiteral("Select an object of the MIB tree to add it."));
    }
}

QString TNewViewDialog::OidOfName(const QString& name) const
{
    if (!name.contains(QStringLiteral("::")) && oidByName.contains(name))
        return oidByName.value(name);
    const TMibObject* object = mib->LookupQualifiedName(name);
    return object && object->kind != TMibKind::Notification ? object->oid : QString();
}

bool TNewViewDialog::AddTypedTarget()
{
    const QString text = OidEdit->text().trimmed();
    QString oid;
    QString instance;
    if (kDottedOid.match(text).hasMatch()) {
        if (!IsOidText(text)) {  // the loader's own check: what it refuses is never offered
            Problem->setText(QStringLiteral("'%1' is not an OID").arg(text));
            return false;
        }
        oid = WithoutLeadingDot(text);
        // A scalar or a table column followed by more sub-identifiers: those
        // are its instance. Below other known names (enterprises, a group)
        // the whole text is the object.
        if (!SplitInstance(oid, instance)) {
            const QString name = names.DescribeOid(oid);
            const qsizetype dot = name.indexOf(u'.');
            const QString known = dot > 0 ? oidByName.value(name.left(dot)) : QString();
            const QString rest = dot > 0 ? name.mid(dot) : QString();
            const QString parent = known.left(std::max<qsizetype>(0, known.lastIndexOf(u'.')));
            if (!known.isEmpty()
                && (rest == kScalarInstance
                    || names.LookupOidName(parent).endsWith(QStringLiteral("Entry")))) {
                instance = rest;
                oid = known;
            }
        }
    } else {
        // "name", "name.instance", "MODULE::name" or "MODULE::name.instance":
        // module names hold no dot.
        const qsizetype dot = text.indexOf(u'.');
        const QString name = dot < 0 ? text : text.left(dot);
        instance = dot < 0 ? QString() : text.mid(dot);
        oid = OidOfName(name);
        if (oid.isEmpty() || (!instance.isEmpty() && !kDottedOid.match(instance).hasMatch())) {
            Problem->setText(QStringLiteral("\"%1\" is neither an OID nor a known name.").arg(text));
            return false;
        }
    }
    AddPicked(oid, instance);
    OidEdit->clear();
    Problem->clear();
    return true;
}

bool TNewViewDialog::SplitInstance(QString& oid, QString& instance) const
{
    const TMibMatch match = mib->Find(oid);
    if (match.object == nullptr || match.suffix.isEmpty()
        || (match.object->kind != TMibKind::Scalar && match.object->kind != TMibKind::Column))
        return false;
    oid = match.object->oid;
    instance = match.suffix;
    return true;
}

void TNewViewDialog::AddPicked(const QString& oid, const QString& explicitInstance)
{
    const TMibObject* object = mib->Lookup(oid);
    if (object && explicitInstance.isEmpty()
        && (object->kind == TMibKind::Table || object->kind == TMibKind::Row)) {
        AddTableColumns(*object);
        return;
    }
    AddTarget(oid, explicitInstance);
}

void TNewViewDialog::AddTableColumns(const TMibObject& table)
{
    const QVector<const TMibObject*> columns = mib->ColumnsOf(table);
    if (columns.isEmpty()) {
        Problem->setText(QStringLiteral("The names know no columns of %1.").arg(table.name));
        return;
    }
    // A column already walked is not added twice.
    QStringList present;
    for (int row = 0; row < TargetList->count(); ++row) {
        const QListWidgetItem* item = TargetList->item(row);
        if (item->data(kTypedInstanceRole).toString().isEmpty())
            present << item->data(kOidRole).toString();
    }
    for (const TMibObject* column : columns) {
        if (!present.contains(column->oid))
            AddTarget(column->oid, QString(), MibColumnShownByDefault(*mib, *column));
    }
    TableLayout->setChecked(true);
}

void TNewViewDialog::AddTarget(const QString& oid, const QString& explicitInstance, bool checked)
{
    auto* item = new QListWidgetItem(TargetList);
    item->setData(kOidRole, oid);
    item->setData(kTypedInstanceRole, explicitInstance);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(checked ? Qt::Checked : Qt::Unchecked);
    // What the module says of the object, where the names know it.
    if (const TMibObject* object = mib->Lookup(oid)) {
        QStringList tip{MibDescriptionSummary(object->description)};
        if (!object->units.isEmpty())
            tip << QStringLiteral("UNITS: ") + object->units;
        tip.removeAll(QString());
        item->setToolTip(tip.join(QLatin1Char('\n')));
    }
    TargetList->setCurrentItem(item);
    UpdateInstances();
}

QStringList TNewViewDialog::CheckedTargets() const
{
    QStringList oids;
    for (int row = 0; row < TargetList->count(); ++row) {
        if (TargetList->item(row)->checkState() == Qt::Checked)
            oids << TargetList->item(row)->data(kOidRole).toString();
    }
    return oids;
}

void TNewViewDialog::MoveTarget(int step)
{
    const int row = TargetList->currentRow();
    const int to = row + step;
    if (row < 0 || to < 0 || to >= TargetList->count())
        return;
    QListWidgetItem* item = TargetList->takeItem(row);
    TargetList->insertItem(to, item);
    TargetList->setCurrentItem(item);
}

QString TNewViewDialog::InstanceOf(const QListWidgetItem* item) const
{
    if (TableLayout->isChecked())
        return QString();
    const QString typed = item->data(kTypedInstanceRole).toString();
    return typed.isEmpty() ? kScalarInstance : typed;
}

QString TNewViewDialog::TargetText(const QString& oid, const QString& instance) const
{
    QString name = names.LookupOidName(oid);
    if (const TMibObject* object = name.isEmpty() ? mib->Lookup(oid) : nullptr)
        name = object->name;
    const QString shown = name.isEmpty() ? oid : QStringLiteral("%1  (%2)").arg(name, oid);
    return instance.isEmpty() ? shown + QStringLiteral("  [all instances]")
                              : shown + QStringLiteral("  ") + instance;
}

void TNewViewDialog::UpdateInstances()
{
    for (int row = 0; row < TargetList->count(); ++row) {
        QListWidgetItem* item = TargetList->item(row);
        item->setText(TargetText(item->data(kOidRole).toString(), InstanceOf(item)));
    }
}

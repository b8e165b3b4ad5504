#include "ui/MibBrowser.h"

#include "names/MibDetails.h"
#include "names/MibNames.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMap>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTextBrowser>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace {

constexpr int kOidRole = Qt::UserRole;

struct TOrdered {
    TOid oid;
    const TMibObject* object;
};

QList<QStandardItem*> RowOf(const QString& name, const QString& oid)
{
    auto* nameItem = new QStandardItem(name);
    nameItem->setData(oid, kOidRole);
    auto* oidItem = new QStandardItem(oid);
    for (QStandardItem* item : {nameItem, oidItem})
        item->setEditable(false);
    return {nameItem, oidItem};
}

QString DetailsHtml(const TMibNames& names, const TMibObject& object)
{
    QString html = QStringLiteral("<table cellspacing=\"4\">");
    for (const TMibDetail& detail : MibObjectDetails(names, object)) {
        QString value = detail.value.toHtmlEscaped();
        value.replace(QLatin1Char('\n'), QStringLiteral("<br>"));
        html += QStringLiteral("<tr><td valign=\"top\"><b>%1</b></td><td>%2</td></tr>")
                    .arg(detail.field.toHtmlEscaped(), value);
    }
    return html + QStringLiteral("</table>");
}

}  // namespace

TMibTree::TMibTree(std::shared_ptr<const TMibNames> mibNames, QWidget* parent)
    : QWidget(parent), names(mibNames ? std::move(mibNames) : std::make_shared<const TMibNames>())
{
    setObjectName(QStringLiteral("MibTree"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    SearchEdit = new QLineEdit(this);
    SearchEdit->setPlaceholderText(QStringLiteral("Search name, OID or MODULE::name"));
    SearchEdit->setClearButtonEnabled(true);
    SearchEdit->installEventFilter(this);
    layout->addWidget(SearchEdit);

    model = new QStandardItemModel(this);
    model->setHorizontalHeaderLabels({QStringLiteral("Name"), QStringLiteral("OID")});
    Build();  // before the proxy watches the model: a row at a time is slow to follow
    proxy = new QSortFilterProxyModel(this);
    proxy->setSourceModel(model);
    proxy->setRecursiveFilteringEnabled(true);
    proxy->setAutoAcceptChildRows(true);
    proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    proxy->setFilterKeyColumn(-1);  // the name or the OID

    auto* split = new QSplitter(Qt::Vertical, this);
    Tree = new QTreeView(split);
    Tree->setModel(proxy);
    Tree->setUniformRowHeights(true);
    Tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    Tree->installEventFilter(this);
    Details = new QTextBrowser(split);
    Details->setObjectName(QStringLiteral("MibDetails"));
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);

    connect(SearchEdit, &QLineEdit::textChanged, this, &TMibTree::Search);
    connect(Tree->selectionModel(), &QItemSelectionModel::currentChanged, this, &TMibTree::ShowDetails);
    connect(Tree, &QTreeView::doubleClicked, this, [this] {
        if (const TMibObject* object = Selected())
            emit Activated(*object);
    });
}

void TMibTree::Build()
{
    QMap<QString, QVector<TOrdered>> byModule;
    for (const TMibObject& object : names->Objects())
        byModule[object.module].append(TOrdered{TOid::FromText(object.oid), &object});
    for (auto module = byModule.begin(); module != byModule.end(); ++module) {
        QVector<TOrdered>& objects = module.value();
        std::sort(objects.begin(), objects.end(),
                  [](const TOrdered& a, const TOrdered& b) { return a.oid < b.oid; });
        const QList<QStandardItem*> moduleRow = RowOf(module.key(), QString());
        model->appendRow(moduleRow);
        // The nodes above the object being placed, innermost last.
        QVector<std::pair<TOid, QStandardItem*>> above;
        for (const TOrdered& ordered : objects) {
            while (!above.isEmpty() && !above.last().first.IsPrefixOf(ordered.oid))
                above.removeLast();
            QStandardItem* parent = above.isEmpty() ? moduleRow.first() : above.last().second;
            const QList<QStandardItem*> row = RowOf(ordered.object->name, ordered.object->oid);
            parent->appendRow(row);
            itemByOid.insert(ordered.object->oid, row.first());
            above.append({ordered.oid, row.first()});
        }
    }
}

void TMibTree::Search(const QString& text)
{
    const QString trimmed = text.trimmed();
    const qsizetype colons = trimmed.indexOf(QStringLiteral("::"));
    proxy->setFilterFixedString(colons >= 0 ? trimmed.mid(colons + 2) : trimmed);
    if (colons >= 0) {
        if (const TMibObject* object = names->LookupQualifiedName(trimmed))
            Select(object->oid);
    } else if (!trimmed.isEmpty() && proxy->rowCount() > 0 && proxy->rowCount() <= 3) {
        Tree->expandAll();  // a search that leaves a few modules shows their objects
    }
}

bool TMibTree::Select(const QString& oid)
{
    QStandardItem* item = itemByOid.value(oid);
    const QModelIndex index = item ? proxy->mapFromSource(item->index()) : QModelIndex();
    if (!index.isValid())
        return false;
    Tree->setCurrentIndex(index);
    Tree->scrollTo(index);
    return true;
}

const TMibObject* TMibTree::Selected() const
{
    const QString oid = Tree->currentIndex().siblingAtColumn(0).data(kOidRole).toString();
    return oid.isEmpty() ? nullptr : names->Lookup(oid);
}

void TMibTree::ShowDetails()
{
    const TMibObject* object = Selected();
    if (object)
        Details->setHtml(DetailsHtml(*names, *object));
    else
        Details->setPlainText(Tree->currentIndex().siblingAtColumn(0).data().toString());
}

void TMibTree::SelectFirstShown()
{
    // The first object shown, depth first: modules and nodes lead to it.
    QModelIndex index = proxy->index(0, 0);
    while (index.isValid() && !names->Lookup(index.data(kOidRole).toString()) && proxy->hasChildren(index))
        index = proxy->index(0, 0, index);
    if (index.isValid()) {
        Tree->setCurrentIndex(index);
        Tree->scrollTo(index);
        Tree->setFocus();
    }
}

bool TMibTree::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter)
        return QWidget::eventFilter(watched, event);
    // Enter never reaches a dialog's default button from here.
    if (watched == SearchEdit) {
        SelectFirstShown();
    } else if (const TMibObject* object = Selected()) {
        emit Activated(*object);
    }
    return true;
}

TMibBrowser::TMibBrowser(std::shared_ptr<const TMibNames> names, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MibBrowser"));
    setWindowTitle(QStringLiteral("MIB Browser"));
    auto* layout = new QVBoxLayout(this);
    MibTree = new TMibTree(std::move(names), this);
    layout->addWidget(MibTree, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);
    resize(720, 640);
}

// The MIB tree: every object the names know, built in and loaded, grouped by
// module and nested by OID, with a search field and the details of the
// selected object (OID, module, SYNTAX, UNITS, MAX-ACCESS, STATUS, INDEX,
// DESCRIPTION). The New View dialog shows it beside its list of names;
// Help > "MIB browser..." shows it in a window of its own (TMibBrowser).
#pragma once

#include <QDialog>
#include <QHash>
#include <QWidget>

#include <memory>

class QLineEdit;
class QSortFilterProxyModel;
class QStandardItem;
class QStandardItemModel;
class QTextBrowser;
class QTreeView;
class TMibNames;
struct TMibObject;

class TMibTree : public QWidget {
    Q_OBJECT
public:
    // names is kept for the tree's life: a later load of the modules does
    // not change what an open tree shows.
    explicit TMibTree(std::shared_ptr<const TMibNames> names, QWidget* parent = nullptr);

    // Shows the objects whose name or OID contains text (letter case
    // ignored), with the modules and nodes above them; a module's name shows
    // the whole module. "MODULE::name" selects that object. Enter in the
    // search field selects the first object shown.
    void Search(const QString& text);
    // Selects the object of oid and shows its details; false when the tree
    // has none.
    bool Select(const QString& oid);
    // The selected object, or nullptr (also for a module).
    const TMibObject* Selected() const;

    QLineEdit* SearchEdit = nullptr;
    QTreeView* Tree = nullptr;
    QTextBrowser* Details = nullptr;

signals:
    // A double click or Enter on an object.
    void Activated(const TMibObject& object);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Build();
    void ShowDetails();
    void SelectFirstShown();

    std::shared_ptr<const TMibNames> names;
    QStandardItemModel* model = nullptr;
    QSortFilterProxyModel* proxy = nullptr;
    QHash<QString, QStandardItem*> itemByOid;
};

// Help > "MIB browser...": the MIB tree in a window that stays open beside
// the main window.
class TMibBrowser : public QDialog {
    Q_OBJECT
public:
    TMibBrowser(std::shared_ptr<const TMibNames> names, QWidget* parent);

    TMibTree* MibTree = nullptr;
};

// TFileMenu: the items of the File menu above "Exit": "New View...",
// "Open...", "Open Recent", "Save View As..." and "Export CSV...". The file
// dialogs only choose a path; OpenFile, SaveViewAs and TForm1::ExportCsv do
// the work, so that they can be driven without a dialog.
#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMenu;
class QWidget;
class TForm1;

// The file types the Open dialog offers, and the suffix Save View As suggests.
inline const QString kVexgridFileFilter = QStringLiteral("Vexgrid files (*.vexgrid.xml *.xml)");
inline const QString kVexgridSuffix = QStringLiteral(".vexgrid.xml");

// What File > Export CSV... writes, and where.
struct TCsvExportChoice {
    QString path;
    bool asShown = false;      // the texts shown, else the values as "/EXPORT" writes them
    bool rowsInSight = false;  // the rows in sight, else every row (both in the order shown)
};

// Asks where to export, starting with startFolder, and how (from `last`);
// nullopt when cancelled.
using TCsvExportDialog = std::function<std::optional<TCsvExportChoice>(
    QWidget* parent, const QString& startFolder, const TCsvExportChoice& last)>;

class TFileMenu : public QObject {
    Q_OBJECT
public:
    // Puts the items into `file1` before `exitAction`.
    TFileMenu(TForm1& owner, QMenu* file1, QAction* exitAction);

    // Opens the file as "/XML" would (see TForm1::OpenVexgridFile). A recent
    // file that no longer exists is taken off the list with a message.
    bool OpenFile(const QString& path);
    // Writes the current view to `path`; the view is that file from then on.
    bool SaveViewAs(const QString& path);
    // Fills "Open Recent" from the remembered list.
    void RebuildRecentMenu();

    QAction* NewView1 = nullptr;
    QAction* Open1 = nullptr;
    QMenu* OpenRecent1 = nullptr;
    QAction* SaveViewAs1 = nullptr;
    QAction* ExportCsv1 = nullptr;
    // Replaces the dialog of Export CSV... (tests answer it themselves).
    void SetExportDialog(TCsvExportDialog dialog) { exportDialog = std::move(dialog); }

private:
    void NewView1Click();
    void Open1Click();
    void SaveViewAs1Click();
    void ExportCsv1Click();
    void OpenRecentFile(const QString& path);
    // Where the file dialogs start: the folder last used, else the folder of
    // the view's file, if any; RememberFolder keeps the folder of a chosen file.
    QString StartFolder() const;
    static void RememberFolder(const QString& path);

    TForm1& form;
    TCsvExportDialog exportDialog;
};

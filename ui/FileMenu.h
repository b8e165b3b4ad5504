// TFileMenu: the items of the File menu above "Exit": "New View...",
// "Open...", "Open Recent" and "Save View As...". The file dialogs only choose
// a path; OpenFile and SaveViewAs do the work, so that they can be driven
// without a dialog.
#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class TForm1;

// The file types the Open dialog offers, and the suffix Save View As suggests.
inline const QString kVexgridFileFilter = QStringLiteral("Vexgrid files (*.vexgrid.xml *.xml)");
inline const QString kVexgridSuffix = QStringLiteral(".vexgrid.xml");

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

private:
    void NewView1Click();
    void Open1Click();
    void SaveViewAs1Click();
    void OpenRecentFile(const QString& path);
    // Where the file dialogs start: the folder last used, else the folder of
    // the view's file, if any; RememberFolder keeps the folder of a chosen file.
    QString StartFolder() const;
    static void RememberFolder(const QString& path);

    TForm1& form;
};

#include "ui/FileMenu.h"

#include "ui/MessageBox.h"
#include "ui/NewViewDialog.h"
#include "ui/Unit1.h"
#include "config/VexgridWriter.h"
#include "core/SettingsStore.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

namespace {

// Where the file dialogs start (StartFolder).
const QString kLastFolderKey = QStringLiteral("files/lastFolder");

QAction* NewFileAction(QMenu* menu, QAction* before, const char* name, const QString& text,
                       const QKeySequence& keys)
{
    auto* action = new QAction(text, menu);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(keys);
    menu->insertAction(before, action);
    return action;
}

// A file name made from the view's title: characters a file system may refuse
// become "_".
QString SuggestedFileName(const QString& title)
{
    QString name = title.trimmed();
    for (QChar& c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c.category() == QChar::Other_Control)
            c = u'_';
    }
    return (name.isEmpty() ? QStringLiteral("view") : name) + kVexgridSuffix;
}

}  // namespace

TFileMenu::TFileMenu(TForm1& owner, QMenu* file1, QAction* exitAction) : QObject(file1), form(owner)
{
    NewView1 = NewFileAction(file1, exitAction, "NewView1", QStringLiteral("New View..."), QKeySequence::New);
    Open1 = NewFileAction(file1, exitAction, "Open1", QStringLiteral("Open..."), QKeySequence::Open);
    OpenRecent1 = new QMenu(QStringLiteral("Open Recent"), file1);
    OpenRecent1->setObjectName(QStringLiteral("OpenRecent1"));
    file1->insertMenu(exitAction, OpenRecent1);
    SaveViewAs1 = NewFileAction(file1, exitAction, "SaveViewAs1", QStringLiteral("Save View As..."),
                                QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    file1->insertSeparator(exitAction);

    connect(NewView1, &QAction::triggered, this, &TFileMenu::NewView1Click);
    connect(Open1, &QAction::triggered, this, &TFileMenu::Open1Click);
    connect(SaveViewAs1, &QAction::triggered, this, &TFileMenu::SaveViewAs1Click);
    connect(OpenRecent1, &QMenu::aboutToShow, this, &TFileMenu::RebuildRecentMenu);
    RebuildRecentMenu();
}

void TFileMenu::RebuildRecentMenu()
{
    OpenRecent1->clear();
    const QStringList files = form.Remembered().RecentFiles();
    for (const QString& path : files) {
        QAction* item = OpenRecent1->addAction(QDir::toNativeSeparators(path));
        connect(item, &QAction::triggered, this, [this, path] { OpenRecentFile(path); });
    }
    // An empty submenu would not open; this says why.
    if (files.isEmpty())
        OpenRecent1->addAction(QStringLiteral("(no recent files)"))->setEnabled(false);
}

void TFileMenu::OpenRecentFile(const QString& path)
{
    if (!QFileInfo(path).isFile()) {
        form.Remembered().RemoveRecentFile(path);
        RebuildRecentMenu();
        ::ShowModalMessage(&form,
                           QStringLiteral("The file %1 no longer exists; it was taken off the recent files.")
                               .arg(QDir::toNativeSeparators(path)));
        return;
    }
    OpenFile(path);
}

bool TFileMenu::OpenFile(const QString& path)
{
    if (!QFileInfo::exists(path)
        && form.Remembered().RecentFiles().contains(QFileInfo(path).absoluteFilePath())) {
        OpenRecentFile(QFileInfo(path).absoluteFilePath());
        return false;
    }
    const bool opened = form.OpenVexgridFile(path);
    RebuildRecentMenu();
    return opened;
}

bool TFileMenu::SaveViewAs(const QString& path)
{
    const QString reason = WriteVexgridFile(path, form.Settings());
    if (!reason.isEmpty()) {
        ::ShowModalMessage(&form, QStringLiteral("The view could not be saved to %1: %2")
                                      .arg(QDir::toNativeSeparators(path), reason));
        return false;
    }
    form.SetViewFile(QFileInfo(path).absoluteFilePath());
    RebuildRecentMenu();
    return true;
}

QString TFileMenu::StartFolder() const
{
    // The folder a file was last opened from or saved to, while it exists;
    // else the view's, else home.
    const QString last = TSettingsStore()->value(kLastFolderKey).toString();
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    return form.ViewFile().isEmpty() ? QDir::homePath() : QFileInfo(form.ViewFile()).absolutePath();
}

void TFileMenu::RememberFolder(const QString& path)
{
    TSettingsStore()->setValue(kLastFolderKey, QFileInfo(path).absolutePath());
}

void TFileMenu::NewView1Click()
{
    TNewViewDialog dialog(form.OidNameTable(), &form);
    dialog.SetAgent(form.Settings());
    if (dialog.exec() == QDialog::Accepted)
        form.StartView(dialog.ViewSettings());
}

void TFileMenu::Open1Click()
{
    const QString path =
        QFileDialog::getOpenFileName(&form, QStringLiteral("Open"), StartFolder(), kVexgridFileFilter);
    if (path.isEmpty())
        return;
    RememberFolder(path);
    OpenFile(path);
}

void TFileMenu::SaveViewAs1Click()
{
    const QString suggested = QDir(StartFolder()).filePath(SuggestedFileName(form.Settings().programTitle));
    QString path =
        QFileDialog::getSaveFileName(&form, QStringLiteral("Save View As"), suggested, kVexgridFileFilter);
    if (path.isEmpty())
        return;
    if (!path.endsWith(QStringLiteral(".xml"), Qt::CaseInsensitive))
        path += kVexgridSuffix;
    RememberFolder(path);
    SaveViewAs(path);
}

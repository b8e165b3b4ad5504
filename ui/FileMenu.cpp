#include "ui/FileMenu.h"

#include "ui/MessageBox.h"
#include "ui/NewViewDialog.h"
#include "ui/Unit1.h"
#include "config/VexgridWriter.h"
#include "core/SettingsStore.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMenu>

namespace {

// Where the file dialogs start (StartFolder).
const QString kLastFolderKey = QStringLiteral("files/lastFolder");
// The last choices of Export CSV...
const QString kExportShownKey = QStringLiteral("export/asShown");
const QString kExportInSightKey = QStringLiteral("export/rowsInSight");
const QString kCsvFileFilter = QStringLiteral("CSV files (*.csv);;All files (*)");

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
QString SuggestedFileName(const QString& title, const QString& suffix = kVexgridSuffix)
{
    QString name = title.trimmed();
    for (QChar& c : name) {
        if (c == u'/' || c == u'\\' || c == u':' || c.category() == QChar::Other_Control)
            c = u'_';
    }
    return (name.isEmpty() ? QStringLiteral("view") : name) + suffix;
}

// A choice of two under the file dialog's own fields: a caption and a list.
QComboBox* AddChoice(QGridLayout* grid, const QString& caption, const QStringList& items, bool second)
{
    auto* box = new QComboBox(grid->parentWidget());
    box->addItems(items);
    box->setCurrentIndex(second ? 1 : 0);
    const int row = grid->rowCount();
    grid->addWidget(new QLabel(caption, grid->parentWidget()), row, 0);
    grid->addWidget(box, row, 1);
    return box;
}

// The save dialog of Export CSV...: Qt's own file dialog, which takes the two
// choices below its file type.
std::optional<TCsvExportChoice> RunExportDialog(QWidget* parent, const QString& startFolder,
                                                const TCsvExportChoice& last)
{
    QFileDialog dialog(parent, QStringLiteral("Export CSV"), startFolder, kCsvFileFilter);
    dialog.setObjectName(QStringLiteral("ExportCsvDialog"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    if (!last.path.isEmpty())
        dialog.selectFile(QFileInfo(last.path).fileName());
    QComboBox* values = nullptr;
    QComboBox* rows = nullptr;
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout())) {
        values =
            AddChoice(grid, QStringLiteral("Values:"),
                      {QStringLiteral("As received (as /EXPORT writes them)"), QStringLiteral("As shown")},
                      last.asShown);
        rows = AddChoice(grid, QStringLiteral("Rows:"),
                         {QStringLiteral("All rows"), QStringLiteral("The rows in sight")}, last.rowsInSight);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    TCsvExportChoice choice;
    choice.path = dialog.selectedFiles().constFirst();
    choice.asShown = values != nullptr && values->currentIndex() == 1;
    choice.rowsInSight = rows != nullptr && rows->currentIndex() == 1;
    return choice;
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
    ExportCsv1 = NewFileAction(file1, exitAction, "ExportCsv1", QStringLiteral("Export CSV..."),
                               QKeySequence(Qt::CTRL | Qt::Key_E));
    file1->insertSeparator(exitAction);
    exportDialog = RunExportDialog;

    connect(NewView1, &QAction::triggered, this, &TFileMenu::NewView1Click);
    connect(Open1, &QAction::triggered, this, &TFileMenu::Open1Click);
    connect(SaveViewAs1, &QAction::triggered, this, &TFileMenu::SaveViewAs1Click);
    connect(ExportCsv1, &QAction::triggered, this, &TFileMenu::ExportCsv1Click);
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

void TFileMenu::ExportCsv1Click()
{
    TCsvExportChoice last;
    {
        TSettingsStore store;
        last.asShown = store->value(kExportShownKey, false).toBool();
        last.rowsInSight = store->value(kExportInSightKey, false).toBool();
    }
    const QString title = form.Settings().programTitle;
    last.path = QDir(StartFolder()).filePath(SuggestedFileName(title, QStringLiteral(".csv")));
    const std::optional<TCsvExportChoice> choice = exportDialog(&form, StartFolder(), last);
    if (!choice || choice->path.isEmpty())
        return;
    RememberFolder(choice->path);
    {
        TSettingsStore store;
        store->setValue(kExportShownKey, choice->asShown);
        store->setValue(kExportInSightKey, choice->rowsInSight);
    }
    form.ExportCsv(*choice);
}

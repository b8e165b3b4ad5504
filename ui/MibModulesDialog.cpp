#include "ui/MibModulesDialog.h"

#include "names/MibLoader.h"

#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QTextStream>
#include <QVBoxLayout>

namespace {

// Room for a module name and a path on one line.
constexpr int kDialogWidth = 720;
constexpr int kDialogHeight = 420;

void AppendList(QTextStream& out, const QString& title, const QStringList& lines, const QString& none)
{
    out << title << "\n";
    if (lines.isEmpty())
        out << "  " << none << "\n";
    for (const QString& line : lines)
        out << "  " << line << "\n";
    out << "\n";
}

// Under a problem: the imports no file holds and where they were looked for.
QString MissingImportLine(const QStringList& missing, const QStringList& searched)
{
    const QString where = searched.isEmpty()
                            ? QStringLiteral("no folder was searched")
                            : QStringLiteral("looked for in ") + searched.join(QStringLiteral(", "));
    return QStringLiteral("    missing import%1 %2: %3")
        .arg(missing.size() == 1 ? QString() : QStringLiteral("s"), missing.join(QStringLiteral(", ")),
             where);
}

}  // namespace

QString MibModulesReport(const TMibLoadRequest& request, const TMibLoadResult& result, bool loaded)
{
    QString text;
    QTextStream out(&text);
    const int builtIn = TMibNames::BuiltIn()->Count();
    if (!loaded) {
        out << "The MIB modules are still being read; the built-in names of " << builtIn
            << " objects are in use until then.\n\n";
    } else {
        out << result.modules.size() << " MIB modules read, naming " << result.loadedObjects << " objects; "
            << builtIn << " objects are built in.\n";
        if (result.fromCache)
            out << "Taken from the cache of an earlier start: no module file has changed since.\n";
        out << "\n";
    }
    QStringList searched = request.folders + request.extraPaths;
    for (const QString& folder : request.baseFolders)
        searched << folder + QStringLiteral("  (shipped with the program: for imports only)");
    AppendList(out, QStringLiteral("Searched:"), searched, QStringLiteral("(nothing)"));
    if (!loaded)
        return text;
    QStringList read;
    for (const TMibModuleFile& module : result.modules)
        read << module.module + QStringLiteral("  ") + module.file;
    AppendList(out, QStringLiteral("Read:"), read, QStringLiteral("(none)"));
    QStringList problems;
    for (const TMibProblem& problem : result.problems) {
        problems << QStringLiteral("%1  %2: %3").arg(problem.module, problem.file, problem.reason);
        const QStringList missing = result.missingImports.value(problem.module);
        if (!missing.isEmpty())
            problems << MissingImportLine(missing, result.searchFolders);
    }
    AppendList(out, QStringLiteral("MIB problems:"), problems, QStringLiteral("(none)"));
    return text;
}

TMibModulesDialog::TMibModulesDialog(const QString& report, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("MibModulesDialog"));
    setWindowTitle(QStringLiteral("MIB modules"));
    auto* layout = new QVBoxLayout(this);
    auto* text = new QPlainTextEdit(this);
    text->setObjectName(QStringLiteral("MibModulesText"));
    text->setReadOnly(true);
    text->setLineWrapMode(QPlainTextEdit::NoWrap);
    text->setPlainText(report);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(kDialogWidth, kDialogHeight);
}

void TMibModulesDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QWidget* owner = parentWidget()) {
        QRect frame = frameGeometry();
        frame.moveCenter(owner->frameGeometry().center());
        move(frame.topLeft());
    }
}

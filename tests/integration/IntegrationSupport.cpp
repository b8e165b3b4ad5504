#include "IntegrationSupport.h"

#include "table/ResultTable.h"
#include "engine/ShootEngine.h"
#include "ui/Unit1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QHeaderView>
#include <QTest>
#include <QThread>
#include <QTreeView>
#include <QXmlStreamWriter>

QString TVexgridFiles::Write(const QString& name, const TVexgridAgent& agent,
                             const QList<TVexgridTarget>& targets, const QString& title,
                             const QStringList& mibs)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return path;  // the window reports the missing file
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("vexgrid"));
    xml.writeTextElement(QStringLiteral("programtitle"), title);
    xml.writeTextElement(QStringLiteral("width"), QStringLiteral("760"));
    xml.writeTextElement(QStringLiteral("height"), QStringLiteral("420"));
    xml.writeTextElement(QStringLiteral("host"), agent.host);
    xml.writeTextElement(QStringLiteral("community"), agent.community);
    if (!mibs.isEmpty()) {
        xml.writeStartElement(QStringLiteral("mibs"));
        for (const QString& mib : mibs)
            xml.writeTextElement(QStringLiteral("mib"), mib);
        xml.writeEndElement();
    }
    xml.writeStartElement(QStringLiteral("shooter"));
    xml.writeTextElement(QStringLiteral("remoteport"), QString::number(agent.port));
    xml.writeTextElement(QStringLiteral("snmpversion"), QString::number(agent.snmpVersion));
    xml.writeStartElement(QStringLiteral("shootertargets"));
    for (const TVexgridTarget& target : targets) {
        xml.writeStartElement(QStringLiteral("shootertarget"));
        xml.writeTextElement(QStringLiteral("oid"), target.oid);
        xml.writeTextElement(QStringLiteral("instance"), target.instance);
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return path;
}

QStringList XmlArgs(const QString& path) { return {QStringLiteral("/XML"), path}; }

std::unique_ptr<vxtest::TSnmpdAgent> NewSnmpd()
{
    return std::make_unique<vxtest::TSnmpdAgent>(
        std::vector<std::string>{"sysDescr Integration snmpd", "sysContact noc@example.org",
                                 "sysName vexgrid-box", "sysLocation Lab rack 7", "sysServices 72"});
}

std::unique_ptr<vxtest::TSnmpsimAgent> NewSnmpsim()
{
    return std::make_unique<vxtest::TSnmpsimAgent>(vxtest::TSnmpsimAgent::DefaultDataFolder());
}

TShootCounter::TShootCounter(TForm1& form)
{
    connect(&form, &TForm1::shootFinished, this, [this] { ++count; });
}

bool TShootCounter::WaitFor(int n, int guardMs)
{
    return PumpUntil([&] { return count >= n; }, guardMs);
}

void ShowWindow(TForm1& form)
{
    form.show();
    QApplication::processEvents();
}

QStringList Column(TForm1& form, int column)
{
    QStringList cells;
    const TResultTable& table = form.ResultTable();
    for (int row = 0; row < table.rowCount(); ++row)
        cells.append(table.Cell(row, column));
    return cells;
}

int ColumnWidth(TForm1& form, int column) { return form.Widgets().ListView1->header()->sectionSize(column); }

int TextWidth(TForm1& form, int column)
{
    const QAbstractItemView* view = form.Widgets().ListView1;
    return view->sizeHintForColumn(column);
}

void ClickHeader(TForm1& form, int column)
{
    QHeaderView* header = form.Widgets().ListView1->header();
    const QPoint inside(header->sectionViewportPosition(column) + 4, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, inside);
}

int OpenRequests(TForm1& form)
{
    TShootEngine& engine = form.Engine();
    int open = 0;
    for (const TRequest& request : engine.PendingRequests())
        open += request.retriesLeft >= 0 ? 1 : 0;
    return open;
}

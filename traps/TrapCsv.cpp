#include "traps/TrapCsv.h"

#include <QStringList>

namespace {

const QByteArray kLineEnd = QByteArrayLiteral("\r\n");

}  // namespace

QString CsvField(const QString& text)
{
    const bool quoted =
        text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r');
    if (!quoted)
        return text;
    QString doubled = text;
    doubled.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + doubled + u'"';
}

QByteArray TrapCsvHeader()
{
    return QByteArrayLiteral("Time,Source,Version,Community,Kind,Name,OID,Bindings,State") + kLineEnd;
}

QByteArray TrapCsvLine(const TTrapRecord& record)
{
    const QStringList fields = {
        record.received.toString(Qt::ISODateWithMs),
        record.Source(),
        VersionText(record.version),
        record.community,
        KindText(record.kind),
        record.qualifiedName,
        record.trapOid,
        record.BindingsText(),
        StateText(record.state),
    };
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString& field : fields)
        quoted.append(CsvField(field));
    return quoted.join(u',').toUtf8() + kLineEnd;
}

QByteArray TrapsAsCsv(const QVector<TTrapRecord>& records)
{
    QByteArray csv = TrapCsvHeader();
    for (const TTrapRecord& record : records)
        csv += TrapCsvLine(record);
    return csv;
}

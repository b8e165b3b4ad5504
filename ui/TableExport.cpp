#include "TableExport.h"

#include <QSaveFile>

namespace {

QString TabLine(const QStringList& cells)
{
    return cells.join(QLatin1Char('\t'));
}

bool NeedsQuotes(const QString& field)
{
    for (const QChar c : field) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n'))
            return true;
    }
    return false;
}

void AppendCsvRecord(QByteArray& out, const QStringList& cells)
{
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            out += ',';
        const QString& field = cells[i];
        if (NeedsQuotes(field)) {
            QString quoted = field;
            quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
            out += '"';
            out += quoted.toUtf8();
            out += '"';
        } else {
            out += field.toUtf8();
        }
    }
    out += "\r\n";
}

}  // namespace

QString TableAsTabText(const TTableSnapshot& table)
{
    QStringList lines;
    lines.reserve(table.rows.size() + 1);
    lines << TabLine(table.headers);
    for (const QStringList& row : table.rows)
        lines << TabLine(row);
    return lines.join(QLatin1Char('\n'));
}

QByteArray TableAsCsv(const TTableSnapshot& table)
{
    QByteArray out;
    AppendCsvRecord(out, table.headers);
    for (const QStringList& row : table.rows) {
        // Pad short rows so every record has the header's field count.
        QStringList cells = row;
        while (cells.size() < table.headers.size())
            cells << QString();
        AppendCsvRecord(out, cells);
    }
    return out;
}

QString ReplaceFileAtomically(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    // Never fall back to writing the target in place: that is what makes a
    // reader see half a table.
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(content) != content.size()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

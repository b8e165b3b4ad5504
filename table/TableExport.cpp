#include "table/TableExport.h"

#include <QSaveFile>

#include <algorithm>

namespace {

// A tab or line break inside a cell would read as a cell or row border where
// the text is pasted, shifting every cell after it; it becomes a blank.
QString TabLine(const QStringList& cells)
{
    QString line;
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (i > 0)
            line += QLatin1Char('\t');
        for (const QChar c : cells[i]) {
            const bool border = c == QLatin1Char('\t') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
            line += border ? QLatin1Char(' ') : c;
        }
    }
    return line;
}

bool NeedsQuotes(const QString& field)
{
    for (const QChar c : field) {
        if (c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r')
            || c == QLatin1Char('\n'))
            return true;
    }
    return false;
}

// text as UTF-8 at the end of out; ASCII, as nearly every cell is, is
// copied over without a converted copy of its own.
void AppendUtf8(QByteArray& out, QStringView text)
{
    const qsizetype at = out.size();
    out.resize(at + text.size());
    char* to = out.data() + at;
    for (const QChar c : text) {
        if (c.unicode() >= 0x80) {
            out.truncate(at);
            out += text.toUtf8();
            return;
        }
        *to++ = static_cast<char>(c.unicode());
    }
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
            AppendUtf8(out, quoted);
            out += '"';
        } else {
            AppendUtf8(out, field);
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
    for (qsizetype row = 0; row < table.rows.size(); ++row) {
        // Pad short rows so every record has the header's field count.
        QStringList cells = table.rows[row];
        while (cells.size() < table.headers.size())
            cells << QString();
        // A value's further lines go back into it: a reader of the file sees
        // the value the agent sent, not rows without a name.
        while (table.IsFurtherLine(row + 1) && cells.size() > 1) {
            ++row;
            cells.last() += QStringLiteral("\r\n") + table.rows[row].value(cells.size() - 1);
        }
        AppendCsvRecord(out, cells);
    }
    return out;
}

TTableSnapshot SnapshotRows(const TTableSnapshot& table, qsizetype first, qsizetype last)
{
    first = std::max<qsizetype>(first, 0);
    last = std::min(last, table.rows.size() - 1);
    while (first > 0 && first <= last && table.IsFurtherLine(first))
        --first;
    while (last >= first && table.IsFurtherLine(last + 1))
        ++last;
    TTableSnapshot part;
    part.headers = table.headers;
    if (last < first)
        return part;
    part.rows = table.rows.mid(first, last - first + 1);
    if (!table.furtherLine.isEmpty())
        part.furtherLine = table.furtherLine.mid(first, last - first + 1);
    return part;
}

QString ReplaceFileAtomically(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    // Never fall back to writing the target in place: that is what makes a
    // reader see half a table.
    file.setDirectWriteFallback(false);
    // Unbuffered, so that each write says how much reached the file: a
    // buffered write that falls short (a full disk) still gets committed,
    // and the reader is left with a cut-off table.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    // A short write is followed by another for the rest, which then fails
    // with the reason (for example "No space left on device").
    for (qsizetype done = 0; done < content.size();) {
        const qint64 written = file.write(content.constData() + done, content.size() - done);
        if (written <= 0) {
            const QString reason = file.errorString();
            file.cancelWriting();  // the temporary file goes, the old file stays
            return reason;
        }
        done += written;
    }
    if (!file.commit())
        return file.errorString();
    return QString();
}

// Text forms of the result table: tab-separated text for the clipboard and CSV
// for the export file, both in the order the rows are shown.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// What the table shows: the captions of the data columns and each row's data
// cells (a row may hold fewer cells than there are columns). In the list
// layout a value of several lines is shown as its entry's row and one further
// row per further line, with an empty description; furtherLine marks those
// (empty, or one flag per row).
struct TTableSnapshot {
    QStringList headers;
    QVector<QStringList> rows;
    QVector<bool> furtherLine;

    bool IsFurtherLine(qsizetype row) const { return furtherLine.value(row, false); }
};

// TableAsTabText joins cells with a tab and rows with a newline, header first.
// Tabs and line breaks inside a cell become blanks.
QString TableAsTabText(const TTableSnapshot& table);

// TableAsCsv gives UTF-8 CSV with a header row. Fields holding a comma, a
// quote, CR or LF are quoted and their quotes doubled; records end with CR LF.
// A list value of several lines is one record again: its further lines join
// its value, each after a CR LF.
QByteArray TableAsCsv(const TTableSnapshot& table);

// SnapshotRows keeps rows first .. last of `table` (clamped to its rows), and
// of a value of several lines all its lines when any of them is among them.
TTableSnapshot SnapshotRows(const TTableSnapshot& table, qsizetype first, qsizetype last);

// ReplaceFileAtomically writes `content` to a temporary file in the folder of
// `path` and renames it over `path`, so a reader sees either the old or the
// new file, never half of one. Returns an empty text on success, else the
// reason.
QString ReplaceFileAtomically(const QString& path, const QByteArray& content);

// How a QTreeView shows the result table: report style with whole-row
// selection, the header clicks of the table layout, and the column widths.
#pragma once

#include <QString>

class QTreeView;
class TResultTable;

// Sets view up for table: read-only, whole-row selection of any rows, no tree
// decoration, 16 x 16 row and header images, the last column stretched.
// Header clicks reach TResultTable::ListView1ColumnClick only while the
// table layout is shown; whenever the model's columns are built, column 0
// becomes 18 pixels and every other column fits its header and texts.
void ConfigureResultView(QTreeView* view, TResultTable* table);

// Fits every column except column 0 (which keeps 18 pixels) to the texts
// present now: to its widest cell text, or, with fitHeader, to the wider of
// its header and its cell texts. Every call fits anew.
void SetColumnWidthMode(QTreeView* view, bool fitHeader);

// Paces the table's publishing of new rows for view: every inSightMs while
// they come into sight (the view is not full yet, or shows the last row),
// every outOfSightMs while they land below the rows in sight, where they
// change no more than the scroll bar (the view lays out and repaints all it
// shows for every publish). Scrolling to the end brings the quick pace back.
void PaceRowPublishing(QTreeView* view, TResultTable* table, int inSightMs, int outOfSightMs);

// Rows measured besides those in sight when the columns are widened.
inline constexpr int kWidenSampleRows = 300;

// Widens every column except column 0 that is narrower than its widest cell
// text among the rows in sight and kWidenSampleRows more; wider columns keep
// their width. The window calls it once, when the first shoot has filled the
// table, so that names and values are readable without a trip to the menu.
void WidenColumnsToTexts(QTreeView* view);

// While a view's first shoot waits for its first answer, the table shows
// text ("Waiting for 127.0.0.2:161...") above a busy bar in place of rows.
// The sign goes at the first row the table gets, or with HideWaitingSign.
void ShowWaitingSign(QTreeView* view, const QString& text);
void HideWaitingSign(QTreeView* view);
// The sign's text while it is shown, else empty.
QString WaitingSignText(const QTreeView* view);

// The rows in sight in view: *first and *last, the rows at the viewport's top
// and bottom edges (the last row when the rows end above the bottom); -1 and
// -2 for a view without rows.
void RowsInSight(const QTreeView* view, int* first, int* last);

// Sorting of the result table by a clicked column.
#include "table/ResultTable.h"

#include "table/ImageList.h"
#include "names/IndexDecoder.h"
#include "table/RateColumn.h"
#include "table/Shared.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

// The text of a cell as it takes part in a text sort: its UTF-8 bytes with
// the ASCII letters a-z folded to A-Z; every other byte keeps its code.
QByteArray TextSortKey(QStringView cell)
{
    QByteArray key = cell.toUtf8();
    for (char& c : key) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return key;
}

// Byte order; the first differing byte decides, and a proper prefix of the
// other text sorts first.
int CompareTextKeys(const QByteArray& key1, const QByteArray& key2)
{
    const qsizetype common = std::min(key1.size(), key2.size());
    const int order =
        common == 0 ? 0 : std::memcmp(key1.constData(), key2.constData(), static_cast<std::size_t>(common));
    if (order != 0)
        return order < 0 ? -1 : 1;
    if (key1.size() == key2.size())
        return 0;
    return key1.size() < key2.size() ? -1 : 1;
}

}  // namespace

QString TResultTable::SortCell(int row) const
{
    // A row left incomplete by an unfinished shoot has no cell here; it
    // counts as the empty text. A counter shown as a rate sorts by the rate,
    // one without a rate as the empty text.
    const TResultCell* cell = CellAt(row, CellColumn(sortColumn));
    if (!cell || cell->missing)
        return QString();
    if (IsRateCell(*cell))
        return PlainRateText(RowCounterRate(rows[row].cells, *cell));
    return cell->now.text;
}

bool TResultTable::RateSortKey(int row, long double* key) const
{
    const TResultCell* cell = CellAt(row, CellColumn(sortColumn));
    if (!cell || cell->missing || !IsRateCell(*cell))
        return false;
    // The number PlainRateText writes, without writing and reading it back.
    const std::optional<double> rate = RowCounterRate(rows[row].cells, *cell);
    if (key && rate)
        *key = std::round(static_cast<long double>(*rate) * 10.0L) / 10.0L;
    return true;
}

bool TResultTable::SortColumnIsNumeric() const
{
    // A rate column is numeric; a cell without a rate sorts first, as the
    // empty text does.
    const bool rates = IsRateColumn(sortColumn);
    for (int row = 0; row < rows.size(); ++row) {
        if (RateSortKey(row, nullptr))
            continue;  // a rate or none: a number or the empty text
        const QString text = SortCell(row);
        if (!(rates && text.isEmpty()) && !IsNumericText(text))
            return false;
    }
    return true;
}

int TResultTable::ListView1Compare(int row1, int row2) const
{
    if (sortColumn < 1 || row1 < 0 || row2 < 0 || row1 >= rows.size() || row2 >= rows.size())
        return 0;
    if (SortsByIndex()) {
        const int order = CompareOidSuffixes(rows[row1].suffix, rows[row2].suffix);
        return sortAscending ? order : -order;
    }
    if (SortColumnIsNumeric()) {
        const QString text1 = SortCell(row1);
        const QString text2 = SortCell(row2);
        if (text1.isEmpty() || text2.isEmpty()) {
            const int order = text1.isEmpty() == text2.isEmpty() ? 0 : (text1.isEmpty() ? -1 : 1);
            return sortAscending ? order : -order;
        }
        return CompareNumericTexts(text1, text2, sortAscending);
    }
    const int order = CompareTextKeys(TextSortKey(SortCell(row1)), TextSortKey(SortCell(row2)));
    return sortAscending ? order : -order;
}

void TResultTable::Resort()
{
    // The views' persistent indexes must cover every row that moves.
    PublishRows();
    if (sortColumn < 1 || rows.size() < 2)
        return;
    // The column's kind and every row's key are worked out once per sort,
    // not per comparison; the comparison itself is that of ListView1Compare.
    const auto count = static_cast<std::size_t>(rows.size());
    std::vector<std::size_t> order(count);
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (SortsByIndex()) {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const int result = CompareOidSuffixes(rows[static_cast<qsizetype>(a)].suffix,
                                                  rows[static_cast<qsizetype>(b)].suffix);
            return sortAscending ? result < 0 : result > 0;
        });
    } else if (SortColumnIsNumeric()) {
        std::vector<long double> keys(count, -HUGE_VALL);  // no rate: first
        for (std::size_t row = 0; row < count; ++row) {
            if (!RateSortKey(static_cast<int>(row), &keys[row]))
                NumericTextValue(SortCell(static_cast<int>(row)), &keys[row]);
        }
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return sortAscending ? keys[a] < keys[b] : keys[b] < keys[a];
        });
    } else {
        std::vector<QByteArray> keys(count);
        for (std::size_t row = 0; row < count; ++row)
            keys[row] = TextSortKey(SortCell(static_cast<int>(row)));
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            const int result = CompareTextKeys(keys[a], keys[b]);
            return sortAscending ? result < 0 : result > 0;
        });
    }

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> newPosition(count);
    for (std::size_t position = 0; position < count; ++position)
        newPosition[order[position]] = static_cast<int>(position);
    store.Reorder(order);
    // Keep the selection and the current row on the rows they belonged to.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& index : before)
        after.append(this->index(newPosition[static_cast<std::size_t>(index.row())], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void TResultTable::ListView1ColumnClick(int column)
{
    // Header clicks exist only in the table layout, and ".." never sorts.
    if (listLayout || column < 1 || column >= columnCount())
        return;
    if (column == sortColumn) {
        sortAscending = !sortAscending;
    } else {
        sortColumn = column;
        sortAscending = true;
    }
    UpdateSortMarks();
    Resort();
}

int TResultTable::HeaderImage(int column) const
{
    if (sortColumn < 1 || column != sortColumn)
        return -1;
    return sortAscending ? imageSortUp : imageSortDown;
}

void TResultTable::UpdateSortMarks() { emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1); }

void TResultTable::ResetSortState()
{
    sortColumn = -1;
    sortAscending = false;
    UpdateSortMarks();
}

void TResultTable::SetSortState(int column, bool ascending)
{
    if (listLayout || column < 1 || column >= columnCount())
        return;
    sortColumn = column;
    sortAscending = ascending;
    UpdateSortMarks();
    Resort();
}

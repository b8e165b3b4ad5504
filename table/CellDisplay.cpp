// What a cell of the result table shows beyond its text: counter rates,
// readable values, the tint of a change, last values and the tooltips.
#include "table/ResultTable.h"

#include "table/RateColumn.h"
#include "table/ReadableValues.h"
#include "table/Shared.h"

#include "names/MibDetails.h"

#include <QDateTime>
#include <QFont>
#include <QGuiApplication>
#include <QPalette>

#include <algorithm>
#include <optional>

namespace {

// A marked change fades out over this time.
constexpr std::int64_t kFadeMs = 2000;
// The strongest tint of a change, as alpha of the highlight colour.
constexpr double kTintAlpha = 0.45;

bool IsException(const TCellValue& value)
{
    return value.type == snmptype::kNoSuchObject || value.type == snmptype::kNoSuchInstance;
}

QString RawText(const TCellValue& value)
{
    if (value.type == snmptype::kOctetString || value.type == snmptype::kOpaque)
        return QString::fromLatin1(value.Bytes().toHex(' ').toUpper());
    return QString::fromLatin1(value.Bytes());
}

QString ClockText(std::int64_t wallMs, const char* format)
{
    return QDateTime::fromMSecsSinceEpoch(wallMs).toString(QLatin1String(format));
}

QColor GreyText() { return QGuiApplication::palette().color(QPalette::Disabled, QPalette::Text); }

// What the MIB says of the object of oid, for its cells' tooltips: UNITS and
// the first sentence of its DESCRIPTION, where known.
QStringList ObjectNotes(const TOidNameTable& names, const QString& oid)
{
    QStringList notes;
    const TMibNames* mib = names.MibNames();
    const TMibObject* object = mib != nullptr ? mib->Find(oid).object : nullptr;
    if (object == nullptr)
        return notes;
    if (!object->units.isEmpty())
        notes << QStringLiteral("UNITS: ") + object->units;
    const QString summary = MibDescriptionSummary(object->description);
    if (!summary.isEmpty())
        notes << summary;
    return notes;
}

// The tooltip line of a value that is not current: when its row last had an
// answer from the agent.
QString NoAnswerSince(const QVector<TResultCell>& row)
{
    std::optional<std::int64_t> lastMs;
    for (const TResultCell& cell : row) {
        const TCellValue& last = cell.now.Answered() ? cell.now : cell.LastGood();
        if (!cell.oid.isEmpty() && last.Answered())
            lastMs = std::max(lastMs.value_or(last.wallMs), last.wallMs);
    }
    if (!lastMs)
        return QStringLiteral("no answer");
    return QStringLiteral("no answer since ") + ClockText(*lastMs, "HH:mm:ss");
}

}  // namespace

bool TResultTable::LivelyTexts() const
{
    return viewOptions.counterRates || viewOptions.readableValues || viewOptions.keepLastValues;
}

QString TResultTable::DisplayText(const TResultRow& row, int column) const
{
    const TResultCell& cell = row.cells[column - 1];
    if (cell.oid.isEmpty())
        return cell.now.text;
    const bool kept = viewOptions.keepLastValues && !cell.now.Answered() && cell.LastGood().HasValue();
    const TCellValue& shown = kept ? cell.LastGood() : cell.now;
    if (IsRateCell(cell))
        return RateText(RowCounterRate(row.cells, cell), IsOctetsCell(row, column));
    if (viewOptions.readableValues && IsException(shown))
        return QString();
    if (viewOptions.readableValues) {
        const QString readable = ReadableText(shown, cell.oid, oidNames.MibNames());
        if (!readable.isEmpty())
            return readable;
    }
    return shown.text;
}

void TResultTable::SetViewOptions(const TViewOptions& options)
{
    if (options == viewOptions)
        return;
    const bool ratesChanged = options.counterRates != viewOptions.counterRates;
    viewOptions = options;
    // Painting asks for a text many times per reading; it is made once,
    // when first asked for after a change.
    shownTexts.clear();
    if (!viewOptions.markChanges)
        fadeTimer.stop();
    if (publishedRows > 0)
        emit dataChanged(index(0, 0), index(publishedRows - 1, columnCount() - 1));
    emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
    // A rate column sorts by its rates.
    if (ratesChanged)
        Resort();
}

bool TResultTable::IsRateCell(const TResultCell& cell, bool counterRates)
{
    return counterRates && !cell.oid.isEmpty() && cell.now.IsCounter();
}

bool TResultTable::IsOctetsCell(const TResultRow& row, int column) const
{
    if (listLayout)
        return IsOctetsName(row.cells.value(0).now.text);
    const int caption = column - 1 + FirstCellColumn();
    return column >= 1 && caption < captions.size() && IsOctetsName(captions[caption]);
}

bool TResultTable::IsRateColumn(int column) const
{
    const int cell = CellColumn(column);
    if (!viewOptions.counterRates || column < 1 || cell < 1)
        return false;
    for (const TResultRow& row : rows) {
        if (cell <= row.cells.size() && IsRateCell(row.cells[cell - 1]))
            return true;
    }
    return false;
}

const QString& TResultTable::KeptDisplayText(int row, int column, const TResultCell& cell) const
{
    // Kept for the cells in sight: a view paints a few hundred, and a cell
    // whose text was dropped makes it again when next painted.
    constexpr std::size_t kKept = 8192;
    const std::size_t slot = cell.shownSlot;
    if (slot > 0 && slot <= shownTexts.size() && shownTexts[slot - 1].cell == &cell)
        return shownTexts[slot - 1].text;
    if (shownTexts.size() >= kKept)
        shownTexts.clear();
    shownTexts.push_back({&cell, DisplayText(rows[row], column)});
    cell.shownSlot = static_cast<std::uint32_t>(shownTexts.size());
    return shownTexts.back().text;
}

QString TResultTable::ShownText(int row, int column) const
{
    return CellData(row, column, Qt::DisplayRole).toString();
}

QVariant TResultTable::CellData(int row, int column, int role) const
{
    const TResultCell* cell = CellAt(row, column);
    if (!cell)
        return QVariant();
    const bool named = !cell->oid.isEmpty();
    const bool unanswered = Unanswered(*cell);
    const bool kept = unanswered && viewOptions.keepLastValues && cell->LastGood().HasValue();
    const TCellValue& shown = kept ? cell->LastGood() : cell->now;
    const bool hiddenException = named && viewOptions.readableValues && IsException(shown);
    switch (role) {
    case Qt::DisplayRole:
        // A counter without a current reading has no rate, whatever was kept.
        if (unanswered && viewOptions.counterRates && named && cell->LastGood().IsCounter())
            return RateText(std::nullopt, false);
        if (unanswered && !kept)
            return UnansweredText(*cell);
        if (!LivelyTexts())
            return cell->now.text;
        return KeptDisplayText(row, column, *cell);
    case Qt::ForegroundRole: return unanswered || hiddenException ? QVariant(GreyText()) : QVariant();
    case Qt::FontRole: {
        if (!kept)
            return QVariant();
        QFont font;
        font.setItalic(true);
        return font;
    }
    case Qt::BackgroundRole: {
        const std::int64_t age = MonotonicMs() - cell->changedAtMs;
        if (!viewOptions.markChanges || cell->changedAtMs < 0 || age >= kFadeMs)
            return QVariant();
        QColor tint = QGuiApplication::palette().color(QPalette::Highlight);
        tint.setAlphaF(static_cast<float>(kTintAlpha * static_cast<double>(kFadeMs - age) / kFadeMs));
        return tint;
    }
    case Qt::ToolTipRole: {
        if (!named)
            return QVariant();
        QStringList tip;
        if (unanswered)
            tip << NoAnswerSince(rows[row].cells);
        if (hiddenException)
            tip << shown.text;
        tip << cell->oid << SnmpTypeName(shown.type);
        tip << ObjectNotes(oidNames, cell->oid);
        if (shown.Answered())
            tip << QStringLiteral("raw: ") + RawText(shown)
                << QStringLiteral("received ") + ClockText(shown.wallMs, "HH:mm:ss.zzz");
        if (IsRateCell(*cell)) {
            tip << kRateTooltip;
            if (!cell->Previous().Answered())
                tip << kRateNeedsSecondReading;
            if (IsOctetsCell(rows[row], column)
                && RateAboveSpeed(RowCounterRate(rows[row].cells, *cell), RowInterfaceSpeed(rows[row].cells)))
                tip << kSuspectRateTooltip;
        }
        return tip.join(QLatin1Char('\n'));
    }
    default: return QVariant();
    }
}

void TResultTable::FadeTick()
{
    if (publishedRows > 0)
        emit FadeStepped();
    if (MonotonicMs() - lastChangeMs > kFadeMs)
        fadeTimer.stop();
}

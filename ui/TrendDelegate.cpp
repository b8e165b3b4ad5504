#include "ui/TrendDelegate.h"

#include "table/ResultTable.h"

#include <QAbstractItemView>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPixmapCache>
#include <QToolTip>

#include <algorithm>
#include <utility>

namespace {

// The trend takes at most this share of the cell, and this many pixels.
constexpr double kTrendShare = 0.45;
constexpr int kTrendMostWidth = 90;
constexpr int kTrendMargin = 2;
// Rows taken between two looks at the clock.
constexpr qsizetype kRowsPerLook = 250;
// Pictures found by their trend's slot at most: some screens of cells.
constexpr qsizetype kMostPictures = 4096;

// Draws readings as a line across area, the lowest at the bottom.
void DrawTrend(QPainter& painter, const QRectF& area, const QVector<double>& readings, const QColor& color)
{
    const auto [low, high] = std::minmax_element(readings.begin(), readings.end());
    // A flat trend runs through the middle.
    const bool flat = *high <= *low;
    const double span = flat ? 1.0 : *high - *low;
    const double base = flat ? *low - 0.5 : *low;
    QPainterPath line;
    for (int i = 0; i < readings.size(); ++i) {
        const QPointF point(area.left() + area.width() * i / static_cast<double>(readings.size() - 1),
                            area.bottom() - area.height() * (readings[i] - base) / span);
        if (i == 0)
            line.moveTo(point);
        else
            line.lineTo(point);
    }
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(color, 1.2));
    painter.drawPath(line);
}

}  // namespace

TTrendDelegate::TTrendDelegate(const TResultTable& model, QObject* parent)
    : QStyledItemDelegate(parent), table(model)
{
    slices.setInterval(0);
    connect(&slices, &QTimer::timeout, this, &TTrendDelegate::TakeSlice);
}

void TTrendDelegate::Take(const QVector<TResultRow>& rows)
{
    const TResultStore& store = table.Store();
    const qsizetype column = DiscontinuityColumn(store.Targets(), store.IsListLayout());
    if (waiting.isEmpty())
        waitingSince = trends.Clears();
    waiting.append({rows, column});  // the rows shared with the store until either changes
    // At once as far as a slice goes: a shoot taken whole here is in the
    // trends before the view paints its new values.
    if (waiting.size() == 1)
        TakeSlice();
}

void TTrendDelegate::TakeSlice()
{
    QElapsedTimer clock;
    clock.start();
    do {
        if (trends.Clears() != waitingSince) {
            waiting.clear();  // taken before the trends were cleared
            takenRows = 0;
            break;
        }
        const TWaiting& front = waiting.front();
        const qsizetype end = std::min(front.rows.size(), takenRows + kRowsPerLook);
        trends.Take(front.rows, takenRows, end, front.discontinuityColumn);
        takenRows = end;
        if (takenRows == front.rows.size()) {
            waiting.removeFirst();
            takenRows = 0;
        }
    } while (!waiting.isEmpty() && clock.nsecsElapsed() < sliceBudgetNs);
    if (!waiting.isEmpty()) {
        // The rest at the next turns; the view may paint meanwhile.
        late = true;
        slices.start();
        return;
    }
    slices.stop();
    if (!std::exchange(late, false))
        return;
    if (auto* view = qobject_cast<const QAbstractItemView*>(paintedOn.data()); view != nullptr && shown)
        view->viewport()->update();
}

QString TTrendDelegate::OidAt(const QModelIndex& index) const
{
    const TResultCell* cell = table.CellAt(index.row(), index.column() - table.FirstCellColumn() + 1);
    return cell ? cell->oid : QString();
}

void TTrendDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    paintedOn = option.widget;
    const QString oid = shown ? OidAt(index) : QString();
    const qsizetype slot = oid.isEmpty() ? -1 : trends.SlotFor(oid);
    const std::int64_t stamp = trends.StampAt(slot);
    if (stamp < 0)
        return;
    const int width = std::min(kTrendMostWidth, static_cast<int>(option.rect.width() * kTrendShare));
    const QRect area = QRect(option.rect.right() - width, option.rect.top(), width, option.rect.height())
                           .adjusted(0, kTrendMargin, -kTrendMargin, -kTrendMargin);
    if (area.width() <= 0 || area.height() <= 0)
        return;
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const QColor color = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight);
    const qreal ratio = painter->device() != nullptr ? painter->device()->devicePixelRatioF() : 1.0;
    // A trend is drawn once per reading: the repaints between (a changed
    // cell's tint fading, a scroll) take the picture drawn before.
    TPicture& known = pictures[slot];
    QPixmap picture;
    if (known.stamp != stamp || known.clears != trends.Clears() || known.size != area.size()
        || known.color != color.rgba() || known.ratio != ratio || !QPixmapCache::find(known.key, &picture)) {
        const QVector<double> readings = trends.ReadingsAt(slot);
        if (readings.size() < 2)
            return;
        picture = QPixmap(area.size() * ratio);
        picture.setDevicePixelRatio(ratio);
        picture.fill(Qt::transparent);
        QPainter onPicture(&picture);
        DrawTrend(onPicture, QRectF(QPointF(0, 0), QSizeF(area.size())), readings, color);
        onPicture.end();
        QPixmapCache::remove(known.key);
        known = {QPixmapCache::insert(picture), stamp, trends.Clears(), area.size(), color.rgba(), ratio};
    }
    painter->drawPixmap(area.topLeft(), picture);
    // The pictures of trends scrolled past stay in QPixmapCache until it
    // needs their room; what finds them is dropped now and then.
    if (pictures.size() > kMostPictures)
        pictures.clear();
}

bool TTrendDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                               const QModelIndex& index)
{
    const QString summary = shown ? trends.Summary(OidAt(index)) : QString();
    if (event->type() != QEvent::ToolTip || summary.isEmpty())
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const QString tip = index.data(Qt::ToolTipRole).toString();
    QToolTip::showText(event->globalPos(), tip.isEmpty() ? summary : tip + QLatin1Char('\n') + summary, view);
    return true;
}

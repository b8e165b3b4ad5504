// TTrendDelegate: draws a cell of the result table with its trend, a line of
// its last readings in the right part of the cell, and adds the trend's
// minimum and maximum to its tooltip. Only cells in sight are drawn.
#pragma once

#include <QHash>
#include <QPixmapCache>
#include <QPointer>
#include <QStyledItemDelegate>
#include <QTimer>

#include "table/TrendBuffer.h"

class TResultTable;

class TTrendDelegate : public QStyledItemDelegate {
public:
    explicit TTrendDelegate(const TResultTable& table, QObject* parent = nullptr);

    // The readings drawn.
    TTrendBuffer& Trends() { return trends; }
    // Takes a finished shoot's readings into the trends, a slice of rows of
    // at most the slice budget's time per event-loop turn, the first at
    // once: a table taken in one slice is in before the view paints it; for
    // a larger one the window keeps answering, and the cells in sight are
    // drawn again when all are in. Shoots come in in their order;
    // Trends().Clear() drops those still waiting.
    void Take(const QVector<TResultRow>& rows);
    // Whether shoots are still being taken.
    bool Taking() const { return !waiting.isEmpty(); }
    // The time a slice may take (10 ms); 0: a few hundred rows a slice.
    void SetSliceBudget(std::int64_t nanoseconds) { sliceBudgetNs = nanoseconds; }
    // Draws the trends, or the cells alone.
    void SetShown(bool on) { shown = on; }
    // The recording the trends were filled from (empty: none yet).
    const QString& FilledFrom() const { return filledFrom; }
    void SetFilledFrom(const QString& path) { filledFrom = path; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

private:
    void TakeSlice();
    // The OID of the value cell at index; empty for none.
    QString OidAt(const QModelIndex& index) const;

    const TResultTable& table;
    TTrendBuffer trends;
    bool shown = false;
    QString filledFrom;
    // Shoots not yet taken whole, oldest first, with where their rows hold
    // ifCounterDiscontinuityTime.
    struct TWaiting {
        QVector<TResultRow> rows;
        qsizetype discontinuityColumn = kAnyColumn;
    };
    QVector<TWaiting> waiting;
    qsizetype takenRows = 0;  // of waiting.front()
    int waitingSince = 0;     // the trends' Clears when the first was queued
    QTimer slices;
    static constexpr std::int64_t kSliceBudgetNs = 10'000'000;
    std::int64_t sliceBudgetNs = kSliceBudgetNs;
    bool late = false;                          // a shoot was still being taken at the end of a turn
    mutable QPointer<const QWidget> paintedOn;  // the view the trends were last drawn on
    // The picture last drawn of a trend, by its slot: found again without a
    // key made of texts, kept in QPixmapCache (which may drop it) while the
    // trend, its size and its colour stay.
    struct TPicture {
        QPixmapCache::Key key;
        std::int64_t stamp = -1;
        int clears = -1;
        QSize size;
        QRgb color = 0;
        qreal ratio = 0;
    };
    mutable QHash<qsizetype, TPicture> pictures;
};

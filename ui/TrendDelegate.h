// TTrendDelegate: draws a cell of the result table with its trend, a line of
// its last readings in the right part of the cell, and adds the trend's
// minimum and maximum to its tooltip. Only cells in sight are drawn.
#pragma once

#include <QStyledItemDelegate>

#include "table/TrendBuffer.h"

class TResultTable;

class TTrendDelegate : public QStyledItemDelegate {
public:
    explicit TTrendDelegate(const TResultTable& table, QObject* parent = nullptr);

    // The readings drawn; the window hands it every finished shoot.
    TTrendBuffer& Trends() { return trends; }
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
    // The OID of the value cell at index; empty for none.
    QString OidAt(const QModelIndex& index) const;

    const TResultTable& table;
    TTrendBuffer trends;
    bool shown = false;
    QString filledFrom;
};

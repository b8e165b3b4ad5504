#include "table/ImageList.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <QtMath>

#include <array>
#include <cmath>
#include <functional>

namespace {

constexpr int side = 16;  // every picture of the image list is 16 x 16

const QColor blue(30, 90, 200);
const QColor darkBlue(15, 50, 130);
const QColor green(40, 160, 40);
const QColor red(210, 30, 30);

QPixmap Draw(const std::function<void(QPainter&)>& paint)
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter);
    painter.end();
    return QPixmap::fromImage(image);
}

void DrawExit(QPainter& p)
{
    p.setPen(QPen(QColor(140, 10, 10), 1));
    p.setBrush(red);
    p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 2, 2);
    p.setPen(QPen(Qt::white, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5, 5), QPointF(11, 11));
    p.drawLine(QPointF(11, 5), QPointF(5, 11));
}

void DrawDocument(QPainter& p, const QRectF& page)
{
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawRect(page);
    p.setPen(QPen(QColor(150, 160, 190), 0.6));
    for (qreal y = page.top() + 3; y < page.bottom() - 1; y += 2.5)
        p.drawLine(QPointF(page.left() + 2, y), QPointF(page.right() - 2.5, y));
}

void DrawCopy(QPainter& p)
{
    DrawDocument(p, QRectF(1.5, 0.5, 9, 11));
    DrawDocument(p, QRectF(5.5, 4.5, 9, 11));
}

void DrawArrowHead(QPainter& p, QPointF tip, QPointF direction, qreal size)
{
    const QPointF normal(-direction.y(), direction.x());
    const QPolygonF head{tip, tip - direction * size + normal * size * 0.6,
                         tip - direction * size - normal * size * 0.6};
    p.drawPolygon(head);
}

void DrawColumnWidth(QPainter& p)
{
    p.setPen(QPen(QColor(120, 90, 20), 1));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(QRectF(0.5, 8.5, 15, 6));
    for (int x = 2; x < 15; x += 2)
        p.drawLine(QPointF(x + 0.5, 8.5), QPointF(x + 0.5, x % 4 == 0 ? 12.5 : 10.5));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::black);
    p.drawLine(QPointF(3, 4.5), QPointF(13, 4.5));
    DrawArrowHead(p, QPointF(0.5, 4.5), QPointF(-1, 0), 3.5);
    DrawArrowHead(p, QPointF(15.5, 4.5), QPointF(1, 0), 3.5);
}

void DrawShootAgain(QPainter& p)
{
    const QPointF centre(8, 8);
    const qreal radius = 5.5;
    // A point of the circle at angle degrees, counter-clockwise from 3 o'clock.
    const auto at = [&](qreal degrees) {
        const qreal a = qDegreesToRadians(degrees);
        return centre + QPointF(radius * std::cos(a), -radius * std::sin(a));
    };
    // Direction of counter-clockwise travel at angle degrees.
    const auto along = [](qreal degrees) {
        const qreal a = qDegreesToRadians(degrees);
        return QPointF(-std::sin(a), -std::cos(a));
    };
    const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
    for (const qreal start : {20.0, 200.0}) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(green, 2, Qt::SolidLine, Qt::FlatCap));
        p.drawArc(circle, int(start * 16), 125 * 16);  // angles in 1/16 degree
        p.setPen(QPen(green.darker(130), 0.8));
        p.setBrush(green);
        const qreal end = start + 125;
        DrawArrowHead(p, at(end) + along(end) * 3.0, along(end), 4.5);
    }
}

void DrawVerticalArrow(QPainter& p, bool down)
{
    QPolygonF arrow{{6, 1}, {10, 1}, {10, 8}, {14, 8}, {8, 15}, {2, 8}, {6, 8}};
    if (!down) {
        for (QPointF& point : arrow)
            point.setY(side - point.y());
    }
    p.setPen(QPen(darkBlue, 1));
    p.setBrush(blue);
    p.drawPolygon(arrow);
}

void DrawAbout(QPainter& p)
{
    p.setPen(QPen(darkBlue, 1));
    p.setBrush(blue);
    p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QRectF(6.6, 2.8, 2.8, 2.8));
    p.drawRect(QRectF(6.8, 6.8, 2.4, 6.4));
}

}  // namespace

QIcon ImageListIcon(int index)
{
    if (index < 0 || index >= imageListCount)
        return QIcon();
    // Drawn once, on first use (the GUI thread is the only user).
    static const std::array<QIcon, imageListCount> icons{
        QIcon(Draw(DrawExit)),
        QIcon(Draw(DrawCopy)),
        QIcon(Draw(DrawColumnWidth)),
        QIcon(Draw(DrawShootAgain)),
        QIcon(Draw([](QPainter& p) { DrawVerticalArrow(p, true); })),
        QIcon(Draw([](QPainter& p) { DrawVerticalArrow(p, false); })),
        QIcon(Draw(DrawAbout)),
    };
    return icons[static_cast<std::size_t>(index)];
}

QPixmap Panel1Picture()
{
    return Draw([](QPainter& p) {
        const QPolygonF funnel{{0.5, 1.5}, {11.5, 1.5}, {7.5, 7.5}, {7.5, 14.5}, {4.5, 12.5}, {4.5, 7.5}};
        p.setPen(QPen(QColor(60, 60, 60), 1));
        p.setBrush(QColor(150, 170, 200));
        p.drawPolygon(funnel);
        p.setPen(QPen(red, 2, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QPointF(13, 4), QPointF(13, 11));
        p.setPen(Qt::NoPen);
        p.setBrush(red);
        DrawArrowHead(p, QPointF(13, 15.5), QPointF(0, 1), 4.5);
    });
}

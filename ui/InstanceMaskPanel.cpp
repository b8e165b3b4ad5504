#include "InstanceMaskPanel.h"

#include <QComboBox>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

constexpr int kPanelHeight = 34;

// A grey filter funnel with a red arrow pointing down, 16 x 16.
QPixmap FunnelPicture()
{
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath funnel;
    funnel.moveTo(0.5, 1.5);
    funnel.lineTo(10.5, 1.5);
    funnel.lineTo(6.5, 7.5);
    funnel.lineTo(6.5, 13.5);
    funnel.lineTo(4.5, 12.0);
    funnel.lineTo(4.5, 7.5);
    funnel.closeSubpath();
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(QColor(170, 170, 170));
    p.drawPath(funnel);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(220, 30, 30));
    p.drawRect(QRectF(12, 4, 2, 6));
    p.drawPolygon(QPolygonF{QPointF(10, 10), QPointF(16, 10), QPointF(13, 15)});
    return picture;
}

}  // namespace

TInstanceMaskPanel::TInstanceMaskPanel(QWidget* parent)
    : QWidget(parent)
    , Image1(new QLabel(this))
    , Label1(new QLabel(QStringLiteral("Instance Mask"), this))
    , ComboBox1(new QComboBox(this))
{
    setObjectName(QStringLiteral("Panel1"));
    setFixedHeight(kPanelHeight);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(FunnelPicture());
    Image1->setGeometry(8, 11, 16, 16);

    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(26, 12);
    Label1->adjustSize();

    // Not editable: the user can only pick one of the entries found.
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(false);
    ComboBox1->move(100, 8);
    ComboBox1->resize(145, ComboBox1->sizeHint().height());
}

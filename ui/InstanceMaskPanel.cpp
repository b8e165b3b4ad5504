#include "ui/InstanceMaskPanel.h"

#include "table/ImageList.h"

#include <QComboBox>
#include <QEvent>
#include <QLabel>

#include <algorithm>

namespace {

constexpr int kPanelHeight = 34;
constexpr int kComboBoxLeft = 100;
constexpr int kComboBoxWidth = 145;
constexpr int kCaptionGap = 4;  // between the caption's end and the box

}  // namespace

TInstanceMaskPanel::TInstanceMaskPanel(QWidget* parent)
    : QWidget(parent), Image1(new QLabel(this)), Label1(new QLabel(QStringLiteral("Instance Mask"), this)),
      ComboBox1(new QComboBox(this))
{
    setObjectName(QStringLiteral("Panel1"));
    setFixedHeight(kPanelHeight);

    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(Panel1Picture());
    Image1->setGeometry(8, 11, 16, 16);

    Label1->setObjectName(QStringLiteral("Label1"));

    // Not editable: the user can only pick one of the entries found.
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setEditable(false);
    PlaceControls();
}

void TInstanceMaskPanel::PlaceControls()
{
    Label1->move(26, 12);
    Label1->adjustSize();
    // The box stands at x 100 by design, which leaves the caption room in the
    // design font; a wider font moves the box right instead of covering the
    // caption.
    const int boxLeft = std::max(kComboBoxLeft, Label1->geometry().right() + 1 + kCaptionGap);
    ComboBox1->setGeometry(boxLeft, 8, kComboBoxWidth, ComboBox1->sizeHint().height());
}

void TInstanceMaskPanel::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        PlaceControls();
}

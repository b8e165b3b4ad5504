#include "InstanceMaskPanel.h"

#include "ImageList.h"

#include <QComboBox>
#include <QLabel>

namespace {

constexpr int kPanelHeight = 34;

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
    Image1->setPixmap(Panel1Picture());
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

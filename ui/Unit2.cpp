#include "Unit2.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

TForm2::TForm2(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("About Hollbrae HB_Vexgrid"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("HB_Vexgrid"), this));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

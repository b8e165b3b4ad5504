#include "ui/Unit2.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QFont>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>

namespace {

// Design geometry of the window and its controls, in pixels.
constexpr QSize kClientSize(386, 285);
constexpr QPoint kScreenPosition(240, 263);
constexpr QRect kImageGeometry(8, 0, 370, 136);
constexpr QRect kOkGeometry(296, 250, 75, 25);

// The maker's colours for the logo and the link.
const QColor kNavy(0x00, 0x00, 0x80);
const QColor kLogoInk(0x1f, 0x3a, 0x68);
const QColor kLogoAccent(0x2a, 0x9d, 0x8f);
const QColor kLogoCell(0xd6, 0xdf, 0xea);
const QColor kLogoSubtitle(0x55, 0x60, 0x6e);

TForm2::TUrlOpener& UrlOpener()
{
    static TForm2::TUrlOpener opener;
    return opener;
}

QFont FontOf(const QString& family, int points)
{
    QFont font(family);
    font.setPointSize(points);
    return font;
}

// The mark: a small table whose header row is filled and one cell stands out.
void DrawGridMark(QPainter& painter, const QRectF& area)
{
    constexpr int kColumns = 4;
    constexpr int kRows = 4;
    constexpr qreal kGap = 4;
    const qreal cellWidth = (area.width() - kGap * (kColumns - 1)) / kColumns;
    const qreal cellHeight = (area.height() - kGap * (kRows - 1)) / kRows;
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < kRows; ++row) {
        for (int column = 0; column < kColumns; ++column) {
            const QRectF cell(area.left() + column * (cellWidth + kGap),
                              area.top() + row * (cellHeight + kGap), cellWidth, cellHeight);
            QColor colour = row == 0 ? kLogoInk : kLogoCell;
            if (row == 2 && column == 2)
                colour = kLogoAccent;
            painter.setBrush(colour);
            painter.drawRoundedRect(cell, 3, 3);
        }
    }
}

}  // namespace

QString FormatFileVersion(std::uint16_t major, std::uint16_t minor, std::uint16_t patch, std::uint16_t build)
{
    return QStringLiteral("%1.%2.%3.%4").arg(major).arg(minor).arg(patch).arg(build);
}

QString FileVersionText()
{
#if defined(VEXGRID_VERSION_MAJOR) && defined(VEXGRID_VERSION_MINOR) && defined(VEXGRID_VERSION_PATCH)       \
    && defined(VEXGRID_VERSION_TWEAK)
    return FormatFileVersion(VEXGRID_VERSION_MAJOR, VEXGRID_VERSION_MINOR, VEXGRID_VERSION_PATCH,
                             VEXGRID_VERSION_TWEAK);
#else
    return QStringLiteral("0.0.0.0");
#endif
}

QPixmap DrawMakerLogo(QSize size)
{
    QPixmap logo(size);
    logo.fill(Qt::transparent);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);

    const qreal markSide = size.height() * 0.62;
    const QRectF mark(16, (size.height() - markSide) / 2, markSide, markSide);
    DrawGridMark(painter, mark);

    const qreal textLeft = mark.right() + 22;
    QFont maker(QStringLiteral("Verdana"));
    maker.setPixelSize(int(size.height() * 0.26));
    maker.setBold(true);
    painter.setFont(maker);
    painter.setPen(kLogoInk);
    const qreal baseline = size.height() * 0.52;
    painter.drawText(QPointF(textLeft, baseline), QStringLiteral("Hollbrae"));

    painter.setPen(QPen(kLogoAccent, 2));
    painter.drawLine(QPointF(textLeft, baseline + 9), QPointF(size.width() - 16, baseline + 9));

    QFont product(QStringLiteral("Verdana"));
    product.setPixelSize(int(size.height() * 0.14));
    painter.setFont(product);
    painter.setPen(kLogoSubtitle);
    painter.drawText(QPointF(textLeft, baseline + 9 + product.pixelSize() * 1.4),
                     QStringLiteral("HB_Vexgrid"));
    return logo;
}

TForm2::TForm2(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("About Hollbrae HB_Vexgrid"));
    setFixedSize(kClientSize);
    move(kScreenPosition);
    setFont(FontOf(QStringLiteral("Tahoma"), 8));
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    setAutoFillBackground(true);

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setGeometry(kImageGeometry);
    Image1->setPixmap(DrawMakerLogo(kImageGeometry.size()));

    Label1 = AddLabel(QStringLiteral("Version"), 34, 157);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = AddLabel(QStringLiteral("0.0.0.0"), 83, 157);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label3 = AddLabel(QStringLiteral("Website"), 32, 176);
    Label3->setObjectName(QStringLiteral("Label3"));
    Label4 = AddLabel(QString::fromLatin1(kMakerWebsite), 83, 176);
    Label4->setObjectName(QStringLiteral("Label4"));
    QFont link = Label4->font();
    link.setUnderline(true);
    Label4->setFont(link);
    QPalette navy = Label4->palette();
    navy.setColor(QPalette::WindowText, kNavy);
    Label4->setPalette(navy);
    Label4->setCursor(Qt::PointingHandCursor);
    Label4->installEventFilter(this);

    Label5 = AddLabel(QStringLiteral("Qt"), 32, 195);
    Label5->setObjectName(QStringLiteral("Label5"));
    Label6 = AddLabel(QString::fromLatin1(qVersion()), 83, 195);
    Label6->setObjectName(QStringLiteral("Label6"));
    Label7 = AddLabel(QString::fromLatin1(kLicenceLine), 32, 220);
    Label7->setObjectName(QStringLiteral("Label7"));
    OkButton = new QPushButton(QStringLiteral("OK"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setGeometry(kOkGeometry);
    OkButton->setDefault(true);  // Enter closes the window as well as Escape
    connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);

    FormCreate();
}

TForm2::TUrlOpener TForm2::SetUrlOpener(TUrlOpener opener)
{
    TUrlOpener previous = std::move(UrlOpener());
    UrlOpener() = std::move(opener);
    return previous;
}

QLabel* TForm2::AddLabel(const QString& text, int left, int top)
{
    auto* label = new QLabel(text, this);
    label->setFont(FontOf(QStringLiteral("Verdana"), 8));
    label->move(left, top);
    label->adjustSize();
    return label;
}

void TForm2::FormCreate()
{
    Label2->setText(FileVersionText());
    Label2->adjustSize();
}

void TForm2::FormClose() { setAttribute(Qt::WA_DeleteOnClose); }

void TForm2::Label4Click()
{
    const QUrl address(Label4->text());
    if (UrlOpener())
        UrlOpener()(address);
    else
        QDesktopServices::openUrl(address);
}

// Every way of closing (the title bar's close box, Escape) frees the window.
void TForm2::done(int result)
{
    FormClose();
    QDialog::done(result);
}

// Over the main window, in its middle; alone at the design position.
void TForm2::showEvent(QShowEvent* event)
{
    if (const QWidget* owner = parentWidget()) {
        const QRect frame = frameGeometry();
        const QPoint offset = frame.topLeft() - pos();
        move(owner->frameGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2) - offset);
    }
    QDialog::showEvent(event);
}

void TForm2::closeEvent(QCloseEvent* event)
{
    FormClose();
    QDialog::closeEvent(event);
}

// A label has no click of its own: a left-button release over Label4 is one.
bool TForm2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Label4 && event->type() == QEvent::MouseButtonRelease) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && Label4->rect().contains(mouse->position().toPoint())) {
            Label4Click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// The About window on a real (offscreen) dialog.
#include "ui/Unit2.h"

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

// Catches the addresses Label4Click opens, so no browser starts.
class TOpenedUrls {
public:
    TOpenedUrls()
    {
        previous = TForm2::SetUrlOpener([this](const QUrl& url) { urls.push_back(url); });
    }
    ~TOpenedUrls() { TForm2::SetUrlOpener(previous); }

    std::vector<QUrl> urls;

private:
    TForm2::TUrlOpener previous;
};

void DeleteClosedWindows() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

TEST(TForm2, ShowsCaptionLabelsAndVersion)
{
    TForm2 form;
    EXPECT_EQ(form.windowTitle(), "About Hollbrae HB_Vexgrid");
    EXPECT_EQ(form.size(), QSize(386, 285));
    EXPECT_EQ(form.minimumSize(), form.maximumSize()) << "the frame must not be resizable";
    EXPECT_FALSE(form.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(form.pos(), QPoint(240, 263));
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(Qt::white));

    struct {
        QLabel* label;
        const char* text;
        QPoint at;
    } const expected[] = {
        {form.Label1, "Version", {34, 157}},
        {form.Label2, VEXGRID_PROJECT_VERSION, {83, 157}},
        {form.Label3, "Website", {32, 176}},
        {form.Label4, "https://www.hollbrae.example/", {83, 176}},
    };
    for (const auto& e : expected) {
        SCOPED_TRACE(e.text);
        EXPECT_EQ(e.label->text(), QString::fromUtf8(e.text));
        EXPECT_EQ(e.label->pos(), e.at);
        EXPECT_FALSE(e.label->text().isEmpty());
        EXPECT_GT(e.label->width(), 0);
    }

    EXPECT_EQ(form.Label4->palette().color(QPalette::WindowText), QColor(0, 0, 128));
    EXPECT_TRUE(form.Label4->font().underline());
    EXPECT_EQ(form.Label4->cursor().shape(), Qt::PointingHandCursor);

    EXPECT_EQ(form.Image1->geometry(), QRect(8, 0, 370, 136));
    ASSERT_FALSE(form.Image1->pixmap().isNull());
}

TEST(TForm2, VersionTextIsTheBuildVersion) { EXPECT_EQ(FileVersionText(), VEXGRID_PROJECT_VERSION); }

TEST(TForm2, VersionPartsAreUnsignedSixteenBitDecimals)
{
    struct {
        std::uint16_t parts[4];
        const char* text;
    } const cases[] = {
        {{1, 2, 3, 4}, "1.2.3.4"},
        {{0, 0, 0, 0}, "0.0.0.0"},                                  // zero parts stay visible
        {{65535, 65535, 65535, 65535}, "65535.65535.65535.65535"},  // all bits set: not negative
        {{10000, 9999, 32768, 100}, "10000.9999.32768.100"},        // all digits, no padding
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFileVersion(c.parts[0], c.parts[1], c.parts[2], c.parts[3]), c.text);
}

// The logo is painted on a transparent picture, so the white form shows through.
TEST(TForm2, LogoIsDrawnTransparently)
{
    const QImage logo = DrawMakerLogo(QSize(370, 136)).toImage();
    ASSERT_EQ(logo.size(), QSize(370, 136));
    EXPECT_EQ(qAlpha(logo.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(logo.pixel(369, 135)), 0);
    int inked = 0;
    for (int y = 0; y < logo.height(); ++y)
        for (int x = 0; x < logo.width(); ++x)
            inked += qAlpha(logo.pixel(x, y)) == 255 ? 1 : 0;
    EXPECT_GT(inked, 1000) << "no logo drawn";
}

TEST(TForm2, OnlyTheAddressOpensTheWebsite)
{
    TOpenedUrls opened;
    TForm2 form;
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));

    QTest::mouseClick(form.Label3, Qt::LeftButton);
    EXPECT_TRUE(opened.urls.empty()) << "clicking \"Website\" must do nothing";

    QTest::mouseClick(form.Label4, Qt::RightButton);
    EXPECT_TRUE(opened.urls.empty());

    QTest::mouseClick(form.Label4, Qt::LeftButton);
    ASSERT_EQ(opened.urls.size(), 1u);
    EXPECT_EQ(opened.urls[0].toString(), "https://www.hollbrae.example/");
    EXPECT_TRUE(form.isVisible()) << "the window stays open";
}

// Each "About" creates a window that is shown modally and freed when it closes.
TEST(TForm2, EveryAboutIsAFreshWindowFreedOnClose)
{
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        QPointer<TForm2> about = new TForm2;
        EXPECT_EQ(about->Label2->text(), VEXGRID_PROJECT_VERSION);
        QWidget* modal = nullptr;
        QTimer::singleShot(0, about, [&] {
            modal = QApplication::activeModalWidget();
            about->close();
        });
        about->exec();
        EXPECT_EQ(modal, about.data());
        DeleteClosedWindows();
        EXPECT_TRUE(about.isNull()) << "the closed window was not freed";
    }
}

TEST(TForm2, EscapeAlsoFreesTheWindow)
{
    QPointer<TForm2> about = new TForm2;
    QTimer::singleShot(0, about, [&] { QTest::keyClick(about, Qt::Key_Escape); });
    about->exec();
    DeleteClosedWindows();
    EXPECT_TRUE(about.isNull());
}

TEST(TForm2, ShowsQtVersionAndLicence)
{
    TForm2 form;
    EXPECT_EQ(form.Label6->text(), QString::fromLatin1(qVersion()));
    EXPECT_EQ(form.Label7->text(), "MIT License. Copyright (c) 2026 Hollbrae.");
    EXPECT_TRUE(form.rect().contains(form.OkButton->geometry())) << "OK inside the window";
    EXPECT_TRUE(form.rect().contains(form.Label7->geometry())) << "licence inside the window";
}

// OK, Enter and Escape each close the window and free it.
TEST(TForm2, OkEnterAndEscapeClose)
{
    const struct {
        const char* why;
        std::function<void(TForm2&)> close;
    } ways[] = {
        {"OK clicked", [](TForm2& f) { QTest::mouseClick(f.OkButton, Qt::LeftButton); }},
        {"Enter", [](TForm2& f) { QTest::keyClick(&f, Qt::Key_Return); }},
        {"Escape", [](TForm2& f) { QTest::keyClick(&f, Qt::Key_Escape); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.why);
        QPointer<TForm2> about = new TForm2;
        QTimer::singleShot(0, about, [&] { way.close(*about); });
        about->exec();
        DeleteClosedWindows();
        EXPECT_TRUE(about.isNull());
    }
}

TEST(TForm2, OpensCentredOnTheMainWindow)
{
    QWidget main;
    main.setGeometry(300, 200, 900, 700);
    main.show();
    TForm2 about(&main);
    about.show();
    QApplication::processEvents();
    // Each centre is rounded down to a pixel in both directions.
    EXPECT_LE((about.frameGeometry().center() - main.frameGeometry().center()).manhattanLength(), 4);
    EXPECT_NE(about.pos(), QPoint(240, 263)) << "not at the design position";
}

}  // namespace

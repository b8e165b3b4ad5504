// The pictures of ImageList1 and Panel1, drawn in code.
#include "table/ImageList.h"

#include <gtest/gtest.h>

#include <QImage>

namespace {

QImage Picture(int index)
{
    return ImageListIcon(index).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
}

bool IsBlue(QRgb pixel) { return qAlpha(pixel) > 128 && qBlue(pixel) > 150 && qRed(pixel) < 100; }

}  // namespace

TEST(ImageList, SevenPicturesOfSixteenPixels)
{
    QList<QImage> seen;
    for (int index = 0; index < imageListCount; ++index) {
        const QIcon icon = ImageListIcon(index);
        ASSERT_FALSE(icon.isNull()) << index;
        const QImage image = Picture(index);
        EXPECT_EQ(image.size(), QSize(16, 16)) << index;
        EXPECT_FALSE(seen.contains(image)) << "picture " << index << " repeats another";
        seen.append(image);
    }
    // Rows use 27 and 11, which draw nothing; so does every other index.
    for (int index : {27, 11, 7, -1})
        EXPECT_TRUE(ImageListIcon(index).isNull()) << index;
}

TEST(ImageList, SortMarksPointDownForAscendingAndUpForDescending)
{
    // The arrow's tip is the widest part: down has its wide head low, up high.
    const QImage down = Picture(imageSortUp);
    const QImage up = Picture(imageSortDown);
    const auto blueWidth = [](const QImage& image, int y) {
        int width = 0;
        for (int x = 0; x < image.width(); ++x)
            width += IsBlue(image.pixel(x, y)) ? 1 : 0;
        return width;
    };
    EXPECT_GT(blueWidth(down, 9), blueWidth(down, 3));
    EXPECT_GT(blueWidth(up, 6), blueWidth(up, 12));
}

TEST(ImageList, ExitIsRedWithAWhiteCross)
{
    const QImage exit = Picture(imageExit);
    const QRgb corner = exit.pixel(3, 8);
    const QRgb centre = exit.pixel(8, 8);
    EXPECT_GT(qRed(corner), 150);
    EXPECT_LT(qGreen(corner), 100);
    EXPECT_GT(qGreen(centre), 200);
    EXPECT_GT(qBlue(centre), 200);
}

TEST(ImageList, Panel1PictureHasARedArrowOnATransparentGround)
{
    const QImage picture = Panel1Picture().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(picture.size(), QSize(16, 16));
    EXPECT_EQ(qAlpha(picture.pixel(15, 0)), 0);
    int red = 0;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const QRgb p = picture.pixel(x, y);
            red += qAlpha(p) > 200 && qRed(p) > 180 && qGreen(p) < 80 ? 1 : 0;
        }
    }
    EXPECT_GT(red, 10);
}

// Frame-control pictures and the image list controls are given.
#include <gtest/gtest.h>

#include <QPainter>

#include "bars/frame_control.h"
#include "bars/image_list.h"
#include "bars/sb_panel_draw.h"
#include "platform/bitmap.h"

namespace {

QImage Picture(unsigned type, unsigned state, int w = 16, int h = 16)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    DrawFrameControl(p, TRect(0, 0, w, h), type, state);
    return img;
}

TColor At(const QImage& img, int x, int y) { return QRgbToColor(img.pixel(x, y)); }

QImage Solid(int w, int h, QRgb rgb)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(rgb);
    return img;
}

} // namespace

TEST(SBFrameControl, PushedArrowMovesOneDownRightOnAFlatFrame)
{
    const QImage up = Picture(DFC_SCROLL, DFCS_SCROLLDOWN);
    const QImage pushed = Picture(DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_PUSHED);
    EXPECT_NE(up, Picture(DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_INACTIVE));
    EXPECT_NE(up, Picture(DFC_SCROLL, DFCS_SCROLLUP));
    EXPECT_EQ(At(pushed, 15, 15), ColorToRGB(clBtnShadow));
    EXPECT_EQ(At(up, 15, 15), ColorToRGB(cl3DDkShadow));
    int total = 0, same = 0;
    for (int y = 2; y < 13; ++y)
        for (int x = 2; x < 13; ++x)
            if (At(up, x, y) == ColorToRGB(clBtnText)) {
                ++total;
                same += At(pushed, x + 1, y + 1) == ColorToRGB(clBtnText);
            }
    EXPECT_GT(total, 3);
    EXPECT_EQ(same, total);
}

TEST(SBFrameControl, CaptionPicturesDiffer)
{
    std::vector<QImage> seen;
    for (unsigned kind : {DFCS_CAPTIONCLOSE, DFCS_CAPTIONMIN, DFCS_CAPTIONMAX, DFCS_CAPTIONRESTORE, DFCS_CAPTIONHELP}) {
        const QImage img = Picture(DFC_CAPTION, kind, 16, 14);
        for (const QImage& s : seen)
            EXPECT_NE(s, img) << kind;
        seen.push_back(img);
    }
}

TEST(SBImageList, MaskedPixelsStayUndrawnAndChangesAreTold)
{
    TImageList list(4, 4);
    int changes = 0;
    QObject::connect(&list, &TImageList::Change, [&] { ++changes; });
    QImage img = Solid(4, 4, 0xFFFF0000);
    img.setPixel(0, 0, 0xFF00FF00);
    EXPECT_EQ(list.AddMasked(img, RGB(0, 255, 0)), 0);
    TBitmap bmp(6, 6);
    DrawImage(*bmp.Canvas(), &list, nullptr, clBlue, false, 0, TRect(1, 1, 5, 5));
    EXPECT_EQ(bmp.Canvas()->Pixel(1, 1), clWhite);
    EXPECT_EQ(bmp.Canvas()->Pixel(2, 2), clRed);
    EXPECT_EQ(bmp.Canvas()->Pixel(0, 0), clWhite);
    EXPECT_FALSE(list.Replace(3, img));
    EXPECT_TRUE(list.Replace(0, Solid(8, 8, 0xFF0000FF)));
    EXPECT_EQ(list.ImageAt(0).size(), QSize(4, 4));
    EXPECT_TRUE(list.ImageAt(1).isNull());
    list.Delete(7);
    list.Delete(0);
    list.Clear();
    EXPECT_EQ(changes, 3);
}

TEST(SBImageList, AlphaImageOnACanvasKeepsItsOwnMagenta)
{
    QImage img(2, 1, QImage::Format_ARGB32);
    img.setPixel(0, 0, 0xFFFF00FF);
    img.setPixel(1, 0, 0x00000000);
    TBitmap bmp(2, 1);
    DrawAlphaImage(*bmp.Canvas(), 0, 0, img);
    EXPECT_EQ(bmp.Canvas()->Pixel(0, 0), RGB(255, 0, 255));
    EXPECT_EQ(bmp.Canvas()->Pixel(1, 0), clWhite);
}

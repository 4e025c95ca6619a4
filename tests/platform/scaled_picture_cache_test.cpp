// The kept scaled copy of a picture in a scrolled view: what a repaint copies from it is the
// picture sampled at the drawn size, wherever the view goes and whatever size it is drawn at.
#include "platform/bitmap.h"
#include "platform/graphics.h"
#include "platform/scaled_picture_cache.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>

namespace scaledcache {

// Every pixel tells where it is: red and green the low bytes of x and y, blue their high bits.
std::unique_ptr<TBitmap> PlacedPixels(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8)));
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetImage(img);
    return bmp;
}

QRgb PlacedPixel(int x, int y)
{
    return qRgb(x & 0xFF, y & 0xFF, ((x >> 8) << 4) | (y >> 8));
}

// Paints exposed through the cache onto an image showing view (a transparent background) and
// checks each of its pixels: the picture's source pixel inside exposed, nothing outside.
void ExpectViewPainted(TScaledPictureCache& cache, const TGraphic& picture, QSize size, QRect view,
                       QRect exposed)
{
    QImage device(view.size(), QImage::Format_ARGB32_Premultiplied);
    device.fill(Qt::transparent);
    {
        QPainter p(&device);
        p.translate(-view.topLeft());
        cache.Paint(p, &picture, size, exposed, view);
    }
    int wrong = 0;
    for (int y = 0; y < device.height() && wrong < 5; ++y)
        for (int x = 0; x < device.width() && wrong < 5; ++x) {
            const QPoint at = QPoint(x, y) + view.topLeft();
            QRgb expected = 0;
            if (exposed.contains(at) && QRect(QPoint(0, 0), size).contains(at)) {
                const int sx = int(std::floor((at.x() + 0.5) * picture.Width() / size.width()));
                const int sy = int(std::floor((at.y() + 0.5) * picture.Height() / size.height()));
                expected = PlacedPixel(sx, sy);
            }
            if (device.pixel(x, y) != expected) {
                ++wrong;
                ADD_FAILURE() << "at (" << at.x() << ", " << at.y() << "): " << std::hex << device.pixel(x, y)
                              << " for " << expected;
            }
        }
}

} // namespace scaledcache

using namespace scaledcache;

TEST(ScaledPictureCache, RepaintsShowThePictureSampledAtTheDrawnSize)
{
    const auto picture = PlacedPixels(300, 200);
    const struct {
        QSize size;
        QRect view, exposed;
    } cases[] = {
        {{300, 200}, {0, 0, 300, 200}, {0, 0, 300, 200}},          // as it is
        {{300, 200}, {0, 0, 300, 200}, {10, 20, 7, 3}},            // a small part
        {{75, 50}, {-20, -10, 120, 80}, {-20, -10, 120, 80}},      // 25 %, smaller than the view
        {{1200, 800}, {500, 300, 160, 90}, {500, 300, 160, 90}},   // 400 %
        {{1200, 800}, {500, 300, 160, 90}, {500, 380, 160, 10}},   // a strip a scroll uncovered
        {{1200, 800}, {1100, 700, 160, 90}, {1100, 700, 160, 90}}, // past the corner
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size.width() << "x" << c.size.height() << " exposed "
                                        << c.exposed.x() << "," << c.exposed.y());
        TScaledPictureCache cache;
        ExpectViewPainted(cache, *picture, c.size, c.view, c.exposed);
        // A second repaint copies from what was kept.
        ExpectViewPainted(cache, *picture, c.size, c.view, c.exposed);
    }
}

// A picture too large to keep whole at its drawn size is kept around the view only, and
// a repaint outside what is kept (a jump, a new zoom) draws the right part again.
TEST(ScaledPictureCache, ALargeDrawnPictureIsKeptAroundTheView)
{
    const auto picture = PlacedPixels(1000, 750);
    const QSize big(4000, 3000);
    ASSERT_GT(qint64(big.width()) * big.height(), TScaledPictureCache::WholeLimit);
    TScaledPictureCache cache;
    const QRect view(1000, 1000, 400, 300);
    ExpectViewPainted(cache, *picture, big, view, view);
    EXPECT_TRUE(cache.Kept().contains(view));
    EXPECT_LE(cache.Kept().width(), 2 * view.width());
    EXPECT_LE(cache.Kept().height(), 2 * view.height());
    // A small scroll stays within what is kept; a page down leaves it.
    ExpectViewPainted(cache, *picture, big, view.translated(0, 100), QRect(1000, 1300, 400, 100));
    const QRect next = view.translated(0, 300);
    ExpectViewPainted(cache, *picture, big, next, next);
    EXPECT_TRUE(cache.Kept().contains(next));
    const QRect far(3600, 2700, 400, 300);
    ExpectViewPainted(cache, *picture, big, far, far);
    EXPECT_TRUE(cache.Kept().contains(far));
    // Another size is drawn anew, and kept whole when small enough.
    ExpectViewPainted(cache, *picture, QSize(500, 375), QRect(0, 0, 400, 300), QRect(0, 0, 400, 300));
    EXPECT_EQ(cache.Kept(), QRect(0, 0, 500, 375));
}

// A picture's transparent pixels let the background show; another picture or Clear draws anew.
TEST(ScaledPictureCache, TransparencyAndAChangedPicture)
{
    auto picture = PlacedPixels(40, 30);
    picture->SetTransparentColor(QRgbToColor(PlacedPixel(5, 5))); // no other pixel has it
    picture->SetTransparent(true);
    TScaledPictureCache cache;
    QImage device(40, 30, QImage::Format_ARGB32_Premultiplied);
    device.fill(Qt::transparent);
    {
        QPainter p(&device);
        cache.Paint(p, picture.get(), QSize(40, 30), QRect(0, 0, 40, 30), QRect(0, 0, 40, 30));
    }
    EXPECT_EQ(qAlpha(device.pixel(5, 5)), 0);
    EXPECT_EQ(device.pixel(6, 5), PlacedPixel(6, 5));

    const auto other = PlacedPixels(80, 60);
    ExpectViewPainted(cache, *other, QSize(40, 30), QRect(0, 0, 40, 30), QRect(0, 0, 40, 30));
    cache.Clear();
    EXPECT_TRUE(cache.Kept().isEmpty());
    ExpectViewPainted(cache, *other, QSize(40, 30), QRect(0, 0, 40, 30), QRect(0, 0, 40, 30));
}

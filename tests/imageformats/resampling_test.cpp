#include "imageformats/resampling.h"

#include <gtest/gtest.h>

#include <limits>

TEST(Resampling, FiltersAndDefaultRadii)
{
    const TResamplingFilter all[] = {sfBox, sfTriangle, sfHermite, sfBell, sfSpline, sfLanczos3, sfMitchell};
    const double radii[] = {0.5, 1, 1, 1.5, 2, 3, 2};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_DOUBLE_EQ(ResamplingFilterRadius(all[i]), radii[i]);
        EXPECT_EQ(ResamplingFilterValue(all[i], radii[i] + 0.01), 0);
        EXPECT_GT(ResamplingFilterValue(all[i], 0), 0.5);
    }
    EXPECT_DOUBLE_EQ(ResamplingFilterValue(sfLanczos3, 0), 1);
    EXPECT_EQ(ResamplingFilterValue(sfBox, -0.5), 0);
    EXPECT_EQ(ResamplingFilterValue(sfBox, 0.5), 1);
}

TEST(Resampling, UniformPicturesStayUniformAtEverySize)
{
    // Every filter, growing and shrinking, including sizes of 1 (no division by zero).
    QImage src(7, 5, QImage::Format_RGB32);
    src.fill(qRgb(90, 140, 200));
    const TResamplingFilter all[] = {sfBox, sfTriangle, sfHermite, sfBell, sfSpline, sfLanczos3, sfMitchell};
    const QSize sizes[] = {{1, 1}, {1, 9}, {20, 1}, {3, 2}, {30, 17}};
    for (TResamplingFilter f : all)
        for (QSize s : sizes) {
            SCOPED_TRACE(std::to_string(f) + " " + std::to_string(s.width()) + "x" + std::to_string(s.height()));
            const QImage out = StretchImage(src, s.width(), s.height(), f);
            ASSERT_EQ(out.size(), s);
            EXPECT_EQ(out.format(), QImage::Format_BGR888);
            for (int y = 0; y < s.height(); ++y)
                for (int x = 0; x < s.width(); ++x) {
                    const QRgb c = out.pixel(x, y);
                    ASSERT_LE(std::abs(qRed(c) - 90) + std::abs(qGreen(c) - 140) + std::abs(qBlue(c) - 200), 3);
                }
        }
    // A one-pixel source grows to any size; a one-pixel target of a wide source is its middle.
    QImage one(1, 1, QImage::Format_RGB32);
    one.fill(qRgb(1, 2, 3));
    EXPECT_EQ(StretchImage(one, 10, 4, sfTriangle).pixel(9, 3), qRgb(1, 2, 3));
    EXPECT_TRUE(StretchImage(src, 0, 5, sfBox).isNull());
}

TEST(Resampling, TriangleInterpolatesBetweenEnds)
{
    // Two pixels stretched to three: the middle one lies half way (scale (3-1)/(2-1) = 2).
    QImage src(2, 1, QImage::Format_RGB32);
    src.setPixel(0, 0, qRgb(0, 0, 0));
    src.setPixel(1, 0, qRgb(200, 100, 50));
    const QImage out = StretchImage(src, 3, 1, sfTriangle);
    EXPECT_EQ(out.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(out.pixel(1, 0), qRgb(100, 50, 25));
    EXPECT_EQ(out.pixel(2, 0), qRgb(200, 100, 50));
}

TEST(Resampling, StretchBitmaps)
{
    TBitmap source(4, 4, pf8bit);
    TBitmap target;
    Stretch(8, 2, sfMitchell, 0, &source, &target);
    EXPECT_EQ(source.PixelFormat(), pf24bit);
    EXPECT_EQ(target.PixelFormat(), pf24bit);
    EXPECT_EQ(target.Width(), 8);
    EXPECT_EQ(target.Height(), 2);
    Stretch(1, 1, sfLanczos3, 0, &source);
    EXPECT_EQ(source.Width(), 1);
    EXPECT_EQ(source.Height(), 1);
    EXPECT_EQ(source.PixelFormat(), pf24bit);
}

TEST(Resampling, APictureTooBigFailsWithThePictureErrorAndLeavesTheTarget)
{
    const int64_t savedLimit = GraphicPixelLimit();
    QImage src(4, 3, QImage::Format_RGB32);
    src.fill(qRgb(10, 20, 30));
    const struct {
        int width, height;
        int64_t limit; // 0: the default
    } cases[] = {
        {1 << 20, 1 << 20, 0},                                 // beyond the picture limit
        {8, 1 << 18, 1 << 20},                                 // within it the rows, beyond it the picture
        {100'000'000, 2, std::numeric_limits<int64_t>::max()}, // rows longer than Qt makes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        if (c.limit)
            SetGraphicPixelLimit(c.limit);
        try {
            (void)StretchImage(src, c.width, c.height, sfTriangle);
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), SOutOfResources);
        }
        TBitmap source(4, 3, pf24bit), target(5, 5, pf24bit);
        EXPECT_THROW(Stretch(c.width, c.height, sfBox, 0, &source, &target), EInvalidGraphic);
        EXPECT_EQ(target.Width(), 5);
        EXPECT_EQ(target.Height(), 5);
        SetGraphicPixelLimit(savedLimit);
    }
    // Just within the limit still works.
    SetGraphicPixelLimit(8 * 4);
    EXPECT_EQ(StretchImage(src, 8, 4, sfBox).size(), QSize(8, 4));
    SetGraphicPixelLimit(savedLimit);
}

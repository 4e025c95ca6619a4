// JPEG pictures through libjpeg: decoding, scaling, encoding and damaged data.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

#include "platform/bitmap.h"
#include "support/test_support.h"

namespace {

QByteArray Fixture(const QString& name = QStringLiteral("quadrants.jpg"))
{
    QFile f(testsupport::fixture(QStringLiteral("pictures/") + name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

bool Near(QRgb c, int r, int g, int b)
{
    return std::abs(qRed(c) - r) < 24 && std::abs(qGreen(c) - g) < 24 && std::abs(qBlue(c) - b) < 24;
}

// Offset of the first start-of-frame marker (its length field follows).
int FrameOffset(const QByteArray& d)
{
    for (int i = 0; i + 1 < d.size(); ++i)
        if (uint8_t(d[i]) == 0xFF && (uint8_t(d[i + 1]) == 0xC0 || uint8_t(d[i + 1]) == 0xC2))
            return i;
    return -1;
}

} // namespace

TEST(PictureJpeg, DecodesAFileMadeByImageMagick)
{
    TJPEGImage j;
    const QByteArray data = Fixture();
    j.LoadFromData(data);
    ASSERT_EQ(j.Width(), 32);
    ASSERT_EQ(j.Height(), 24);
    const QImage img = j.ToImage();
    EXPECT_TRUE(Near(img.pixel(4, 4), 255, 0, 0));
    EXPECT_TRUE(Near(img.pixel(27, 4), 0, 255, 0));
    EXPECT_TRUE(Near(img.pixel(4, 19), 0, 0, 255));
    EXPECT_TRUE(Near(img.pixel(27, 19), 255, 255, 255));

    // The data is written back as read.
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    j.SaveToStream(buf);
    EXPECT_EQ(out, data);

    // Drawn on a canvas like any graphic.
    TBitmap b(32, 24, pf24bit);
    b.Canvas()->Draw(0, 0, &j);
    const TColor c = b.Canvas()->Pixel(4, 4);
    EXPECT_GT(GetRValue(c), 200);
    EXPECT_LT(GetBValue(c), 60);
}

// Colour pictures are decoded straight into 32-bit rows and grey ones into one byte a pixel;
// either way every pixel is opaque and the quadrants keep their colours.
TEST(PictureJpeg, DecodedLayoutFollowsTheColourSpace)
{
    QBuffer grey;
    {
        TBitmap b(32, 24, pf24bit);
        b.Canvas()->Brush.Color = RGB(40, 40, 40);
        b.Canvas()->FillRect(TRect(0, 0, 16, 24));
        grey.setData(TJPEGImage::Encode(b.SurfaceForRead(), 95, false, true));
    }
    struct Case {
        const char* name;
        QByteArray data;
        bool grayscale;
        QImage::Format format;
        std::vector<std::pair<QPoint, QRgb>> pixels;
    };
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255), white = qRgb(255, 255, 255);
    const std::vector<Case> cases = {
        {"colour", Fixture(), false, QImage::Format_RGB32, {{{4, 4}, red}, {{27, 4}, green}, {{4, 19}, blue}, {{27, 19}, white}}},
        {"Adobe CMYK", Fixture(QStringLiteral("quadrants_cmyk.jpg")), false, QImage::Format_RGB32,
         {{{4, 4}, red}, {{27, 4}, green}, {{4, 19}, blue}, {{27, 19}, white}}},
        {"grey file", grey.data(), false, QImage::Format_Grayscale8, {{{4, 4}, qRgb(40, 40, 40)}, {{27, 4}, white}}},
        {"colour read as grey", Fixture(), true, QImage::Format_Grayscale8,
         {{{4, 4}, qRgb(76, 76, 76)}, {{27, 4}, qRgb(150, 150, 150)}, {{4, 19}, qRgb(29, 29, 29)}, {{27, 19}, white}}},
    };
    for (const Case& c : cases) {
        const QImage img = TJPEGImage::Decode(c.data, jsFullSize, c.grayscale);
        ASSERT_EQ(img.size(), QSize(32, 24)) << c.name;
        EXPECT_EQ(img.format(), c.format) << c.name;
        for (const auto& [at, want] : c.pixels) {
            const QRgb got = img.pixel(at);
            EXPECT_EQ(qAlpha(got), 255) << c.name;
            EXPECT_TRUE(Near(got, qRed(want), qGreen(want), qBlue(want)))
                << c.name << " at " << at.x() << "," << at.y() << ": " << std::hex << got;
        }
        // Drawn into a bitmap like any picture.
        TJPEGImage j;
        j.SetGrayscale(c.grayscale);
        j.LoadFromData(c.data);
        TBitmap b(32, 24, pf24bit);
        b.Canvas()->Draw(0, 0, &j);
        for (const auto& [at, want] : c.pixels)
            EXPECT_TRUE(Near(ColorToQRgb(b.Canvas()->Pixel(at.x(), at.y())), qRed(want), qGreen(want), qBlue(want)))
                << c.name << " drawn at " << at.x() << "," << at.y();
    }
}

TEST(PictureJpeg, ScaleDecodesSmaller)
{
    const std::vector<std::pair<TJPEGScale, QSize>> cases = {
        {jsFullSize, {32, 24}}, {jsHalf, {16, 12}}, {jsQuarter, {8, 6}}, {jsEighth, {4, 3}}};
    TJPEGImage j;
    j.LoadFromData(Fixture());
    for (auto [scale, size] : cases) {
        j.SetScale(scale);
        EXPECT_EQ(j.Width(), size.width()) << "scale " << scale;
        EXPECT_EQ(j.Height(), size.height()) << "scale " << scale;
    }
}

TEST(PictureJpeg, AssigningABitmapCompressesIt)
{
    TBitmap b(16, 8, pf24bit);
    b.Canvas()->Brush.Color = clBlue;
    b.Canvas()->FillRect(TRect(0, 0, 8, 8));
    TJPEGImage j;
    j.CompressionQuality = 95;
    j.Assign(b);
    ASSERT_FALSE(j.Empty());
    EXPECT_EQ(j.Width(), 16);
    EXPECT_EQ(uint8_t(j.Data()[0]), 0xFF);
    EXPECT_EQ(uint8_t(j.Data()[1]), 0xD8);
    const QImage img = j.ToImage();
    EXPECT_TRUE(Near(img.pixel(2, 4), 0, 0, 255));
    EXPECT_TRUE(Near(img.pixel(13, 4), 255, 255, 255));
    // And back into a bitmap.
    TBitmap back;
    back.Assign(j);
    EXPECT_EQ(back.PixelFormat(), pf24bit);
    EXPECT_EQ(back.Width(), 16);
}

TEST(PictureJpeg, DamagedDataRaisesAndKeepsThePicture)
{
    const QByteArray good = Fixture();
    const int sof = FrameOffset(good);
    ASSERT_GT(sof, 0);
    auto patch = [&](int at, std::initializer_list<int> bytes) {
        QByteArray d = good;
        int i = at;
        for (int b : bytes)
            d[i++] = char(b);
        return d;
    };
    struct Case {
        const char* name;
        QByteArray data;
    };
    const std::vector<Case> cases = {
        {"empty", QByteArray()},
        {"start marker only", good.left(2)},
        {"cut in the headers", good.left(sof + 4)},
        {"cut in the picture data", good.left(good.size() - 60)},
        {"not a JPEG", QByteArray("BM this is not a JPEG at all")},
        {"zero height", patch(sof + 5, {0, 0})},
        {"zero width", patch(sof + 7, {0, 0})},
        {"huge frame", patch(sof + 5, {0xFF, 0xF0, 0xFF, 0xF0})},
        {"bad precision", patch(sof + 4, {3})},
        {"component count 0", patch(sof + 9, {0})},
    };
    for (const Case& c : cases) {
        TJPEGImage j;
        j.LoadFromData(good);
        EXPECT_THROW(j.LoadFromData(c.data), EInvalidGraphic) << c.name;
        EXPECT_EQ(j.Width(), 32) << c.name;
        EXPECT_EQ(j.Data(), good) << c.name;
    }
}

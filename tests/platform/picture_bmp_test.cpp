// Windows bitmap reading and writing: every pixel format, RLE, header kinds, damaged files.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>

#include "platform/bitmap.h"
#include "support/test_support.h"

namespace {

void Put16(QByteArray& a, int v)
{
    a.append(char(v & 255));
    a.append(char((v >> 8) & 255));
}
void Put32(QByteArray& a, int64_t v)
{
    for (int i = 0; i < 4; ++i)
        a.append(char((v >> (8 * i)) & 255));
}

// A "BM" file with a 40-byte info header; palette entries are 0x00RRGGBB.
QByteArray MakeBmp(int w, int h, int bpp, int compression, const std::vector<uint32_t>& palette,
                   const QByteArray& bits, const std::vector<uint32_t>& masks = {}, int clrUsed = -1)
{
    QByteArray info;
    Put32(info, 40);
    Put32(info, w);
    Put32(info, h);
    Put16(info, 1);
    Put16(info, bpp);
    Put32(info, compression);
    Put32(info, bits.size());
    Put32(info, 0);
    Put32(info, 0);
    Put32(info, clrUsed >= 0 ? clrUsed : int(palette.size()));
    Put32(info, 0);
    for (uint32_t m : masks)
        Put32(info, m);
    for (uint32_t c : palette)
        Put32(info, c);
    QByteArray out("BM");
    Put32(out, 14 + info.size() + bits.size());
    Put32(out, 0);
    Put32(out, 14 + info.size());
    return out + info + bits;
}

QByteArray Bytes(std::initializer_list<int> v)
{
    QByteArray a;
    for (int b : v)
        a.append(char(b));
    return a;
}

TColor At(TBitmap& b, int x, int y)
{
    return b.Canvas()->Pixel(x, y);
}

} // namespace

TEST(PictureBmp, RoundTripEveryPixelFormat)
{
    const std::vector<TColor> colours = {clBlack, clWhite, clRed, clBlue, clLime, clWhite, clBlack};
    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
        const int w = 13, h = 3; // odd width: padding and partial bytes in every format
        TBitmap b(w, h, f);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                TColor c = colours[size_t((x + y) % int(colours.size()))];
                if (f == pf1bit && c != clWhite)
                    c = clBlack;
                b.Canvas()->SetPixel(x, y, c);
            }
        const QByteArray data = b.SaveToData();
        TBitmap back;
        back.LoadFromData(data);
        EXPECT_EQ(back.PixelFormat(), f) << "format " << f;
        ASSERT_EQ(back.Width(), w);
        ASSERT_EQ(back.Height(), h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                EXPECT_EQ(At(back, x, y), At(b, x, y)) << "format " << f << " at " << x << "," << y;
        EXPECT_EQ(back.SaveToData(), data) << "a second save gives the same file, format " << f;
    }
}

TEST(PictureBmp, ScanLinesHoldTheWindowsLayout)
{
    TBitmap b(3, 2, pf24bit);
    uint8_t* row = b.ScanLine(1);
    row[0] = 0x11; // blue
    row[1] = 0x22; // green
    row[2] = 0x33; // red
    EXPECT_EQ(At(b, 0, 1), RGB(0x33, 0x22, 0x11));

    TBitmap four(5, 1, pf4bit);
    four.SetPalette({qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(0, 0, 255)});
    uint8_t* nib = four.ScanLine(0);
    EXPECT_EQ(four.BytesPerScanLine(), 4);
    nib[0] = 0x12; // pixel 0 = entry 1, pixel 1 = entry 2
    nib[1] = 0x00;
    nib[2] = 0x20;
    EXPECT_EQ(At(four, 0, 0), clRed);
    EXPECT_EQ(At(four, 1, 0), clBlue);
    EXPECT_EQ(At(four, 4, 0), clBlue);
    EXPECT_EQ(At(four, 2, 0), clBlack);
    EXPECT_THROW(b.ScanLine(2), EInvalidGraphic);
    EXPECT_THROW(b.ScanLine(-1), EInvalidGraphic);
}

TEST(PictureBmp, RunLengthEncodedPictures)
{
    const std::vector<uint32_t> pal = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
    // RLE8, 6 x 3, bottom-up: row 0 (bottom) = run of 3 x 1 then absolute 2,3,1 (padded);
    // row 1 skipped by a delta of (2, 1); row 2 = run of 4 x 3 from x = 2; end of bitmap.
    const QByteArray rle8 = Bytes({3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 0, 2, 2, 1, 4, 3, 0, 1});
    TBitmap b;
    b.LoadFromData(MakeBmp(6, 3, 8, 1, pal, rle8));
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    const TColor red = 0x0000FF, green = 0x00FF00, blue = 0xFF0000;
    std::vector<std::tuple<int, int, TColor>> expect = {
        {0, 2, red}, {2, 2, red}, {3, 2, green}, {4, 2, blue}, {5, 2, red},
        {0, 1, clBlack}, {5, 1, clBlack},
        {0, 0, clBlack}, {1, 0, clBlack}, {2, 0, blue}, {5, 0, blue}};
    for (auto [x, y, c] : expect)
        EXPECT_EQ(At(b, x, y), c) << "RLE8 at " << x << "," << y;

    // RLE4, 6 x 1: run of 3 alternating 1,2; absolute 3 pixels 3,1,2 (2 bytes, even); end.
    const QByteArray rle4 = Bytes({3, 0x12, 0, 3, 0x31, 0x20, 0, 1});
    TBitmap f;
    f.LoadFromData(MakeBmp(6, 1, 4, 2, pal, rle4));
    EXPECT_EQ(f.PixelFormat(), pf4bit);
    const TColor row[6] = {red, green, red, blue, red, green};
    for (int x = 0; x < 6; ++x)
        EXPECT_EQ(At(f, x, 0), row[x]) << "RLE4 at " << x;
}

TEST(PictureBmp, RunLengthFileMadeByImageMagick)
{
    TBitmap b;
    b.LoadFromFile(testsupport::fixture(QStringLiteral("pictures/quadrants_rle8.bmp")));
    ASSERT_EQ(b.Width(), 32);
    ASSERT_EQ(b.Height(), 24);
    auto near = [](TColor c, int r, int g, int bl) {
        return std::abs(GetRValue(c) - r) < 40 && std::abs(GetGValue(c) - g) < 40 && std::abs(GetBValue(c) - bl) < 40;
    };
    EXPECT_TRUE(near(At(b, 4, 4), 255, 0, 0));
    EXPECT_TRUE(near(At(b, 28, 4), 0, 255, 0));
    EXPECT_TRUE(near(At(b, 4, 20), 0, 0, 255));
    EXPECT_TRUE(near(At(b, 28, 20), 255, 255, 255));
}

TEST(PictureBmp, HeaderKindsAndBitFields)
{
    // Core header (12 bytes), 24 bits, 2 x 2.
    {
        QByteArray core;
        Put32(core, 12);
        Put16(core, 2);
        Put16(core, 2);
        Put16(core, 1);
        Put16(core, 24);
        const QByteArray bits = Bytes({0, 0, 255, 0, 255, 0, 0, 0, /**/ 255, 0, 0, 255, 255, 255, 0, 0});
        QByteArray file("BM");
        Put32(file, 14 + core.size() + bits.size());
        Put32(file, 0);
        Put32(file, 14 + core.size());
        TBitmap b;
        b.LoadFromData(file + core + bits);
        EXPECT_EQ(At(b, 0, 1), clRed); // first stored row is the bottom one
        EXPECT_EQ(At(b, 1, 1), clLime);
        EXPECT_EQ(At(b, 0, 0), clBlue);
        EXPECT_EQ(At(b, 1, 0), clWhite);
    }
    // Top-down 1 bit with a reversed palette, and a packed DIB without the file header.
    {
        const QByteArray bits = Bytes({0x80, 0, 0, 0, 0x40, 0, 0, 0});
        const QByteArray file = MakeBmp(2, -2, 1, 0, {0xFFFFFF, 0x000000}, bits);
        TBitmap b;
        b.LoadFromData(file);
        EXPECT_EQ(b.PixelFormat(), pf1bit);
        EXPECT_EQ(At(b, 0, 0), clBlack);
        EXPECT_EQ(At(b, 1, 0), clWhite);
        EXPECT_EQ(At(b, 1, 1), clBlack);
        TBitmap dib;
        dib.LoadFromData(file.mid(14));
        EXPECT_EQ(At(dib, 0, 0), clBlack);
        EXPECT_EQ(At(dib, 1, 1), clBlack);
    }
    // 16 bits 5-6-5 and 32 bits with masks in an unusual place.
    {
        const QByteArray bits = Bytes({0x00, 0xF8, 0xE0, 0x07});
        TBitmap b;
        b.LoadFromData(MakeBmp(2, 1, 16, 3, {}, bits, {0xF800, 0x07E0, 0x001F}));
        EXPECT_EQ(b.PixelFormat(), pf16bit);
        EXPECT_EQ(At(b, 0, 0), clRed);
        EXPECT_EQ(At(b, 1, 0), clLime);
        const QByteArray bits32 = Bytes({0, 0, 0, 0xFF, 0, 0xFF, 0, 0});
        TBitmap c;
        c.LoadFromData(MakeBmp(2, 1, 32, 3, {}, bits32, {int64_t(0xFF000000), 0x00FF0000, 0x0000FF00}));
        EXPECT_EQ(At(c, 0, 0), clRed);
        EXPECT_EQ(At(c, 1, 0), clBlue);
    }
    // A 16-bit picture without bit fields is 5-5-5.
    {
        TBitmap b;
        b.LoadFromData(MakeBmp(1, 1, 16, 0, {}, Bytes({0x00, 0x7C, 0, 0})));
        EXPECT_EQ(b.PixelFormat(), pf15bit);
        EXPECT_EQ(At(b, 0, 0), clRed);
    }
}

TEST(PictureBmp, DamagedFilesRaiseAndLeaveTheBitmapAlone)
{
    const QByteArray good = MakeBmp(2, 2, 24, 0, {}, QByteArray(16, '\0'));
    auto patch32 = [&](QByteArray a, int at, int64_t v) {
        for (int i = 0; i < 4; ++i)
            a[at + i] = char((v >> (8 * i)) & 255);
        return a;
    };
    auto patch16 = [&](QByteArray a, int at, int v) {
        a[at] = char(v & 255);
        a[at + 1] = char((v >> 8) & 255);
        return a;
    };
    struct Case {
        const char* name;
        QByteArray data;
    };
    const std::vector<Case> cases = {
        {"empty", QByteArray()},
        {"only the magic", QByteArray("BM")},
        {"file header only", good.left(14)},
        {"info header cut", good.left(30)},
        {"pixels cut", good.left(good.size() - 5)},
        {"zero width", patch32(good, 18, 0)},
        {"negative width", patch32(good, 18, -2)},
        {"zero height", patch32(good, 22, 0)},
        {"huge picture", patch32(patch32(good, 18, 60000), 22, 60000)},
        {"7 bits per pixel", patch16(good, 28, 7)},
        {"unknown compression", patch32(good, 30, 9)},
        {"RLE8 with 24 bits", patch32(good, 30, 1)},
        {"header size 39", patch32(good, 14, 39)},
        {"header size beyond the file", patch32(good, 14, 100000)},
        {"palette beyond the file", MakeBmp(2, 2, 8, 0, {}, QByteArray(8, '\0'), {}, 200)},
        {"top-down RLE", MakeBmp(2, -2, 8, 1, {0, 0}, Bytes({0, 1}))},
        {"bit fields missing", MakeBmp(1, 1, 16, 3, {}, QByteArray()).left(54)},
        {"not a bitmap", QByteArray("GIF89a\0\0\0\0\0\0\0\0\0\0\0\0", 18)},
    };
    for (const Case& c : cases) {
        TBitmap b(3, 3, pf24bit);
        b.Canvas()->SetPixel(1, 1, clRed);
        EXPECT_THROW(b.LoadFromData(c.data), EInvalidGraphic) << c.name;
        // Read from a file, whose rows go straight into the picture.
        QBuffer file;
        file.setData(c.data);
        file.open(QIODevice::ReadOnly);
        EXPECT_THROW(b.LoadFromStream(file), EInvalidGraphic) << c.name;
        EXPECT_EQ(b.Width(), 3) << c.name;
        EXPECT_EQ(At(b, 1, 1), clRed) << c.name;
    }
}

TEST(PictureBmp, RowsReadFromAFileMatchTheWholeFile)
{
    // Odd widths pad their rows; heights of a few hundred rows span several blocks of reading.
    struct Case {
        int w, h, bpp;
    } cases[] = {{1, 1, 1}, {37, 300, 1}, {5, 3, 8}, {1001, 211, 8}, {3, 2, 16}, {1001, 120, 24},
                 {7, -9, 24}, {333, -400, 32}, {2, 700, 24}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h) + " " + std::to_string(c.bpp));
        const int rowBytes = (c.w * c.bpp + 31) / 32 * 4;
        QByteArray bits(rowBytes * std::abs(c.h), '\0');
        for (int i = 0; i < bits.size(); ++i)
            bits[i] = char((i * 7 + i / rowBytes * 13) & 255);
        std::vector<uint32_t> palette;
        for (int i = 0; c.bpp <= 8 && i < (1 << c.bpp); ++i)
            palette.push_back(uint32_t(i * 0x010203));
        const QByteArray whole = MakeBmp(c.w, c.h, c.bpp, 0, palette, bits);
        // The whole file, one cut inside the last row's padding (still whole pixels), and one
        // followed by other data.
        for (const QByteArray& data : {whole, whole.chopped(rowBytes - (c.w * c.bpp + 7) / 8), whole + "tail"}) {
            TBitmap fromMemory, fromFile;
            fromMemory.LoadFromData(data);
            QBuffer file;
            file.setData(data);
            file.open(QIODevice::ReadOnly);
            fromFile.LoadFromStream(file);
            EXPECT_EQ(fromFile.PixelFormat(), fromMemory.PixelFormat());
            EXPECT_EQ(fromFile.image(), fromMemory.image());
            EXPECT_EQ(fromFile.image().colorTable(), fromMemory.image().colorTable());
            EXPECT_TRUE(file.atEnd());
        }
    }
    // Pixels far behind the headers, and an info header longer than the first read.
    const auto patch32 = [](QByteArray& a, int at, int64_t v) {
        for (int i = 0; i < 4; ++i)
            a[at + i] = char((v >> (8 * i)) & 255);
    };
    QByteArray farPixels = MakeBmp(3, 2, 8, 0, std::vector<uint32_t>(256, 0x112233), QByteArray(8, '\x05'));
    farPixels.insert(54 + 1024, QByteArray(5000, '\0'));
    patch32(farPixels, 10, 54 + 1024 + 5000);
    QByteArray longHeader = MakeBmp(3, 2, 8, 0, std::vector<uint32_t>(256, 0x112233), QByteArray(8, '\x05'));
    longHeader.insert(54, QByteArray(5000, '\0'));
    patch32(longHeader, 14, 40 + 5000);
    patch32(longHeader, 10, 54 + 5000 + 1024);
    for (const QByteArray& data : {farPixels, longHeader}) {
        QBuffer file;
        file.setData(data);
        file.open(QIODevice::ReadOnly);
        TBitmap b;
        b.LoadFromStream(file);
        EXPECT_EQ(b.image().pixel(2, 1), qRgb(0x11, 0x22, 0x33));
    }
}

TEST(PictureBmp, HostileRunLengthDataStaysInside)
{
    // Deltas and runs that point far outside the picture, and data that ends mid-command.
    const std::vector<QByteArray> streams = {
        Bytes({255, 1, 255, 1, 0, 2, 255, 255, 255, 1, 0, 0, 255, 2}),
        Bytes({0, 2, 200, 0, 10, 1, 0, 255, 1, 2, 3}),
        Bytes({0, 250, 1, 2}),
        Bytes({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 5}),
        Bytes({0}),
    };
    for (const QByteArray& s : streams) {
        for (int compression : {1, 2}) {
            TBitmap b;
            try {
                b.LoadFromData(MakeBmp(4, 2, compression == 1 ? 8 : 4, compression, {0xFF0000, 0x00FF00}, s));
                EXPECT_EQ(b.Width(), 4);
            } catch (const EInvalidGraphic&) {
            }
        }
    }
}

TEST(PictureBmp, SizeChangesKeepTheTopLeftAndPaintWhite)
{
    TBitmap b(2, 2, pf8bit);
    b.Canvas()->SetPixel(0, 0, clRed);
    b.SetSize(4, 3);
    EXPECT_EQ(At(b, 0, 0), clRed);
    EXPECT_EQ(At(b, 3, 2), clWhite);
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    b.SetMonochrome(true);
    EXPECT_EQ(b.PixelFormat(), pf1bit);
    EXPECT_EQ(At(b, 0, 0), clBlack);
    EXPECT_EQ(At(b, 3, 2), clWhite);
}

// Bitmaps are drawn from their own pixel format, row by row: every drawn pixel is the picture's
// colour, also stretched and mirrored.
TEST(PictureBmp, DrawingReadsEveryPixelFormat)
{
    const TPixelFormat formats[] = {pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit};
    for (TPixelFormat f : formats) {
        TBitmap b(7, 5, pf24bit);
        TCanvas* c = b.Canvas();
        const TColor colours[] = {clRed, clLime, clBlue, clBlack, clYellow, RGB(10, 200, 130), clWhite};
        for (int x = 0; x < 7; ++x) {
            c->Brush.Color = colours[x];
            c->FillRect(TRect(x, 0, x + 1, 5));
        }
        b.SetPixelFormat(f);
        const QImage want = b.ToImage();
        for (bool mirrored : {false, true}) {
            TBitmap target(14, 10, pf32bit);
            const TRect to = mirrored ? TRect(14, 0, 0, 10) : TRect(0, 0, 14, 10);
            target.Canvas()->StretchDraw(to, &b);
            for (int y = 0; y < 10; ++y)
                for (int x = 0; x < 14; ++x) {
                    const int sx = mirrored ? 6 - x / 2 : x / 2;
                    EXPECT_EQ(ColorToQRgb(target.Canvas()->Pixel(x, y)) & 0xFFFFFF, want.pixel(sx, y / 2) & 0xFFFFFF)
                        << "format " << f << (mirrored ? " mirrored" : "") << " at " << x << "," << y;
                }
        }
        EXPECT_EQ(b.PixelFormat(), f);
    }
}

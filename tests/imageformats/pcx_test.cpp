#include "imageformats/pcx_graphic.h"
#include "imageformats/picture_formats.h"
#include "platform/picture.h"
#include "reader_test_util.h"

using namespace readertest;

namespace {

const char* const kNotPCX = "Not a PCX or SCR file.";
const char* const kWrongFormat = "PCX: wrong pixel format";

QImage PCX(const uint8_t* d, size_t n)
{
    return imgread::DecodePCX(d, n);
}

QImage PCXFromSource(imgread::PictureSource& source)
{
    return imgread::DecodePCX(source);
}

QByteArray PcxHeader(int bits, int planes, int w, int h, int bytesPerLine, int encoding = 1, int version = 5)
{
    QByteArray b(128, '\0');
    b[0] = 10;
    b[1] = char(version);
    b[2] = char(encoding);
    b[3] = char(bits);
    PutLE16(b, 8, uint16_t(w - 1));
    PutLE16(b, 10, uint16_t(h - 1));
    b[65] = char(planes);
    PutLE16(b, 66, uint16_t(bytesPerLine));
    return b;
}

}   // namespace

TEST(PCXReader, MatchesReferenceDecoder)
{
    for (const char* f : {"pcx_rgb24.pcx", "pcx_grey8.pcx", "pcx_pal8.pcx", "pcx_mono.pcx", "pcx_pal4.pcx"}) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(SamePixels(Decode(PCX, Fixture(f)), Reference(f)));
        EXPECT_TRUE(SameFromDevice(PCX, PCXFromSource, Fixture(f), kNotPCX));
    }
}

TEST(PCXReader, PixelFormatsThroughTheRegistry)
{
    InitPictureFormats();
    struct {
        const char* file;
        TPixelFormat format;
    } cases[] = {{"pcx_mono.pcx", pf1bit}, {"pcx_pal4.pcx", pf4bit}, {"pcx_pal8.pcx", pf8bit},
                 {"pcx_rgb24.pcx", pf24bit}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TPicture picture;
        picture.LoadFromFile(FixturePath(c.file));
        EXPECT_EQ(picture.Graphic()->ClassName(), "TPCXGraphic");
        EXPECT_EQ(picture.Bitmap()->PixelFormat(), c.format);
        EXPECT_TRUE(SamePixels(picture.Bitmap()->image(), Reference(c.file)));
    }
}

TEST(PCXReader, HandMadeEdgeCases)
{
    // A 1-bit image 100 pixels wide keeps its last four columns.
    QByteArray b = PcxHeader(1, 1, 100, 1, 14, 0);
    b.append(QByteArray(12, '\0')).append(char(0xF0)).append(char(0));
    QImage img = Decode(PCX, b);
    EXPECT_EQ(img.pixel(95, 0), qRgb(0, 0, 0));
    EXPECT_EQ(img.pixel(96, 0), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(99, 0), qRgb(255, 255, 255));

    // A screen capture (first byte 205) loads like a PCX file; 8 bits without a palette
    // block but with palette info 2 gets a grey ramp.
    b = PcxHeader(8, 1, 2, 1, 2, 0);
    b[0] = char(205);
    PutLE16(b, 68, 2);
    b.append("\x10\x80", 2).append(QByteArray(769, '\x01'));
    img = Decode(PCX, b);
    EXPECT_EQ(img.pixel(0, 0), qRgb(16, 16, 16));
    EXPECT_EQ(img.pixel(1, 0), qRgb(128, 128, 128));

    // A count byte 0xC0 writes nothing and takes two bytes.
    b = PcxHeader(8, 1, 2, 1, 2);
    b.append("\xc0\x55\xc2\x07", 4).append(QByteArray(769, '\0'));
    b[b.size() - 769] = 12;
    img = Decode(PCX, b);
    EXPECT_EQ(img.pixelIndex(0, 0), 7);
    EXPECT_EQ(img.pixelIndex(1, 0), 7);
}

TEST(PCXReader, RunsAcrossRowsAndBlocksOfRows)
{
    // Rows of 24-bit pictures decode a block of rows at a time (a quarter megabyte): runs
    // of 63 bytes cross the ends of planes, rows and blocks, and go on where they were cut. An
    // odd width leaves a padding byte in each plane's row.
    struct Case {
        const char* what;
        int width, height, bytesPerLine;
    };
    const Case cases[] = {
        {"several blocks", 1023, 700, 1024}, {"one row", 37, 1, 38}, {"odd sizes", 301, 9, 302}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QByteArray file = PcxHeader(8, 3, c.width, c.height, c.bytesPerLine);
        QByteArray unpacked;
        const int total = 3 * c.bytesPerLine * c.height;
        for (int i = 0; unpacked.size() < total; ++i) {
            const char value = char(i * 7 % 192);
            const int count = i % 5 == 4 ? 1 : 63;
            if (count == 1 && (uchar(value) & 0xC0) != 0xC0)
                file.append(value);
            else
                file.append(char(0xC0 | count)).append(value);
            unpacked.append(QByteArray(count, value));
        }
        const QImage img = Decode(PCX, file);
        ASSERT_EQ(img.size(), QSize(c.width, c.height));
        for (int y = 0; y < c.height; ++y) {
            const char* row = unpacked.constData() + 3 * c.bytesPerLine * y;
            for (int x = 0; x < c.width; x += 1 + x % 13) {
                const QRgb want =
                    qRgb(uchar(row[x]), uchar(row[c.bytesPerLine + x]), uchar(row[2 * c.bytesPerLine + x]));
                ASSERT_EQ(img.pixel(x, y), want) << x << ", " << y;
            }
        }
        EXPECT_TRUE(SameFromDevice(PCX, PCXFromSource, file, kNotPCX));
    }
}

TEST(PCXReader, DamagedFiles)
{
    QByteArray good = PcxHeader(8, 3, 4, 2, 4, 0) + QByteArray(24, 'x');
    ASSERT_EQ(DecodeError(PCX, good), "");
    QByteArray rle = PcxHeader(8, 3, 4, 2, 4);
    rle.append("\xd8\x11", 2);
    ASSERT_EQ(DecodeError(PCX, rle), "");

    QByteArray badMaker = good;
    badMaker[0] = 11;
    QByteArray inverted = good;
    PutLE16(inverted, 4, 10);   // x min above x max
    const std::vector<DamagedCase> cases = {
        {"empty", QByteArray(), kNotPCX},
        {"short header", good.left(100), kNotPCX},
        {"bad manufacturer", badMaker, kNotPCX},
        {"2 bits", PcxHeader(2, 1, 4, 4, 1) + QByteArray(16, 'x'), kWrongFormat},
        {"8 bits 4 planes", PcxHeader(8, 4, 4, 4, 4) + QByteArray(16, 'x'), kWrongFormat},
        {"x max below x min", inverted, kNotPCX},
        {"bytes per line too small", PcxHeader(8, 3, 40, 2, 4, 0) + QByteArray(24, 'x'), kNotPCX},
        {"raw data short", good.left(good.size() - 1), kNotPCX},
        {"run-length data short", rle.left(rle.size() - 1), kNotPCX},
        {"run-length data ends in a row", rle.left(129), kNotPCX},
        {"run-length data ends after a count byte", PcxHeader(8, 3, 4, 2, 4) + QByteArray("\xcc\x11\xcc", 3),
         kNotPCX},
        {"raw data ends in a row", good.left(140), kNotPCX},
        {"8 bits, data ends in the palette block",
         PcxHeader(8, 1, 4, 4, 4) + QByteArray("\xd0\x01", 2) + QByteArray(700, '\x0c'), kNotPCX},
        {"huge size from a tiny file", PcxHeader(8, 3, 65535, 65535, 65535) + QByteArray("\xff\0", 2),
         kNotPCX},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeError(PCX, c.bytes), c.message);
        EXPECT_TRUE(SameFromDevice(PCX, PCXFromSource, c.bytes, c.message));
    }
}

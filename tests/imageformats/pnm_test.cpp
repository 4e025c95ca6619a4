#include "imageformats/picture_formats.h"
#include "imageformats/ppm_graphic.h"
#include "platform/picture.h"
#include "reader_test_util.h"

#include <QBuffer>

using namespace readertest;

namespace {

const char* const kNotPPM = "Not a valid ppm file.";
const char* const kReadError = "PPM: Stream read error.";

QImage PPM(const uint8_t* d, size_t n)
{
    return imgread::DecodePPM(d, n);
}

QImage PPMText(const char* text)
{
    return Decode(PPM, QByteArray(text));
}

} // namespace

TEST(PortableMapReader, MatchesReferenceDecoder)
{
    const char* files[] = {"pnm_raw.pbm",    "pnm_plain.pbm",     "pnm_raw.pgm",     "pnm_plain.pgm",
                           "pnm_raw.ppm",    "pnm_plain.ppm",     "pnm_raw16.pgm",   "pnm_plain16.ppm",
                           "pnm_raw16.ppm",  "pnm_max15.pgm",     "pnm_max1000.ppm", "pnm_max1000_plain.pgm",
                           // Comments glued to numbers ("23#c"), in the header and the raster.
                           "pnm_comment_glued.pgm", "pnm_comment_glued_raw.pgm"};
    for (const char* f : files) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(SamePixels(Decode(PPM, Fixture(f)), Reference(f)));
    }
}

TEST(PortableMapReader, PixelFormatsThroughTheRegistry)
{
    InitPictureFormats();
    struct {
        const char* file;
        TPixelFormat format;
    } cases[] = {{"pnm_plain.pbm", pf1bit}, {"pnm_raw16.pgm", pf8bit}, {"pnm_plain.ppm", pf24bit}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TPicture picture;
        picture.LoadFromFile(FixturePath(c.file));
        EXPECT_EQ(picture.Graphic()->ClassName(), "TPPMGraphic");
        EXPECT_EQ(picture.Bitmap()->PixelFormat(), c.format);
        EXPECT_TRUE(SamePixels(picture.Bitmap()->image(), Reference(c.file)));
    }
}

TEST(PortableMapReader, HeaderForms)
{
    // Comments between numbers, two in a row, CR line ends, all on the first line.
    const QImage a = PPMText("P2\r# one\r\n# two\n2 # w\n1\n255\n7 9");
    ASSERT_EQ(a.size(), QSize(2, 1));
    EXPECT_EQ(a.pixel(1, 0), qRgb(9, 9, 9));
    // A comment glued to a number ends it, in the header and in plain data.
    const QImage g = PPMText("P2\n3#c\n1 255#c\n7 8#c\n9");
    ASSERT_EQ(g.size(), QSize(3, 1));
    EXPECT_EQ(g.pixel(1, 0), qRgb(8, 8, 8));
    EXPECT_EQ(g.pixel(2, 0), qRgb(9, 9, 9));
    const QImage b = Decode(PPM, QByteArray("P5 3 1 255\n\x01\x02\x03", 14));
    ASSERT_EQ(b.size(), QSize(3, 1));
    EXPECT_EQ(b.pixel(2, 0), qRgb(3, 3, 3));
}

TEST(PortableMapReader, BitmapRowsFillTheirBytesFromTheTop)
{
    // Width 10: the second byte of each row holds two pixels in its top bits.
    const QImage plain = PPMText("P1\n10 1\n1 0 0 0 0 0 0 1 1 1\n");
    ASSERT_EQ(plain.format(), QImage::Format_Mono);
    EXPECT_EQ(plain.constScanLine(0)[0], 0x81);
    EXPECT_EQ(plain.constScanLine(0)[1] & 0xc0, 0xc0);
    EXPECT_EQ(plain.pixel(9, 0), qRgb(0, 0, 0));
    EXPECT_EQ(plain.pixel(1, 0), qRgb(255, 255, 255));
    // Plain bitmaps need no separators between their digits.
    EXPECT_TRUE(SamePixels(PPMText("P1 4 1 0110"), PPMText("P1 4 1 0 1 1 0")));
    // Width 9 in binary: two bytes per row.
    const QImage raw = Decode(PPM, QByteArray("P4\n9 2\n\xff\x80\x00\x00", 11));
    EXPECT_EQ(raw.pixel(8, 0), qRgb(0, 0, 0));
    EXPECT_EQ(raw.pixel(8, 1), qRgb(255, 255, 255));
}

TEST(PortableMapReader, MaximumValuesAreScaledToEightBits)
{
    const QImage g = PPMText("P2 4 1 15 0 7 15 99");
    EXPECT_EQ(qRed(g.pixel(0, 0)), 0);
    EXPECT_EQ(qRed(g.pixel(1, 0)), 119); // 7 * 255 / 15
    EXPECT_EQ(qRed(g.pixel(2, 0)), 255);
    EXPECT_EQ(qRed(g.pixel(3, 0)), 255); // above the maximum counts as the maximum
    // Two-byte samples, big-endian.
    const QImage w = Decode(PPM, QByteArray("P6 1 1 65535\n\xff\xff\x80\x00\x00\xff", 19));
    EXPECT_EQ(w.pixel(0, 0), qRgb(255, 128, 1)); // 255 of 65535 rounds to 1
}

TEST(PortableMapReader, OtherVariantsGiveAnEmptyPicture)
{
    EXPECT_TRUE(PPMText("P7\nWIDTH 1\n").isNull());
    TPPMGraphic g;
    QBuffer buf;
    buf.setData("P7\n");
    buf.open(QIODevice::ReadOnly);
    g.LoadFromStream(buf);
    EXPECT_TRUE(g.Empty());
}

TEST(PortableMapReader, DamagedFilesGiveTheReadersMessage)
{
    const DamagedCase cases[] = {
        {"empty", QByteArray(), kReadError},
        {"no P", QByteArray("X6\n1 1\n255\n"), kNotPPM},
        {"no digit after P", QByteArray("Px\n1 1\n255\n"), kNotPPM},
        {"header cut short", QByteArray("P6\n12"), kReadError},
        {"zero width", QByteArray("P5\n0 4\n255\n"), kNotPPM},
        {"zero height", QByteArray("P2\n4 0\n255\n"), kNotPPM},
        {"zero maximum", QByteArray("P5\n1 1\n0\nA"), kNotPPM},
        {"maximum above 65535", QByteArray("P5\n1 1\n65536\nAA"), kNotPPM},
        {"number that wraps", QByteArray("P5\n99999999999 1\n255\n"), kNotPPM},
        {"huge size from a small file", QByteArray("P6\n60000 60000\n255\nabc"), kReadError},
        {"raw data cut short", Fixture("pnm_raw.ppm").chopped(1), kReadError},
        {"two-byte data cut short", Fixture("pnm_raw16.pgm").chopped(1), kReadError},
        {"plain data cut short", QByteArray("P3\n2 1\n255\n1 2 3 4 5"), kReadError},
        {"plain bitmap cut short", QByteArray("P1\n3 3\n0 1 0 1 0 1 1 1"), kReadError},
        {"glued comment runs to the end", QByteArray("P5\n1 1\n255#\xff"), kReadError},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeError(PPM, c.bytes), c.message) << c.what;
}

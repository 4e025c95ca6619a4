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

// The same bytes read as a file: binary maps go from the stream straight into the picture.
QImage PPMFile(const uint8_t* d, size_t n)
{
    QBuffer file;
    file.setData(reinterpret_cast<const char*>(d), qsizetype(n));
    file.open(QIODevice::ReadOnly);
    TPPMGraphic g;
    g.LoadFromStream(file);
    return g.Empty() ? QImage() : g.image();
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
        EXPECT_TRUE(SamePixels(Decode(PPMFile, Fixture(f)), Reference(f)));
    }
}

TEST(PortableMapReader, BinaryMapsReadFromAFile)
{
    // Odd widths pad the picture's lines; every maximum takes its own path; the two-byte map of
    // 2100 x 1000 and the full-range colour maps of 301 x 1000 and 4000 x 70 are read in more than
    // one block, the last one short.
    struct Case {
        char kind;
        uint32_t width, height, maxval;
    } cases[] = {{'5', 5, 3, 255}, {'6', 3, 4, 255}, {'6', 4, 2, 255}, {'5', 7, 2, 200},
                 {'6', 5, 3, 15},  {'5', 3, 3, 65535}, {'6', 5, 2, 65535}, {'6', 3, 5, 1000},
                 {'5', 2100, 1000, 65535}, {'6', 301, 1000, 255}, {'6', 4000, 70, 255}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(1, c.kind) + " " + std::to_string(c.width) + "x" + std::to_string(c.height) + " "
                     + std::to_string(c.maxval));
        const uint32_t channels = c.kind == '6' ? 3 : 1;
        const uint32_t sampleBytes = c.maxval > 255 ? 2 : 1;
        QByteArray data = QByteArray("P") + c.kind + ' ' + QByteArray::number(c.width) + ' '
                          + QByteArray::number(c.height) + '\n' + QByteArray::number(c.maxval) + '\n';
        const uint64_t samples = uint64_t(c.width) * c.height * channels;
        QImage want(int(c.width), int(c.height), QImage::Format_RGB32);
        // Values above the maximum too, where the sample size has room for them.
        const uint32_t range = std::min(c.maxval + c.maxval / 8 + 1, sampleBytes == 2 ? 65536u : 256u);
        const auto value = [&](uint64_t i) { return uint32_t(i * 2654435761u >> 7) % range; };
        for (uint64_t i = 0; i < samples; ++i) {
            const uint32_t v = value(i);
            if (sampleBytes == 2)
                data.append(char(v >> 8));
            data.append(char(v & 255));
        }
        for (uint32_t y = 0; y < c.height; ++y)
            for (uint32_t x = 0; x < c.width; ++x) {
                int rgb[3];
                for (uint32_t k = 0; k < 3; ++k) {
                    const uint64_t i = (uint64_t(y) * c.width + x) * channels + (channels == 3 ? k : 0);
                    const uint32_t v = std::min(value(i), c.maxval); // above the maximum counts as it
                    rgb[k] = int((uint64_t(v) * 255 + c.maxval / 2) / c.maxval);
                }
                want.setPixel(int(x), int(y), qRgb(rgb[0], rgb[1], rgb[2]));
            }
        EXPECT_TRUE(SamePixels(Decode(PPMFile, data), want));
        EXPECT_TRUE(SamePixels(Decode(PPM, data), want));
        EXPECT_EQ(DecodeError(PPMFile, data.chopped(1)), kReadError);
    }
    // A header longer than the first read, and a number cut by the end of that read.
    const QByteArray longComment = "P5\n#" + QByteArray(5000, 'c') + "\n3 1 255\n\x01\x02\x03";
    EXPECT_EQ(Decode(PPMFile, longComment).pixelIndex(2, 0), 3);
    const QByteArray cutNumber = "P5 3 1\n#" + QByteArray(4085, 'c') + "\n255\n\x01\x02\x03";
    ASSERT_EQ(cutNumber.indexOf("255"), 4094);
    EXPECT_EQ(Decode(PPMFile, cutNumber).pixelIndex(2, 0), 3);
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
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeError(PPM, c.bytes), c.message) << c.what;
        EXPECT_EQ(DecodeError(PPMFile, c.bytes), c.message) << c.what;
    }
}

#include "imageformats/picture_formats.h"
#include "imageformats/psd_graphic.h"
#include "platform/picture.h"
#include "reader_test_util.h"

#include <QBuffer>

using namespace readertest;

namespace {

const char* const kNotPSD = "Not a valid psd file.";

QImage PSD(const uint8_t* d, size_t n)
{
    return imgread::DecodePSD(d, n);
}

QByteArray PSDFile(int channels, uint32_t rows, uint32_t cols, int depth, int mode, const QByteArray& pixels,
                   int compression = 0, const QByteArray& colourData = QByteArray())
{
    QByteArray b("8BPS");
    AppendBE16(b, 1);
    b.append(6, '\0');
    AppendBE16(b, uint16_t(channels));
    AppendBE32(b, rows);
    AppendBE32(b, cols);
    AppendBE16(b, uint16_t(depth));
    AppendBE16(b, uint16_t(mode));
    AppendBE32(b, uint32_t(colourData.size()));
    b += colourData;
    AppendBE32(b, 4); // image resources, skipped
    b += "8BIM";
    AppendBE32(b, 0); // no layers
    AppendBE16(b, uint16_t(compression));
    return b + pixels;
}

} // namespace

TEST(PhotoshopReader, MatchesReferenceDecoder)
{
    const char* files[] = {"psd_rgb_raw.psd",     "psd_rgb_rle.psd",     "psd_grey_raw.psd",  "psd_grey_rle.psd",
                           "psd_indexed_rle.psd", "psd_indexed_raw.psd", "psd_cmyk_raw.psd",  "psd_cmyk_rle.psd",
                           "psd_rgb16_rle.psd",   "psd_rgb16_raw.psd",   "psd_grey16_rle.psd"};
    for (const char* f : files) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(SamePixels(Decode(PSD, Fixture(f)), Reference(f)));
    }
    InitPictureFormats();
    TPicture picture;
    picture.LoadFromFile(FixturePath("psd_indexed_rle.psd"));
    EXPECT_EQ(picture.Graphic()->ClassName(), "TPSDGraphic");
    EXPECT_EQ(picture.Bitmap()->PixelFormat(), pf8bit);
    EXPECT_TRUE(SamePixels(picture.Bitmap()->image(), Reference("psd_indexed_rle.psd")));
}

TEST(PhotoshopReader, HandBuiltModes)
{
    // CMYK stored all 255: no ink, white.
    EXPECT_EQ(Decode(PSD, PSDFile(4, 1, 1, 8, 4, QByteArray(4, char(0xff)))).pixel(0, 0), qRgb(255, 255, 255));
    // L*a*b*: L 255 with neutral a, b is white; L 0 is black.
    const QImage lab = Decode(PSD, PSDFile(3, 1, 2, 8, 9, QByteArray("\xff\x00\x80\x80\x80\x80", 6)));
    EXPECT_EQ(lab.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(lab.pixel(1, 0), qRgb(0, 0, 0));
    // Bitmap mode: 1 bits are black.
    const QImage bits = Decode(PSD, PSDFile(1, 1, 3, 1, 0, QByteArray("\xa0", 1)));
    ASSERT_EQ(bits.format(), QImage::Format_Mono);
    EXPECT_EQ(bits.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(bits.pixel(1, 0), qRgb(255, 255, 255));
    // Duotone: grey, its colour mode data skipped.
    const QImage duo = Decode(PSD, PSDFile(1, 1, 2, 8, 8, QByteArray("\x10\x20", 2), 0, QByteArray(30, 'x')));
    EXPECT_EQ(duo.pixel(1, 0), qRgb(0x20, 0x20, 0x20));
    // Multichannel: a blank picture of the right size.
    const QImage multi = Decode(PSD, PSDFile(2, 3, 4, 8, 7, QByteArray(24, '\x55')));
    EXPECT_EQ(multi.size(), QSize(4, 3));
    EXPECT_EQ(multi.pixel(3, 2), qRgb(0, 0, 0));
}

TEST(PhotoshopReader, PackBitsRowsUseTheirOwnCounts)
{
    // Grey 4 x 2: row 0 a run of 4, row 1 a literal of 4; counts 2 and 5.
    QByteArray data;
    AppendBE16(data, 2);
    AppendBE16(data, 5);
    data.append("\xfd\x11" "\x03\x01\x02\x03\x04", 7);
    const QImage img = Decode(PSD, PSDFile(1, 2, 4, 8, 1, data, 1));
    EXPECT_EQ(img.pixelIndex(3, 0), 0x11);
    EXPECT_EQ(img.pixelIndex(3, 1), 4);
    // 16-bit: counts are bytes of the packed row, samples big-endian.
    QByteArray wide;
    AppendBE16(wide, 5);
    wide.append("\x03\xab\xcd\x12\x34", 5);
    const QImage w = Decode(PSD, PSDFile(1, 1, 2, 16, 1, wide, 1));
    EXPECT_EQ(w.pixelIndex(0, 0), 0xab);
    EXPECT_EQ(w.pixelIndex(1, 0), 0x12);
}

TEST(PhotoshopReader, DamagedFilesGiveTheReadersMessage)
{
    const QByteArray rgb = Fixture("psd_rgb_rle.psd");
    QByteArray badSig = rgb;
    badSig[0] = '9';
    QByteArray counts;
    AppendBE16(counts, 200); // a row claiming more data than there is
    counts.append("\x00\x11", 2);
    QByteArray shortRow;
    AppendBE16(shortRow, 2);
    shortRow.append("\x01\x11", 2); // two of four samples
    const DamagedCase cases[] = {
        {"empty", QByteArray(), kNotPSD},
        {"bad signature", badSig, kNotPSD},
        {"header cut short", rgb.left(20), kNotPSD},
        {"sections cut short", rgb.left(40), kNotPSD},
        {"image data cut short", rgb.chopped(3), kNotPSD},
        {"raw data cut short", Fixture("psd_cmyk_raw.psd").chopped(1), kNotPSD},
        {"zero rows", PSDFile(1, 0, 4, 8, 1, QByteArray(4, 'a')), kNotPSD},
        {"zero columns", PSDFile(1, 4, 0, 8, 1, QByteArray(4, 'a')), kNotPSD},
        {"zero channels", PSDFile(0, 1, 1, 8, 1, QByteArray(4, 'a')), kNotPSD},
        {"RGB with two channels", PSDFile(2, 1, 1, 8, 3, QByteArray(2, 'a')), kNotPSD},
        {"CMYK with three channels", PSDFile(3, 1, 1, 8, 4, QByteArray(3, 'a')), kNotPSD},
        {"depth 32", PSDFile(1, 1, 1, 32, 1, QByteArray(4, 'a')), kNotPSD},
        {"bitmap of depth 8", PSDFile(1, 1, 1, 8, 0, QByteArray(1, 'a')), kNotPSD},
        {"unknown mode", PSDFile(1, 1, 1, 8, 5, QByteArray(1, 'a')), kNotPSD},
        {"zip compression", PSDFile(1, 1, 1, 8, 1, QByteArray(16, 'a'), 2), kNotPSD},
        {"huge raw from a small file", PSDFile(3, 30000, 30000, 16, 3, QByteArray(16, 'a')), kNotPSD},
        {"huge packed from a small file", PSDFile(1, 2, 300000, 8, 1, QByteArray(4, '\0'), 1), kNotPSD},
        {"row count past the end", PSDFile(1, 2, 4, 8, 1, counts, 1), kNotPSD},
        {"row short of the width", PSDFile(1, 1, 4, 8, 1, shortRow, 1), kNotPSD},
        {"row count in the billions, packed", PSDFile(3, 0x43000000, 23, 16, 3, QByteArray(64, '\0'), 1), kNotPSD},
        {"multichannel larger than its data", PSDFile(2, 1000, 1000, 8, 7, QByteArray(24, 'x')), kNotPSD},
        // Found by the fuzz target: tables of a billion rows were made before the size was checked.
        {"fuzzer: rows in the billions", Fixture("damaged/psd_rows_in_billions.psd"), kNotPSD},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeError(PSD, c.bytes), c.message) << c.what;
}

TEST(PhotoshopReader, FailedLoadKeepsThePicture)
{
    TPSDGraphic g;
    QBuffer ok;
    ok.setData(Fixture("psd_grey_rle.psd"));
    ok.open(QIODevice::ReadOnly);
    g.LoadFromStream(ok);
    QBuffer bad;
    bad.setData(PSDFile(2, 1, 1, 8, 3, QByteArray(2, 'a')));
    bad.open(QIODevice::ReadOnly);
    EXPECT_THROW(g.LoadFromStream(bad), EPictureError);
    EXPECT_TRUE(SamePixels(g.image(), Reference("psd_grey_rle.psd")));
}

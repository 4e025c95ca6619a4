#include "imageformats/picture_formats.h"
#include "imageformats/sgi_graphic.h"
#include "platform/picture.h"
#include "reader_test_util.h"

#include <QBuffer>

using namespace readertest;

namespace {

const char* const kNotSGI = "Not a valid sgi, bw or rgb(a) image.";
const char* const kNotAutodesk = "Cannot load image. Only old style Autodesk images are supported.";

QImage SGI(const uint8_t* d, size_t n)
{
    return imgread::DecodeSGI(d, n);
}
QImage SGIFromSource(imgread::PictureSource& source)
{
    return imgread::DecodeSGI(source);
}
QImage Autodesk(const uint8_t* d, size_t n)
{
    return imgread::DecodeAutodesk(d, n);
}

// An SGI header; raw data or tables follow.
QByteArray SGIHeader(int rle, int bpc, int w, int h, int z)
{
    QByteArray b(512, '\0');
    PutBE16(b, 0, 474);
    b[2] = char(rle);
    b[3] = char(bpc);
    PutBE16(b, 4, 3);
    PutBE16(b, 6, uint16_t(w));
    PutBE16(b, 8, uint16_t(h));
    PutBE16(b, 10, uint16_t(z));
    return b;
}

QByteArray AutodeskFile(int w, int h)
{
    QByteArray b;
    AppendLE16(b, 0x9119);
    QByteArray header(30, '\0');
    PutLE16(header, 0, uint16_t(w));
    PutLE16(header, 2, uint16_t(h));
    b += header;
    for (int i = 0; i < 256; ++i)
        b.append(char(i % 64)).append(char(63)).append(char(0));
    for (int i = 0; i < w * h; ++i)
        b.append(char(i));
    return b;
}

} // namespace

TEST(SGIReader, MatchesReferenceDecoder)
{
    const char* files[] = {"sgi_rgb8_raw.sgi",   "sgi_rgb8_rle.sgi",  "sgi_grey8_raw.bw",
                           "sgi_grey8_rle.bw",   "sgi_rgba8_rle.rgba", "sgi_rgb16_raw.sgi",
                           "sgi_rgb16_rle.sgi",  "sgi_grey16_rle.bw"};
    for (const char* f : files) {
        SCOPED_TRACE(f);
        const QImage got = Decode(SGI, Fixture(f));
        EXPECT_TRUE(SamePixels(got, Reference(f)));
        EXPECT_TRUE(SameFromDevice(SGI, SGIFromSource, Fixture(f), kNotSGI));
    }
}

TEST(SGIReader, RawPlanesReadInBlocksOfRows)
{
    // Each channel's plane is read tens of kilobytes of rows at a time: pictures of
    // several such blocks and odd widths give every sample where it belongs.
    struct Case {
        int bpc, width, height, channels;
    };
    for (const Case c : {Case{1, 1001, 300, 3}, Case{2, 333, 500, 4}, Case{1, 77, 3, 1}}) {
        SCOPED_TRACE(testing::Message()
                     << c.width << "x" << c.height << "x" << c.channels << " of " << c.bpc);
        QByteArray file = SGIHeader(0, c.bpc, c.width, c.height, c.channels);
        const auto sample = [](int ch, int x, int y) { return uint8_t(x * 3 + y * 5 + ch * 71); };
        for (int ch = 0; ch < c.channels; ++ch)
            for (int y = 0; y < c.height; ++y)
                for (int x = 0; x < c.width; ++x) {
                    file.append(char(sample(ch, x, y)));
                    if (c.bpc == 2)
                        file.append(char(x)); // the low byte is dropped
                }
        const QImage img = Decode(SGI, file);
        ASSERT_EQ(img.size(), QSize(c.width, c.height));
        for (int y = 0; y < c.height; ++y)
            for (int x = 0; x < c.width; x += 1 + x % 7) {
                // The file's first row is the picture's bottom row.
                const QRgb got = img.pixel(x, c.height - 1 - y);
                if (c.channels == 1) {
                    ASSERT_EQ(qGray(got), sample(0, x, y)) << x << ", " << y;
                    continue;
                }
                ASSERT_EQ(got & 0xFFFFFF, qRgb(sample(0, x, y), sample(1, x, y), sample(2, x, y)) & 0xFFFFFF)
                    << x << ", " << y;
                if (c.channels == 4) {
                    ASSERT_EQ(qAlpha(got), sample(3, x, y)) << x << ", " << y;
                }
            }
        EXPECT_TRUE(SameFromDevice(SGI, SGIFromSource, file, kNotSGI));
        EXPECT_TRUE(SameFromDevice(SGI, SGIFromSource, file.chopped(1), kNotSGI));
    }
}

TEST(SGIReader, LoadsThroughThePictureRegistry)
{
    InitPictureFormats();
    struct {
        const char* file;
        TPixelFormat format;
    } cases[] = {{"sgi_rgb8_rle.sgi", pf24bit},
                 {"sgi_grey16_rle.bw", pf8bit},
                 {"sgi_rgba8_rle.rgba", pf32bit},
                 {"sgi_rgb16_raw.sgi", pf24bit}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TPicture picture;
        picture.LoadFromFile(FixturePath(c.file));
        ASSERT_NE(picture.Graphic(), nullptr);
        EXPECT_EQ(picture.Graphic()->ClassName(), "TSGIGraphic");
        EXPECT_EQ(picture.Bitmap()->PixelFormat(), c.format);
        EXPECT_TRUE(SamePixels(picture.Bitmap()->image(), Reference(c.file)));
    }
}

TEST(SGIReader, TwoChannelFileLoadsAsGreyFromItsFirstChannel)
{
    // 2 x 1, grey then alpha plane.
    QByteArray b = SGIHeader(0, 1, 2, 1, 2);
    b.append("\x10\x20\xff\xff", 4);
    const QImage img = Decode(SGI, b);
    ASSERT_EQ(img.format(), QImage::Format_Indexed8);
    EXPECT_EQ(img.pixel(0, 0), qRgb(0x10, 0x10, 0x10));
    EXPECT_EQ(img.pixel(1, 0), qRgb(0x20, 0x20, 0x20));
}

TEST(SGIReader, RunLengthRowsMayShareTheirData)
{
    // 3 x 2 grey: both rows point at one packet "3 copies of 0x40".
    QByteArray b = SGIHeader(1, 1, 3, 2, 1);
    AppendBE32(b, 528);
    AppendBE32(b, 528);
    AppendBE32(b, 3);
    AppendBE32(b, 3);
    b.append("\x03\x40\x00", 3);
    const QImage img = Decode(SGI, b);
    EXPECT_EQ(img.pixel(2, 0), qRgb(0x40, 0x40, 0x40));
    EXPECT_EQ(img.pixel(0, 1), qRgb(0x40, 0x40, 0x40));
}

TEST(SGIReader, DamagedFilesGiveTheReadersMessage)
{
    QByteArray badMagic = Fixture("sgi_rgb8_raw.sgi");
    badMagic[1] = 0;
    QByteArray rleTable = SGIHeader(1, 1, 4, 4, 3);
    rleTable.append(40, '\0'); // tables need 96 bytes
    QByteArray rowOutside = SGIHeader(1, 1, 2, 1, 1);
    AppendBE32(rowOutside, 100000);
    AppendBE32(rowOutside, 2);
    QByteArray shortRow = SGIHeader(1, 1, 4, 1, 1);
    AppendBE32(shortRow, 520);
    AppendBE32(shortRow, 3);
    shortRow.append("\x02\x11\x00", 3); // two pixels of four
    QByteArray sharedHuge = SGIHeader(1, 1, 65535, 65535, 1);
    for (int i = 0; i < 2 * 65535; ++i)
        AppendBE32(sharedHuge, i < 65535 ? 512 + 8 * 65535 : 2);
    sharedHuge.append("\x00", 1);
    const QByteArray good = Fixture("sgi_rgb16_rle.sgi");
    const DamagedCase cases[] = {
        {"empty", QByteArray(), kNotSGI},
        {"short header", good.left(300), kNotSGI},
        {"bad magic", badMagic, kNotSGI},
        {"zero width", SGIHeader(0, 1, 0, 4, 1) + QByteArray(64, '\0'), kNotSGI},
        {"zero height", SGIHeader(0, 1, 4, 0, 1) + QByteArray(64, '\0'), kNotSGI},
        {"zero channels", SGIHeader(0, 1, 4, 4, 0) + QByteArray(64, '\0'), kNotSGI},
        {"3 bytes per sample", SGIHeader(0, 3, 4, 4, 1) + QByteArray(64, '\0'), kNotSGI},
        {"huge raw from a small file", SGIHeader(0, 2, 65535, 65535, 4), kNotSGI},
        {"raw data cut short", Fixture("sgi_rgb8_raw.sgi").chopped(10), kNotSGI},
        {"raw data ends in the first plane", Fixture("sgi_rgb8_raw.sgi").left(600), kNotSGI},
        {"run-length tables cut short", rleTable, kNotSGI},
        {"run-length row outside the file", rowOutside, kNotSGI},
        {"run-length row short of the width", shortRow, kNotSGI},
        {"run-length data cut short", good.left(good.size() - 40), kNotSGI},
        {"huge picture from shared rows", sharedHuge, kNotSGI},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeError(SGI, c.bytes), c.message) << c.what;
        EXPECT_TRUE(SameFromDevice(SGI, SGIFromSource, c.bytes, c.message)) << c.what;
    }
}

TEST(SGIReader, FailedLoadKeepsThePicture)
{
    TSGIGraphic g;
    QBuffer ok;
    ok.setData(Fixture("sgi_rgb8_rle.sgi"));
    ok.open(QIODevice::ReadOnly);
    g.LoadFromStream(ok);
    QBuffer bad;
    bad.setData(Fixture("sgi_rgb8_rle.sgi").left(700));
    bad.open(QIODevice::ReadOnly);
    EXPECT_THROW(g.LoadFromStream(bad), EPictureError);
    EXPECT_TRUE(SamePixels(g.image(), Reference("sgi_rgb8_rle.sgi")));
}

TEST(AutodeskReader, ReadsPixelsAndSixBitColourMap)
{
    const QImage img = Decode(Autodesk, AutodeskFile(3, 2));
    ASSERT_EQ(img.format(), QImage::Format_Indexed8);
    ASSERT_EQ(img.size(), QSize(3, 2));
    // Pixel i has index i; entry i is (i % 64, 63, 0) times four.
    EXPECT_EQ(img.pixel(0, 0), qRgb(0, 252, 0));
    EXPECT_EQ(img.pixel(2, 1), qRgb(20, 252, 0));
    EXPECT_EQ(img.pixelIndex(1, 1), 4);
}

TEST(AutodeskReader, DamagedFilesGiveTheReadersMessage)
{
    QByteArray badId = AutodeskFile(2, 2);
    badId[0] = 0x18;
    const DamagedCase cases[] = {
        {"empty", QByteArray(), kNotAutodesk},
        {"bad identifier", badId, kNotAutodesk},
        {"zero width", AutodeskFile(0, 2), kNotAutodesk},
        {"zero height", AutodeskFile(2, 0), kNotAutodesk},
        {"colour map cut short", AutodeskFile(2, 2).left(400), "Stream read error"},
        {"pixels cut short", AutodeskFile(4, 4).chopped(1), "Stream read error"},
        {"huge size from a small file", AutodeskFile(2, 2).replace(2, 4, "\xff\xff\xff\xff"), "Stream read error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeError(Autodesk, c.bytes), c.message) << c.what;
}

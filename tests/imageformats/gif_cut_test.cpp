#include "imageformats/bounded_reader.h"
#include "imageformats/gif_graphic.h"
#include "imageformats/picture_formats.h"
#include "platform/picture.h"
#include "reader_test_util.h"
#include "support/test_support.h"

#include <QBuffer>
#include <QFile>
#include <string>
#include <vector>

using namespace readertest;

namespace {

const char* const kNotGIF = "Not a valid GIF file.";

QImage GIF(const uint8_t* d, size_t n)
{
    return imgread::DecodeGIF(d, n);
}

// Read from a device a few bytes at a time, so that reads cross the ends of the header
// fields, colour tables and sub-blocks, a file gives what it gives from memory: the same
// picture, or the same message; the device is left at its end.
::testing::AssertionResult GIFFromDeviceAsFromMemory(const QByteArray& bytes)
{
    std::string memoryError;
    QImage fromMemory;
    try {
        fromMemory = Decode(GIF, bytes);
    } catch (const EPictureError& e) {
        memoryError = e.what();
    }
    for (const size_t chunk : {size_t(1), size_t(2), size_t(3), size_t(5), size_t(7), size_t(64) << 10}) {
        QBuffer device;
        device.setData(bytes);
        device.open(QIODevice::ReadOnly);
        std::string deviceError;
        QImage fromDevice;
        try {
            fromDevice = imgread::DecodeGIF(device, chunk);
        } catch (const EPictureError& e) {
            deviceError = e.what();
        }
        if (deviceError != memoryError)
            return ::testing::AssertionFailure()
                   << "chunk " << chunk << ": \"" << deviceError << "\" from the device, \"" << memoryError
                   << "\" from memory";
        if (fromDevice != fromMemory)
            return ::testing::AssertionFailure() << "chunk " << chunk << ": other pixels from the device";
        if (deviceError.empty() && device.pos() != device.size())
            return ::testing::AssertionFailure() << "chunk " << chunk << ": device left at " << device.pos();
    }
    return ::testing::AssertionSuccess();
}

// LZW data for 8-bit pixels written as literals, 9-bit codes, a clear code now and then so
// the width never grows.
QByteArray LZWLiterals(const std::vector<uint8_t>& pixels)
{
    QByteArray out;
    uint32_t acc = 0, bits = 0;
    auto put = [&](uint32_t code) {
        acc |= code << bits;
        bits += 9;
        while (bits >= 8) {
            out.append(char(acc & 0xff));
            acc >>= 8;
            bits -= 8;
        }
    };
    for (size_t i = 0; i < pixels.size(); ++i) {
        if (i % 200 == 0)
            put(256);
        put(pixels[i]);
    }
    put(257);
    if (bits)
        out.append(char(acc));
    return out;
}

QByteArray SubBlocks(const QByteArray& data)
{
    QByteArray out;
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray part = data.mid(at, 255);
        out.append(char(part.size())).append(part);
    }
    return out.append('\0');
}

// A GIF with a 256-entry grey table and one image.
QByteArray GIFFile(int w, int h, const std::vector<uint8_t>& pixels, bool interlaced = false,
                   int descriptorWidth = -1, int codeSize = 8)
{
    QByteArray b("GIF89a");
    AppendLE16(b, uint16_t(w));
    AppendLE16(b, uint16_t(h));
    b.append(char(0xf7)).append('\0').append('\0');
    for (int i = 0; i < 256; ++i)
        b.append(char(i)).append(char(i)).append(char(i));
    b.append(',');
    AppendLE16(b, 0);
    AppendLE16(b, 0);
    AppendLE16(b, uint16_t(descriptorWidth < 0 ? w : descriptorWidth));
    AppendLE16(b, uint16_t(h));
    b.append(char(interlaced ? 0x40 : 0));
    b.append(char(codeSize));
    b += SubBlocks(LZWLiterals(pixels));
    return b.append(';');
}

QByteArray CUTFile(int w, const std::vector<std::vector<uint8_t>>& rows)
{
    QByteArray b;
    AppendLE16(b, uint16_t(w));
    AppendLE16(b, uint16_t(rows.size()));
    AppendLE16(b, 0);
    for (const auto& row : rows) {
        QByteArray r;
        // One literal packet per row, then the row's end.
        r.append(char(row.size()));
        for (uint8_t v : row)
            r.append(char(v));
        r.append('\0');
        AppendLE16(b, uint16_t(r.size()));
        b += r;
    }
    return b;
}

// A Dr. Halo palette file with count entries; entry i is (i, 255 - i, 7) in 16-bit words.
QByteArray CUTPalette(int count)
{
    QByteArray b(512, '\0');
    PutLE16(b, 12, uint16_t(count - 1));
    int block = 0, pos = 40;
    for (int i = 0; i < count; ++i) {
        if (pos > 506) {
            block += 512;
            pos = 0;
            b.append(QByteArray(512, '\0'));
        }
        PutLE16(b, block + pos, uint16_t(i & 0xff));
        PutLE16(b, block + pos + 2, uint16_t(255 - (i & 0xff)));
        PutLE16(b, block + pos + 4, 7);
        pos += 6;
    }
    return b;
}

void WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

TEST(GIFReader, MatchesReferenceDecoder)
{
    for (const char* f : {"gif_plain.gif", "gif_interlaced.gif", "gif_extensions.gif", "gif_runs.gif"}) {
        SCOPED_TRACE(f);
        EXPECT_TRUE(SamePixels(Decode(GIF, Fixture(f)), Reference(f)));
        EXPECT_TRUE(GIFFromDeviceAsFromMemory(Fixture(f)));
    }
    InitPictureFormats();
    TPicture picture;
    picture.LoadFromFile(FixturePath("gif_interlaced.gif"));
    EXPECT_EQ(picture.Graphic()->ClassName(), "TGIFGraphic");
    EXPECT_EQ(picture.Bitmap()->PixelFormat(), pf8bit);
    EXPECT_TRUE(SamePixels(picture.Bitmap()->image(), Reference("gif_interlaced.gif")));
}

TEST(GIFReader, InterlacedRowsGoToTheirPasses)
{
    // Decoded row k holds value k; nine rows are filled in the order 0, 8, 4, 2, 6, 1, 3, 5, 7.
    std::vector<uint8_t> pixels;
    for (int k = 0; k < 9; ++k)
        pixels.insert(pixels.end(), 3, uint8_t(k));
    const QImage img = Decode(GIF, GIFFile(3, 9, pixels, true));
    const int order[9] = {0, 8, 4, 2, 6, 1, 3, 5, 7};
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(img.pixelIndex(2, order[k]), k) << "row " << order[k];
}

TEST(GIFReader, EverySizeAndInterlacingPutsEachRowInItsPlace)
{
    // Widths that leave padding at the end of the picture's lines, heights that end inside
    // each interlace pass; stored row k holds k * 16 + x (modulo 256).
    for (const bool interlaced : {false, true})
        for (const int w : {1, 2, 3, 4, 5, 7, 9})
            for (const int h : {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 16, 17}) {
                SCOPED_TRACE(testing::Message() << w << "x" << h << (interlaced ? " interlaced" : ""));
                std::vector<uint8_t> pixels;
                for (int k = 0; k < h; ++k)
                    for (int x = 0; x < w; ++x)
                        pixels.push_back(uint8_t(k * 16 + x));
                std::vector<int> lineOfRow;
                if (interlaced) {
                    const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
                    for (int pass = 0; pass < 4; ++pass)
                        for (int y = start[pass]; y < h; y += step[pass])
                            lineOfRow.push_back(y);
                } else {
                    for (int y = 0; y < h; ++y)
                        lineOfRow.push_back(y);
                }
                const QByteArray file = GIFFile(w, h, pixels, interlaced);
                const QImage img = Decode(GIF, file);
                ASSERT_EQ(img.size(), QSize(w, h));
                for (int k = 0; k < h; ++k)
                    for (int x = 0; x < w; ++x)
                        ASSERT_EQ(img.pixelIndex(x, lineOfRow[size_t(k)]), uint8_t(k * 16 + x))
                            << "row " << k << " x " << x;
                EXPECT_TRUE(GIFFromDeviceAsFromMemory(file));
            }
}

TEST(GIFReader, DataBeyondThePictureIsPassedOverToItsEnd)
{
    // Twelve pixels of data for a 3x2 picture: the first six are the picture.
    const QByteArray file = GIFFile(3, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    const QImage img = Decode(GIF, file);
    EXPECT_EQ(img.pixelIndex(2, 1), 6);
    EXPECT_TRUE(GIFFromDeviceAsFromMemory(file));
    // The rest must still be there: a file cut inside it is damaged.
    EXPECT_EQ(DecodeError(GIF, file.left(file.size() - 3)), kNotGIF);
    EXPECT_TRUE(GIFFromDeviceAsFromMemory(file.left(file.size() - 3)));
}

TEST(GIFReader, ImageWidthZeroTakesTheScreenWidth)
{
    const QImage img = Decode(GIF, GIFFile(4, 2, {1, 2, 3, 4, 5, 6, 7, 8}, false, 0));
    ASSERT_EQ(img.size(), QSize(4, 2));
    EXPECT_EQ(img.pixelIndex(3, 1), 8);
}

TEST(GIFReader, ShortPixelDataLeavesIndexZero)
{
    QByteArray b = GIFFile(4, 2, {9, 9, 9}); // three pixels of eight
    const QImage img = Decode(GIF, b);
    EXPECT_EQ(img.pixelIndex(2, 0), 9);
    EXPECT_EQ(img.pixelIndex(3, 1), 0);
}

TEST(GIFReader, FileWithOnlyATrailerGivesAnEmptyEightBitPicture)
{
    QByteArray b = GIFFile(4, 2, {1});
    b = b.left(6 + 7 + 768) + ";";
    EXPECT_TRUE(Decode(GIF, b).isNull());
    TGIFGraphic g;
    QBuffer buf;
    buf.setData(b);
    buf.open(QIODevice::ReadOnly);
    g.LoadFromStream(buf);
    EXPECT_TRUE(g.Empty());
    EXPECT_EQ(g.PixelFormat(), pf8bit);
}

TEST(GIFReader, DamagedFilesGiveTheReadersMessage)
{
    const QByteArray good = GIFFile(5, 5, std::vector<uint8_t>(25, 3));
    QByteArray badSig = good;
    badSig[1] = 'X';
    QByteArray badCode = good;
    // A first code far beyond the table.
    const int data = 6 + 7 + 768 + 10 + 1;
    badCode[data + 1] = char(0xff);
    badCode[data + 2] = char(0xff);
    QByteArray noImage = good.left(6 + 7 + 768);
    noImage.append("\x21\xfe\x03" "abc", 6);
    const DamagedCase cases[] = {
        {"empty", QByteArray(), kNotGIF},
        {"bad signature", badSig, kNotGIF},
        {"colour table cut short", good.left(100), kNotGIF},
        {"extension cut short", noImage, kNotGIF},
        {"no image and no trailer", good.left(6 + 7 + 768), kNotGIF},
        {"zero width", GIFFile(0, 5, {1}), kNotGIF},
        {"zero height", GIFFile(5, 0, {1}), kNotGIF},
        {"code size above 11", GIFFile(5, 5, {1}, false, -1, 12), kNotGIF},
        {"code size 0", GIFFile(5, 5, {1}, false, -1, 0), kNotGIF},
        {"sub-blocks cut short", good.left(good.size() - 5), kNotGIF},
        {"huge size from a small file", GIFFile(65535, 65535, {1}), kNotGIF},
        {"code beyond the table", badCode, "GIF LZW: invalid opcode."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DecodeError(GIF, c.bytes), c.message) << c.what;
        EXPECT_TRUE(GIFFromDeviceAsFromMemory(c.bytes)) << c.what;
    }
}

TEST(CUTReader, DecodesRowsWithGreyWithoutPalette)
{
    const QByteArray cut = CUTFile(3, {{1, 2, 3}, {4, 5, 6}});
    TCUTGraphic g;
    QBuffer buf;
    buf.setData(cut);
    buf.open(QIODevice::ReadOnly);
    g.LoadFromStream(buf);
    ASSERT_EQ(g.PixelFormat(), pf8bit);
    EXPECT_EQ(g.image().pixelIndex(2, 1), 6);
    EXPECT_EQ(g.image().pixel(0, 0), qRgb(1, 1, 1));
    // A run packet: bit 7 set repeats the next byte.
    QByteArray run;
    AppendLE16(run, 4);
    AppendLE16(run, 1);
    AppendLE16(run, 0);
    run.append("\x04\x00\x84\x09\x00", 5);
    const QImage img = imgread::DecodeCUT(reinterpret_cast<const uint8_t*>(run.constData()), size_t(run.size()),
                                          imgread::GreyTable());
    EXPECT_EQ(img.pixelIndex(3, 0), 9);
}

TEST(CUTReader, PaletteFileIsFoundWithoutCaseAndServesOnlyItsOwnFile)
{
    const QString dir = testsupport::freshDir(QStringLiteral("cut"));
    const QByteArray cut = CUTFile(2, {{0, 200}});
    WriteFile(dir + "/Label.cut", cut);
    WriteFile(dir + "/LABEL.PAL", CUTPalette(256));
    TCUTGraphic g;
    g.LoadFromFile(dir + "/Label.cut");
    EXPECT_EQ(g.image().pixel(0, 0), qRgb(0, 255, 7));
    // Entry 200 lies in the palette file's third block.
    EXPECT_EQ(g.image().pixel(1, 0), qRgb(200, 55, 7));
    // The same object then reading a stream does not reuse that palette.
    QBuffer buf;
    buf.setData(cut);
    buf.open(QIODevice::ReadOnly);
    g.LoadFromStream(buf);
    EXPECT_EQ(g.image().pixel(1, 0), qRgb(200, 200, 200));
    // Through the registry too.
    InitPictureFormats();
    TPicture picture;
    picture.LoadFromFile(dir + "/Label.cut");
    EXPECT_EQ(picture.Bitmap()->image().pixel(1, 0), qRgb(200, 55, 7));
}

TEST(CUTReader, PaletteCountsBeyondTheFileOrTableAreCut)
{
    QByteArray pal = CUTPalette(10);
    PutLE16(pal, 12, 5000); // claims 5001 entries, holds 10
    const QList<QRgb> t = imgread::DecodeCUTPalette(reinterpret_cast<const uint8_t*>(pal.constData()),
                                                    size_t(pal.size()));
    ASSERT_EQ(t.size(), 256);
    EXPECT_EQ(t[9], qRgb(9, 246, 7));
    EXPECT_EQ(t[255], qRgb(255, 255, 255)); // unread entries stay grey
}

TEST(CUTReader, DamagedFilesGiveAReadError)
{
    auto cut = [](const uint8_t* d, size_t n) { return imgread::DecodeCUT(d, n, imgread::GreyTable()); };
    const QByteArray good = CUTFile(3, {{1, 2, 3}, {4, 5, 6}});
    const DamagedCase cases[] = {
        {"empty", QByteArray(), "Stream read error"},
        {"header cut short", good.left(4), "Stream read error"},
        {"zero width", CUTFile(0, {{}}), "Stream read error"},
        {"zero height", CUTFile(3, {}), "Stream read error"},
        {"rows cut short", good.left(good.size() - 4), "Stream read error"},
        {"row shorter than the width", CUTFile(4, {{1, 2}}), "Stream read error"},
        {"huge size from a small file", CUTFile(65535, {{1}}).replace(2, 2, "\xff\xff"), "Stream read error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeError(cut, c.bytes), c.message) << c.what;
}

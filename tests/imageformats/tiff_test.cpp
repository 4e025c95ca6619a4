#include "imageformats/picture_formats.h"
#include "imageformats/tiff_graphic.h"
#include "platform/picture.h"
#include "reader_test_util.h"
#include "support/test_support.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

using namespace readertest;

namespace {

const char* const kInvalidTIFF = "Invalid TIFF file.";
const char* const kUnknown = "TIFF: Unknown compression scheme";
const char* const kUnsupported = "TIFF: Image variant not supported";

QImage TIFF(const uint8_t* d, size_t n)
{
    return imgread::DecodeTIFF(d, n);
}

QImage TIFFFromSource(imgread::PictureSource& source)
{
    return imgread::DecodeTIFF(source);
}

uint8_t StripPixel(int x, int y)
{
    return uint8_t(x * 7 + y * 13);
}

// An uncompressed 8-bit grey picture of w x h in strips of rowsPerStrip rows, the strips stored
// last first, their pixels StripPixel.
QByteArray GreyStripsLastFirst(uint32_t w, uint32_t h, uint32_t rowsPerStrip)
{
    const uint32_t strips = (h + rowsPerStrip - 1) / rowsPerStrip;
    QByteArray b("II*\0\x08\0\0\0", 8);
    const uint32_t tables = 8 + 2 + 12 * 9 + 4;
    const uint32_t data = tables + (strips > 1 ? 8 * strips : 0);
    const struct {
        uint16_t tag, type;
        uint32_t count, value;
    } tags[] = {{256, 4, 1, w},
                {257, 4, 1, h},
                {258, 3, 1, 8},
                {259, 3, 1, 1},
                {262, 3, 1, 1},
                {273, 4, strips, strips == 1 ? data : tables},
                {277, 3, 1, 1},
                {278, 4, 1, rowsPerStrip},
                {279, 4, strips, strips == 1 ? w * h : tables + 4 * strips}};
    AppendLE16(b, 9);
    for (const auto& t : tags) {
        AppendLE16(b, t.tag);
        AppendLE16(b, t.type);
        AppendLE16(b, uint16_t(t.count));
        AppendLE16(b, uint16_t(t.count >> 16));
        AppendLE16(b, uint16_t(t.value));
        AppendLE16(b, uint16_t(t.value >> 16));
    }
    b.append(QByteArray(4, '\0'));
    QByteArray offsets, counts, pixels;
    for (uint32_t i = strips; i-- > 0;) {
        const uint32_t rows = std::min(rowsPerStrip, h - i * rowsPerStrip);
        for (uint32_t y = i * rowsPerStrip; y < i * rowsPerStrip + rows; ++y)
            for (uint32_t x = 0; x < w; ++x)
                pixels.append(char(StripPixel(int(x), int(y))));
    }
    uint32_t at = data + uint32_t(pixels.size());
    for (uint32_t i = 0; i < strips; ++i) {
        const uint32_t bytes = std::min(rowsPerStrip, h - i * rowsPerStrip) * w;
        at -= bytes;
        AppendLE16(offsets, uint16_t(at));
        AppendLE16(offsets, uint16_t(at >> 16));
        AppendLE16(counts, uint16_t(bytes));
        AppendLE16(counts, uint16_t(bytes >> 16));
    }
    if (strips > 1)
        b.append(offsets).append(counts);
    return b.append(pixels);
}

// Pixels with alpha as Pillow wrote them (PAM, RGB_ALPHA).
QImage ReferencePAM(const QString& name)
{
    QByteArray b = Fixture(name + QStringLiteral(".pam"));
    const int end = b.indexOf("ENDHDR\n");
    const QList<QByteArray> lines = b.left(end).split('\n');
    int w = 0, h = 0;
    for (const QByteArray& l : lines) {
        if (l.startsWith("WIDTH "))
            w = l.mid(6).toInt();
        if (l.startsWith("HEIGHT "))
            h = l.mid(7).toInt();
    }
    QImage img(w, h, QImage::Format_ARGB32);
    const uchar* p = reinterpret_cast<const uchar*>(b.constData()) + end + 7;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x, p += 4)
            img.setPixel(x, y, qRgba(p[0], p[1], p[2], p[3]));
    return img;
}

::testing::AssertionResult SameAlpha(const QImage& got, const QImage& want)
{
    if (got.size() != want.size())
        return ::testing::AssertionFailure() << "size differs";
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            if (qAlpha(got.pixel(x, y)) != qAlpha(want.pixel(x, y)))
                return ::testing::AssertionFailure() << "alpha at (" << x << ", " << y << ")";
    return ::testing::AssertionSuccess();
}

// A minimal little-endian TIFF: one strip of Data after the directory; tags as given
// (values inline). Used for damaged and hand-made files.
struct Tag {
    uint16_t tag, type;
    uint32_t count, value;
};

QByteArray MakeTIFF(std::vector<Tag> tags, const QByteArray& data)
{
    const uint32_t dataOffset = 8 + 2 + 12 * uint32_t(tags.size()) + 4;
    QByteArray b("II*\0", 4);
    b.append("\x08\0\0\0", 4);
    AppendLE16(b, uint16_t(tags.size()));
    for (Tag t : tags) {
        if ((t.tag == 273 || t.tag == 324) && t.value == 0xFFFFFFFF)
            t.value = dataOffset;
        AppendLE16(b, t.tag);
        AppendLE16(b, t.type);
        for (int i = 0; i < 4; ++i)
            b.append(char(t.count >> (8 * i)));
        for (int i = 0; i < 4; ++i)
            b.append(char(t.value >> (8 * i)));
    }
    b.append(QByteArray(4, '\0'));
    b.append(data);
    return b;
}

// An 8-bit grey image of w x h, uncompressed, one strip.
std::vector<Tag> GreyTags(uint32_t w, uint32_t h, uint32_t bytes)
{
    return {{256, 4, 1, w},   {257, 4, 1, h},          {258, 3, 1, 8},  {259, 3, 1, 1},
            {262, 3, 1, 1},   {273, 4, 1, 0xFFFFFFFF}, {277, 3, 1, 1},  {279, 4, 1, bytes}};
}

}   // namespace

TEST(TIFFReader, MatchesReferenceDecoder)
{
    struct {
        const char* file;
        int tolerance;
    } cases[] = {
        {"tiff_rgb_le.tif", 0},          {"tiff_rgb_be.tif", 0},          {"tiff_rgb_lzw.tif", 0},
        {"tiff_rgb_lzw_pred.tif", 0},    {"tiff_rgb_lzw_pred_be.tif", 0}, {"tiff_rgb_packbits.tif", 0},
        {"tiff_grey.tif", 0},            {"tiff_grey_lzw.tif", 0},        {"tiff_grey_lzw_pred.tif", 0},
        {"tiff_grey_packbits_be.tif", 0}, {"tiff_grey16.tif", 0},         {"tiff_grey16_lzw_pred_be.tif", 0},
        {"tiff_mono_black0.tif", 0},     {"tiff_mono_white0.tif", 0},     {"tiff_palette8.tif", 0},
        {"tiff_palette8_lzw.tif", 0},    {"tiff_palette4.tif", 0},        {"tiff_grey_alpha.tif", 0},
        {"tiff_cmyk.tif", 1},            {"tiff_cmyk_lzw.tif", 1},        {"tiff_ycbcr_1x1.tif", 2},
        {"tiff_ycbcr_2x2.tif", 2},       {"tiff_grey_lzw_runs.tif", 0},   {"tiff_rgb_lzw_pred_runs.tif", 0},
        // Tiles, separate planes, bits filled from the lowest, 2-bit samples.
        {"tiff_rgb_tiled.tif", 0},       {"tiff_rgb_tiled_lzw_pred_be.tif", 0},
        {"tiff_grey_tiled_packbits.tif", 0},                               {"tiff_rgb_planar.tif", 0},
        {"tiff_rgb_planar_lzw_pred.tif", 0},                               {"tiff_rgb_planar_tiled.tif", 0},
        {"tiff_mono_fill2.tif", 0},      {"tiff_rgb_fill2_lzw.tif", 0},   {"tiff_grey2.tif", 0},
        {"tiff_palette2.tif", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        EXPECT_TRUE(SamePixels(Decode(TIFF, Fixture(c.file)), Reference(c.file), c.tolerance));
        EXPECT_TRUE(SameFromDevice(TIFF, TIFFFromSource, Fixture(c.file), kInvalidTIFF));
    }
}

TEST(TIFFReader, StripsOutOfOrderAndLongUncompressedStrips)
{
    // Uncompressed strips are read a quarter megabyte at a time; widths of whole words
    // go straight into the picture's lines, odd ones through a line of their own.
    struct Case {
        const char* what;
        uint32_t width, height, rowsPerStrip;
    };
    const Case cases[] = {{"one long strip, lines as the picture's", 1000, 700, 700},
                          {"one long strip, odd width", 1001, 600, 600},
                          {"strips last first", 37, 50, 8},
                          {"strips last first, whole words", 40, 50, 7},
                          {"one row", 3, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray file = GreyStripsLastFirst(c.width, c.height, c.rowsPerStrip);
        const QImage img = Decode(TIFF, file);
        ASSERT_EQ(img.size(), QSize(int(c.width), int(c.height)));
        for (int y = 0; y < int(c.height); ++y)
            for (int x = 0; x < int(c.width); x += 1 + x % 11)
                ASSERT_EQ(img.pixelIndex(x, y), StripPixel(x, y)) << x << ", " << y;
        EXPECT_TRUE(SameFromDevice(TIFF, TIFFFromSource, file, kInvalidTIFF));
        // Cut in its last rows (the first strip's, stored last).
        EXPECT_EQ(DecodeError(TIFF, file.chopped(int(c.width) / 2 + 1)), kInvalidTIFF);
        EXPECT_TRUE(SameFromDevice(TIFF, TIFFFromSource, file.chopped(int(c.width) / 2 + 1), kInvalidTIFF));
    }
}

TEST(TIFFReader, RGBAKeepsItsAlpha)
{
    for (const char* f : {"tiff_rgba.tif", "tiff_rgba_lzw.tif", "tiff_rgba_lzw_pred_be.tif"}) {
        SCOPED_TRACE(f);
        const QImage got = Decode(TIFF, Fixture(f));
        const QImage want = ReferencePAM(f);
        EXPECT_EQ(got.format(), QImage::Format_ARGB32);
        EXPECT_TRUE(SamePixels(got, want));
        EXPECT_TRUE(SameAlpha(got, want));
    }
}

TEST(TIFFReader, ByteOrdersLoadIdentically)
{
    EXPECT_EQ(Decode(TIFF, Fixture("tiff_rgb_le.tif")), Decode(TIFF, Fixture("tiff_rgb_be.tif")));
}

TEST(TIFFReader, PixelFormatsThroughTheRegistry)
{
    InitPictureFormats();
    struct {
        const char* file;
        TPixelFormat format;
    } cases[] = {{"tiff_mono_black0.tif", pf1bit}, {"tiff_palette4.tif", pf4bit},
                 {"tiff_palette8.tif", pf8bit},    {"tiff_rgb_lzw_pred.tif", pf24bit},
                 {"tiff_rgba.tif", pf32bit}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        TPicture picture;
        picture.LoadFromFile(FixturePath(c.file));
        EXPECT_EQ(picture.Graphic()->ClassName(), "TTIFFGraphic");
        EXPECT_EQ(picture.Bitmap()->PixelFormat(), c.format);
    }
    // A 4-bit palette takes 16 entries from the colour map's high bytes.
    TPicture picture;
    picture.LoadFromFile(FixturePath("tiff_palette4.tif"));
    EXPECT_EQ(picture.Bitmap()->Palette().size(), 16);
}

TEST(TIFFReader, HandMadeLayouts)
{
    // No rows-per-strip tag and no compression tag: one strip of all rows, uncompressed.
    QByteArray pixels;
    for (int i = 0; i < 12; ++i)
        pixels.append(char(i * 20));
    auto tags = GreyTags(4, 3, 12);
    tags.erase(tags.begin() + 3);   // compression
    QImage img = Decode(TIFF, MakeTIFF(tags, pixels));
    ASSERT_EQ(img.size(), QSize(4, 3));
    EXPECT_EQ(qGray(img.pixel(3, 2)), 220);

    // Rows per strip 1 with three strips at SHORT offsets, a rows-per-strip list shorter
    // than the strips reuses its last entry.
    QByteArray b = MakeTIFF({{256, 4, 1, 4}, {257, 4, 1, 3}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 1},
                             {273, 4, 3, 0}, {277, 3, 1, 1}, {278, 3, 1, 1}, {279, 4, 3, 0}},
                            QByteArray());
    const int stripTable = b.size();
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 4; ++k)
            b.append(char(k == 0 ? (stripTable + 24 + 4 * i) & 0xFF : k == 1 ? (stripTable + 24 + 4 * i) >> 8 : 0));
    for (int i = 0; i < 3; ++i)
        b.append("\x04\0\0\0", 4);
    b.append(pixels);
    // Point the 273/279 entries at the tables.
    const int dir = 10;
    for (int e = 0; e < 9; ++e) {
        const int at = dir + 12 * e;
        const uint16_t tag = uint16_t(uchar(b[at]) | (uchar(b[at + 1]) << 8));
        if (tag == 273)
            PutLE16(b, at + 8, uint16_t(stripTable));
        if (tag == 279)
            PutLE16(b, at + 8, uint16_t(stripTable + 12));
    }
    img = Decode(TIFF, b);
    ASSERT_EQ(img.size(), QSize(4, 3));
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(qGray(img.pixel(i % 4, i / 4)), i * 20) << i;
}

TEST(TIFFReader, DamagedFiles)
{
    const QByteArray good = Fixture("tiff_rgb_lzw_pred.tif");
    const QByteArray grey = MakeTIFF(GreyTags(4, 3, 12), QByteArray(12, 'x'));
    ASSERT_EQ(DecodeError(TIFF, grey), "");

    auto withTag = [](std::vector<Tag> tags, uint16_t tag, uint32_t value) {
        for (Tag& t : tags)
            if (t.tag == tag)
                t.value = value;
        return tags;
    };
    auto withoutTag = [](std::vector<Tag> tags, uint16_t tag) {
        std::erase_if(tags, [&](const Tag& t) { return t.tag == tag; });
        return tags;
    };
    // Two strips of three rows: the second's offset (its table entry's last byte at 129) made huge.
    QByteArray secondStripPastTheEnd = GreyStripsLastFirst(4, 6, 3);
    ASSERT_EQ(DecodeError(TIFF, secondStripPastTheEnd), "");
    secondStripPastTheEnd[129] = 1;
    const std::vector<DamagedCase> cases = {
        {"empty", QByteArray(), kInvalidTIFF},
        {"header only", good.left(8), kInvalidTIFF},
        {"bad version", QByteArray("II\x2b\0\x08\0\0\0", 8) + good.mid(8), kInvalidTIFF},
        {"directory past the end", QByteArray("II*\0\xff\xff\0\0", 8), kInvalidTIFF},
        {"truncated directory", good.left(good.size() - 40), kInvalidTIFF},
        {"width 0", MakeTIFF(withTag(GreyTags(4, 3, 12), 256, 0), QByteArray(12, 'x')), kInvalidTIFF},
        {"height 0", MakeTIFF(withTag(GreyTags(4, 3, 12), 257, 0), QByteArray(12, 'x')), kInvalidTIFF},
        {"huge size, tiny file",
         MakeTIFF(withTag(withTag(GreyTags(4, 3, 12), 256, 60000), 257, 60000), QByteArray(12, 'x')),
         kInvalidTIFF},
        {"strip past the end", MakeTIFF(GreyTags(4, 3, 12), QByteArray(5, 'x')), kInvalidTIFF},
        {"strip offset wraps", MakeTIFF(withTag(GreyTags(4, 3, 12), 273, 0xFFFFFFF0), QByteArray(12, 'x')),
         kInvalidTIFF},
        {"unknown compression", MakeTIFF(withTag(GreyTags(4, 3, 12), 259, 7), QByteArray(12, 'x')), kUnknown},
        {"bits per sample 3", MakeTIFF(withTag(GreyTags(4, 3, 12), 258, 3), QByteArray(12, 'x')),
         kUnsupported},
        {"samples per pixel 0", MakeTIFF(withTag(GreyTags(4, 3, 12), 277, 0), QByteArray(12, 'x')),
         kInvalidTIFF},
        {"photometric 4", MakeTIFF(withTag(GreyTags(4, 3, 12), 262, 4), QByteArray(12, 'x')), kUnsupported},
        {"palette without colour map", MakeTIFF(withTag(GreyTags(4, 3, 12), 262, 3), QByteArray(12, 'x')),
         kInvalidTIFF},
        // Neither strips nor tiles: the pixels are nowhere, not at offset 0.
        {"no strip offsets", MakeTIFF(withoutTag(GreyTags(4, 3, 12), 273), QByteArray(12, 'x')),
         kInvalidTIFF},
        {"strip count beyond the file",
         MakeTIFF(withTag(GreyTags(4, 3, 12), 273, 0), QByteArray(12, 'x'))
             .replace(QByteArray("\x11\x01\x04\0\x01\0\0\0", 8),
                      QByteArray("\x11\x01\x04\0\xff\xff\xff\x0f", 8)),
         kInvalidTIFF},
        {"strip ends in a row", MakeTIFF(GreyTags(4, 3, 12), QByteArray(10, 'x')), kInvalidTIFF},
        {"directory without entries", MakeTIFF({}, QByteArray(12, 'x')), kInvalidTIFF},
        {"directory entries past the end", good.left(good.size() - 7), kInvalidTIFF},
        {"second strip past the end", secondStripPastTheEnd, kInvalidTIFF},
        {"LZW strip past the end",
         MakeTIFF(withTag(withTag(GreyTags(4, 3, 12), 259, 5), 273, 0x10000), QByteArray(12, 'x')),
         kInvalidTIFF},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeError(TIFF, c.bytes), c.message);
        EXPECT_TRUE(SameFromDevice(TIFF, TIFFFromSource, c.bytes, c.message));
    }
}

TEST(TIFFReader, ValidVariantsItDoesNotReadSaySo)
{
    auto grey = [](std::vector<Tag> extra) {
        std::vector<Tag> tags = GreyTags(4, 3, 12);
        for (const Tag& e : extra) {
            bool replaced = false;
            for (Tag& t : tags)
                if (t.tag == e.tag) {
                    t = e;
                    replaced = true;
                }
            if (!replaced)
                tags.push_back(e);
        }
        std::sort(tags.begin(), tags.end(), [](const Tag& a, const Tag& b) { return a.tag < b.tag; });
        return MakeTIFF(tags, QByteArray(64, 'x'));
    };
    const std::vector<DamagedCase> cases = {
        {"3-bit samples", grey({{258, 3, 1, 3}}), kUnsupported},
        {"12-bit samples", grey({{258, 3, 1, 12}}), kUnsupported},
        {"transparency mask", grey({{262, 3, 1, 4}}), kUnsupported},
        {"ICC L*a*b*", grey({{262, 3, 1, 9}}), kUnsupported},
        {"16-bit palette", grey({{262, 3, 1, 3}, {258, 3, 1, 16}}), kUnsupported},
        {"4-bit RGB", grey({{262, 3, 1, 2}, {277, 3, 1, 3}, {258, 3, 1, 4}}), kUnsupported},
        {"floating-point samples", grey({{339, 3, 1, 3}}), kUnsupported},
        {"signed samples", grey({{339, 3, 1, 2}}), kUnsupported},
        {"separate planes of 4 bits", grey({{262, 3, 1, 1}, {277, 3, 1, 2}, {338, 3, 1, 2}, {258, 3, 1, 4},
                                            {284, 3, 1, 2}}),
         kUnsupported},
        {"subsampled YCbCr in planes", grey({{262, 3, 1, 6}, {277, 3, 1, 3}, {284, 3, 1, 2}}), kUnsupported},
        {"tiles of 12 bilevel pixels", grey({{258, 3, 1, 1}, {322, 3, 1, 12}, {323, 3, 1, 16},
                                             {324, 4, 1, 0xFFFFFFFF}, {325, 4, 1, 24}}),
         kUnsupported},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeError(TIFF, c.bytes), c.message);
        EXPECT_TRUE(SameFromDevice(TIFF, TIFFFromSource, c.bytes, c.message));
    }
}

TEST(TIFFReader, TiledFilesWithoutTheirData)
{
    // A tile of 16 x 16 grey pixels holding a 4 x 3 picture.
    auto tiled = [](uint32_t tileWidth, uint32_t tileLength, uint32_t offset, int bytes) {
        return MakeTIFF({{256, 4, 1, 4}, {257, 4, 1, 3}, {258, 3, 1, 8}, {259, 3, 1, 1}, {262, 3, 1, 1},
                         {277, 3, 1, 1}, {322, 3, 1, tileWidth}, {323, 3, 1, tileLength}, {324, 4, 1, offset},
                         {325, 4, 1, 256}},
                        QByteArray(bytes, '\x40'));
    };
    ASSERT_EQ(DecodeError(TIFF, tiled(16, 16, 0xFFFFFFFF, 256)), "");
    EXPECT_EQ(qGray(Decode(TIFF, tiled(16, 16, 0xFFFFFFFF, 256)).pixel(3, 2)), 0x40);
    const std::vector<DamagedCase> cases = {
        {"tile width 0", tiled(0, 16, 0xFFFFFFFF, 256), kInvalidTIFF},
        {"tile length 0", tiled(16, 0, 0xFFFFFFFF, 256), kInvalidTIFF},
        {"tile shorter than its size", tiled(16, 16, 0xFFFFFFFF, 100), kInvalidTIFF},
        {"tile past the end", tiled(16, 16, 0x7FFFFFF0, 256), kInvalidTIFF},
        {"huge tiles, tiny file", tiled(65520, 65520, 0xFFFFFFFF, 256), kInvalidTIFF},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeError(TIFF, c.bytes), c.message);
        EXPECT_TRUE(SameFromDevice(TIFF, TIFFFromSource, c.bytes, c.message));
    }
}

TEST(TIFFReader, RowsOfStripsTheFileDoesNotHaveAreBlack)
{
    // Three strips of 600 rows, two in the file, all white (PackBits runs). The picture is not
    // cleared before its strips fill it, and it takes the memory of a white one decoded and
    // freed just before.
    struct Case {
        const char* what;
        uint32_t samples, width;
    };
    const Case cases[] = {{"grey, straight into the picture", 1, 2400}, {"RGB, through a line", 3, 800}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const uint32_t height = 1800, rows = 600, strip = c.width * c.samples * rows / 128 * 2;
        auto file = [&](uint32_t strips) {
            const uint32_t dataOffset = 8 + 2 + 12 * 10 + 4;
            const uint32_t tables = 8 * strips;
            QByteArray data;
            for (uint32_t i = 0; i < strips; ++i)
                for (int k = 0; k < 4; ++k)
                    data.append(char((dataOffset + tables + i * strip) >> (8 * k)));
            for (uint32_t i = 0; i < strips; ++i)
                for (int k = 0; k < 4; ++k)
                    data.append(char(strip >> (8 * k)));
            for (uint32_t i = 0; i < strip * strips / 2; ++i)
                data.append("\x81\xff", 2);
            return MakeTIFF({{256, 4, 1, c.width},
                             {257, 4, 1, height},
                             {258, 3, 1, 8},
                             {259, 3, 1, 32773},
                             {262, 3, 1, c.samples == 3 ? 2u : 1u},
                             {273, 4, strips, dataOffset},
                             {277, 3, 1, c.samples},
                             {278, 4, 1, rows},
                             {279, 4, strips, dataOffset + 4 * strips},
                             {284, 3, 1, 1}},
                            data);
        };
        const QImage white = Decode(TIFF, file(3));
        ASSERT_EQ(qGray(white.pixel(0, int(height) - 1)), 255);
        const QImage got = Decode(TIFF, file(2));
        ASSERT_EQ(got.size(), QSize(int(c.width), int(height)));
        for (int y : {0, int(2 * rows) - 1}) {
            EXPECT_EQ(qGray(got.pixel(0, y)), 255) << y;
            EXPECT_EQ(qGray(got.pixel(int(c.width) - 1, y)), 255) << y;
        }
        for (int y : {int(2 * rows), int(height) - 1}) {
            EXPECT_EQ(qGray(got.pixel(0, y)), 0) << y;
            EXPECT_EQ(qGray(got.pixel(int(c.width) - 1, y)), 0) << y;
        }
    }
}

TEST(TIFFReader, LZWStripWithBadCodeGivesTheDecoderMessage)
{
    // 9-bit codes: 0x100 (clear) then 0x1FF, far above the next free code.
    QByteArray lzw("\x80\x3F\xF0\0", 4);
    auto tags = GreyTags(2, 1, 4);
    for (Tag& t : tags)
        if (t.tag == 259)
            t.value = 5;
    EXPECT_EQ(DecodeError(TIFF, MakeTIFF(tags, lzw)), "TIF LZW: invalid opcode.");
}

TEST(TIFFReader, FailedLoadLeavesTheBitmapAsItWas)
{
    TTIFFGraphic g;
    QByteArray good = Fixture("tiff_palette8.tif");
    QBuffer buffer(&good);
    buffer.open(QIODevice::ReadOnly);
    g.LoadFromStream(buffer);
    const QImage before = g.image();
    QByteArray bad = good.left(20);
    QBuffer badBuffer(&bad);
    badBuffer.open(QIODevice::ReadOnly);
    EXPECT_THROW(g.LoadFromStream(badBuffer), EPictureError);
    EXPECT_EQ(g.image(), before);
}

TEST(ReadOnlyFormats, SavingSaysNotWrittenAndTouchesNoFile)
{
    InitPictureFormats();
    const QString dir = testsupport::freshDir(QStringLiteral("read-only-formats"));
    for (const char* file : {"tiff_rgb_le.tif", "pcx_rgb24.pcx"}) {
        SCOPED_TRACE(file);
        TPicture picture;
        picture.LoadFromFile(FixturePath(file));
        const QString fresh = dir + QStringLiteral("/fresh_") + QString::fromLatin1(file);
        try {
            picture.Graphic()->SaveToFile(fresh);
            ADD_FAILURE() << "saved";
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_TRUE(QString::fromUtf8(e.what()).contains(QStringLiteral("not written"))) << e.what();
        }
        EXPECT_FALSE(QFileInfo::exists(fresh));

        // A file already there keeps what it held.
        const QString existing = dir + QStringLiteral("/existing_") + QString::fromLatin1(file);
        {
            QFile f(existing);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("before");
        }
        EXPECT_THROW(picture.Graphic()->SaveToFile(existing), EInvalidGraphicOperation);
        QFile f(existing);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("before"));
    }
}

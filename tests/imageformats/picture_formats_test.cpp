#include "imageformats/picture_formats.h"
#include "platform/picture.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <QFile>
#include <cstring>
#include <vector>

TEST(PictureFormats, RegistersEveryExtensionInOrder)
{
    FakeInitPictureFormatsLib();
    InitPictureFormats();
    const char* expected[][3] = {
        {"win", "Truevision images", "TTargaGraphic"},   {"vst", "Truevision images", "TTargaGraphic"},
        {"vda", "Truevision images", "TTargaGraphic"},   {"tiff", "TIFF images", "TTIFFGraphic"},
        {"tif", "TIFF images", "TTIFFGraphic"},          {"tga", "Truevision images", "TTargaGraphic"},
        {"sgi", "SGI true color images", "TSGIGraphic"}, {"scr", "Word 5.x screen capture images", "TPCXGraphic"},
        {"rpf", "SGI Wavefront images", "TRLAGraphic"},  {"rle", "Windows bitmap", "TBitmap"},
        {"rla", "SGI Wavefront images", "TRLAGraphic"},  {"rgba", "SGI true color images", "TSGIGraphic"},
        {"rgb", "SGI true color images", "TSGIGraphic"}, {"psd", "Photoshop images", "TPSDGraphic"},
        {"ppm", "Portable pixel map images", "TPPMGraphic"}, {"pgm", "Portable grayscale images", "TPPMGraphic"},
        {"pbm", "Portable b&w images", "TPPMGraphic"},   {"pic", "Autodesk images", "TAutodeskGraphic"},
        {"pcx", "ZSoft PCX images", "TPCXGraphic"},      {"pdd", "Photoshop images", "TPSDGraphic"},
        {"pcd", "Kodak Photo-CD images", "TPCDGraphic"}, {"pcc", "ZSoft PCC images", "TPCXGraphic"},
        {"icb", "Truevision images", "TTargaGraphic"},   {"gif", "CompuServe images", "TGIFGraphic"},
        {"dib", "Windows bitmap", "TBitmap"},            {"cut", "Dr. Halo images", "TCUTGraphic"},
        {"cel", "Autodesk images", "TAutodeskGraphic"},  {"bw", "SGI black/white images", "TSGIGraphic"},
    };
    const std::vector<TFileFormat> formats = TPicture::FileFormats();
    // Ours follow the built-in formats, in this order.
    size_t at = 0;
    while (at < formats.size() && formats[at].Extension != "win")
        ++at;
    ASSERT_EQ(formats.size() - at, std::size(expected));
    for (const auto& e : expected) {
        SCOPED_TRACE(e[0]);
        EXPECT_EQ(formats[at].Extension, e[0]);
        EXPECT_EQ(formats[at].Description, e[1]);
        EXPECT_EQ(formats[at].ClassName, e[2]);
        ++at;
    }
    // Upper-case extensions find the same reader.
    ASSERT_NE(TPicture::FindFormat(QStringLiteral("TGA")), nullptr);
    EXPECT_EQ(TPicture::FindFormat(QStringLiteral("TGA"))->ClassName, "TTargaGraphic");
}

TEST(PictureFormats, RleAndDibLoadAsPlainBitmaps)
{
    InitPictureFormats();
    const QString dir = testsupport::freshDir(QStringLiteral("dib"));
    TBitmap b(3, 2, pf24bit);
    const QByteArray bmp = b.SaveToData();
    for (const char* ext : {"rle", "DIB"}) {
        const QString path = dir + QStringLiteral("/p.") + QString::fromLatin1(ext);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bmp);
        f.close();
        TPicture picture;
        picture.LoadFromFile(path);
        EXPECT_EQ(picture.Graphic()->ClassName(), "TBitmap");
        EXPECT_EQ(picture.Width(), 3);
    }
}

TEST(PictureFormats, ForeignContentGivesTheReadersMessage)
{
    InitPictureFormats();
    const QString dir = testsupport::freshDir(QStringLiteral("foreign"));
    struct {
        const char* ext;
        const char* message;
    } cases[] = {{"tif", "Invalid TIFF file."}, {"pcx", "Not a PCX or SCR file."}, {"tga", "Targa: invalid image"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ext);
        const QString path = dir + QStringLiteral("/x.") + QString::fromLatin1(c.ext);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("this is plain text, not a picture at all");
        f.close();
        TPicture picture;
        try {
            picture.LoadFromFile(path);
            ADD_FAILURE() << "no error";
        } catch (const EInvalidGraphic& e) {
            EXPECT_STREQ(e.what(), c.message);
        }
        EXPECT_TRUE(picture.Empty());
    }
}

TEST(PictureHelpers, ByteOrder)
{
    uint8_t w[4] = {1, 2, 3, 4};
    SwapWordArray(w, 2);
    EXPECT_EQ(std::memcmp(w, "\2\1\4\3", 4), 0);
    uint8_t d[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    SwapDWordArray(d, 2);
    EXPECT_EQ(std::memcmp(d, "\4\3\2\1\10\7\6\5", 8), 0);
    EXPECT_EQ(SwapDWord(0x11223344u), 0x44332211u);
}

TEST(PictureHelpers, RowConverters)
{
    uint8_t out[12];
    const uint8_t rgb[6] = {1, 2, 3, 4, 5, 6};
    ConvertRGBRow(rgb, out, 8, 6);
    EXPECT_EQ(std::memcmp(out, "\3\2\1\6\5\4", 6), 0);
    const uint16_t rgb16[3] = {0x1100, 0x22FF, 0x3380};
    ConvertRGBRow(rgb16, out, 16, 3);
    EXPECT_EQ(std::memcmp(out, "\x33\x22\x11", 3), 0);
    const uint8_t rgba[4] = {1, 2, 3, 4};
    ConvertRGBARow(rgba, out, 8, 4);
    EXPECT_EQ(std::memcmp(out, "\3\2\1\4", 4), 0);
    const uint16_t grey[2] = {0xAB12, 0x0100};
    ConvertGray16To8(grey, out, 16, 2);
    EXPECT_EQ(out[0], 0xAB);
    EXPECT_EQ(out[1], 1);
    const uint8_t r[2] = {10, 11}, g[2] = {20, 21}, b[2] = {30, 31};
    const void* planes[3] = {r, g, b};
    ConvertRGBPlanarRow(planes, out, 8, 6);
    EXPECT_EQ(std::memcmp(out, "\x1e\x14\x0a\x1f\x15\x0b", 6), 0);
}

TEST(PictureHelpers, RGBRowsOfEveryLengthAndPlace)
{
    // Rows swap sixteen pixels at a time and the rest one by one; stored past the caches, they
    // start on a 16-byte boundary after a few pixels one by one. Every length up to a few blocks,
    // at every place in memory, both ways: each pixel swapped, no byte past the row touched.
    std::vector<uint8_t> source(3 * 70 + 16);
    for (size_t i = 0; i < source.size(); ++i)
        source[i] = uint8_t(i * 37 + 11);
    alignas(16) uint8_t out[3 * 70 + 48];
    for (const bool bypassCache : {false, true}) {
        for (int offset = 0; offset < 16; ++offset) {
            for (int pixels = 0; pixels <= 70; ++pixels) {
                SCOPED_TRACE(testing::Message() << bypassCache << " " << offset << " " << pixels);
                std::memset(out, 0xEE, sizeof out);
                ConvertRGBRow(source.data() + offset, out + offset, 8, 3 * pixels, bypassCache);
                for (int p = 0; p < pixels; ++p)
                    for (int c = 0; c < 3; ++c)
                        ASSERT_EQ(out[offset + 3 * p + c], source[size_t(offset + 3 * p + 2 - c)]) << p;
                for (size_t i = size_t(offset + 3 * pixels); i < sizeof out; ++i)
                    ASSERT_EQ(out[i], 0xEE) << i;
                for (int i = 0; i < offset; ++i)
                    ASSERT_EQ(out[i], 0xEE) << i;
            }
        }
    }
}

TEST(PictureHelpers, CMYKAndLabEnds)
{
    uint8_t out[6];
    const uint8_t cmyk[8] = {10, 200, 30, 255, 0, 0, 0, 0};
    ConvertCMYKRow(cmyk, out, 8, 8);
    EXPECT_EQ(std::memcmp(out, "\0\0\0\xff\xff\xff", 6), 0);   // K 255 black, nothing white
    const uint8_t planesData[4][1] = {{0}, {0}, {255}, {0}};
    const void* planes[4] = {planesData[0], planesData[1], planesData[2], planesData[3]};
    ConvertCMYKPlanarRow(planes, out, 8, 4);
    EXPECT_EQ(std::memcmp(out, "\0\xff\xff", 3), 0);   // full yellow
    const uint8_t lab[6] = {255, 0, 0, 0, 0, 0};
    ConvertLabRow(lab, out, 8, 6);
    EXPECT_EQ(std::memcmp(out, "\xff\xff\xff\0\0\0", 6), 0);
    EXPECT_EQ(MulDiv(10, 255, 255), 10);
    EXPECT_EQ(MulDiv(3, 1, 2), 2);
    EXPECT_EQ(MulDiv(-3, 1, 2), -2);
}

TEST(PictureHelpers, PredictorsRebuildRamps)
{
    // Constant differences of an RGB row rebuild the ramp modulo 256.
    uint8_t row[12] = {250, 0, 5, 10, 1, 2, 10, 1, 2, 10, 1, 2};
    UndoPredictor3(row, 3);
    const uint8_t want[12] = {250, 0, 5, 4, 1, 7, 14, 2, 9, 24, 3, 11};
    EXPECT_EQ(std::memcmp(row, want, 12), 0);
    uint8_t one[4] = {1, 1, 1, 1};
    UndoPredictor1(one, 3);
    EXPECT_EQ(std::memcmp(one, "\1\2\3\4", 4), 0);
    uint8_t four[8] = {1, 2, 3, 4, 1, 1, 1, 1};
    UndoPredictor4(four, 1);
    EXPECT_EQ(std::memcmp(four, "\1\2\3\4\2\3\4\5", 8), 0);
}

#include "imageformats/pcd_graphic.h"
#include "imageformats/picture_formats.h"
#include "imageformats/rla_graphic.h"
#include "platform/picture.h"
#include "reader_test_util.h"
#include "support/test_support.h"

#include <QBuffer>
#include <QFile>
#include <cmath>

using namespace readertest;

namespace {

const char* const kNotPCD = "PCD: wrong image format.";
const char* const kNotRLA = "RLA: image must be RGB(A).";

// An image pack whose luma at stored row r, column i is (r + i) % 100 with neutral chroma,
// so each pixel is grey round(luma * 1.3584).
QByteArray PCDFile(int rotation)
{
    QByteArray b(196608 + 256 * 3 * 768, '\0');
    std::memcpy(b.data() + 2048, "PCD_IPI", 7);
    b[194635] = char(rotation);
    const int offsets[3] = {8192, 47104, 196608};
    for (int res = 0; res < 3; ++res) {
        const int W = 192 << res, H = 128 << res;
        for (int r = 0; r < H; r += 2) {
            char* g = b.data() + offsets[res] + (r / 2) * 3 * W;
            for (int i = 0; i < W; ++i) {
                g[i] = char((r + i) % 100);
                g[W + i] = char((r + 1 + i) % 100);
            }
            std::memset(g + 2 * W, 156, W / 2);
            std::memset(g + 2 * W + W / 2, 137, W / 2);
        }
    }
    return b;
}

int Grey(int luma)
{
    return int(std::lround(luma * 1.3584));
}

QImage PCD(const QByteArray& b, int resolution)
{
    return imgread::DecodePCD(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size()), resolution);
}

struct RLAPlane {
    QByteArray packed;
};

// An RLA file of width w whose rows are given bottom-first or top-first by the window;
// each row is a list of packed channel data.
QByteArray RLAFile(int left, int right, int bottom, int top, int channels, int mattes,
                   const std::vector<std::vector<QByteArray>>& rows)
{
    QByteArray b(740, '\0');
    PutBE16(b, 8, uint16_t(left));
    PutBE16(b, 10, uint16_t(right));
    PutBE16(b, 12, uint16_t(bottom));
    PutBE16(b, 14, uint16_t(top));
    PutBE16(b, 20, uint16_t(channels));
    PutBE16(b, 22, uint16_t(mattes));
    QByteArray table, data;
    uint32_t at = uint32_t(740 + 4 * rows.size());
    for (const auto& row : rows) {
        AppendBE32(table, at);
        for (const QByteArray& plane : row) {
            AppendBE16(data, uint16_t(plane.size()));
            data += plane;
            at += uint32_t(2 + plane.size());
        }
    }
    return b + table + data;
}

QImage RLA(const uint8_t* d, size_t n)
{
    return imgread::DecodeRLA(d, n);
}

} // namespace

TEST(PhotoCDReader, SizesFollowResolutionAndRotation)
{
    const QByteArray upright = PCDFile(0);
    EXPECT_EQ(PCD(upright, 2).size(), QSize(768, 512));
    EXPECT_EQ(PCD(upright, 1).size(), QSize(384, 256));
    EXPECT_EQ(PCD(PCDFile(1), 2).size(), QSize(512, 768));
    EXPECT_EQ(PCD(PCDFile(3), 0).size(), QSize(128, 192));
}

TEST(PhotoCDReader, RotationAndFlipPlaceEveryStoredPixel)
{
    const int W = 192, H = 128;
    for (int rotation = 0; rotation < 4; ++rotation) {
        SCOPED_TRACE(rotation);
        const QImage img = PCD(PCDFile(rotation), 0);
        for (int r : {0, 1, 2, 77, H - 1})
            for (int i : {0, 1, 5, 100, W - 1}) {
                int x = i, y = r;
                if (rotation == 2)
                    y = H - 1 - r;
                else if (rotation == 1)
                    x = r, y = W - 1 - i;
                else if (rotation == 3)
                    x = r, y = i;
                const int g = Grey((r + i) % 100);
                EXPECT_EQ(img.pixel(x, y), qRgb(g, g, g)) << "stored row " << r << " column " << i;
            }
    }
}

TEST(PhotoCDReader, ChromaIsUpsampledAndConverted)
{
    QByteArray b = PCDFile(0);
    // First group of resolution 0: luma 100, chroma 1 = 200, chroma 2 = 100 everywhere.
    char* g = b.data() + 8192;
    std::memset(g, 100, 2 * 192);
    std::memset(g + 2 * 192, 200, 96);
    std::memset(g + 2 * 192 + 96, 100, 96);
    std::memset(b.data() + 8192 + 3 * 192 + 2 * 192, 200, 96); // next group's chroma too
    std::memset(b.data() + 8192 + 3 * 192 + 2 * 192 + 96, 100, 96);
    const QImage img = PCD(b, 0);
    const double y = 100 * 1.3584;
    const int red = int(std::lround(y + (100 - 137) * 1.8215));
    const int green = int(std::lround(y - (100 - 137) * 0.9271435 - (200 - 156) * 0.4302726));
    const int blue = std::min(255, int(std::lround(y + (200 - 156) * 2.2179)));
    EXPECT_EQ(img.pixel(0, 0), qRgb(red, green, blue));
    EXPECT_EQ(img.pixel(191, 1), qRgb(red, green, blue));
}

TEST(PhotoCDReader, DamagedFilesAndResolutions)
{
    const QByteArray good = PCDFile(0);
    QByteArray noSig = good;
    noSig[2050] = 'x';
    const struct {
        const char* what;
        QByteArray bytes;
        int resolution;
        const char* message;
    } cases[] = {
        {"empty", QByteArray(), 2, kNotPCD},
        {"no signature", noSig, 2, kNotPCD},
        {"cut before the rotation", good.left(100000), 0, kNotPCD},
        {"cut inside the image", good.left(700000), 2, kNotPCD},
        {"resolution 3", good, 3, "PCD: image size currently not supported"},
    };
    for (const auto& c : cases) {
        std::string message;
        try {
            PCD(c.bytes, c.resolution);
        } catch (const EPictureError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.message) << c.what;
    }
    // Through the class and the registry, with its resolution index.
    const QString dir = testsupport::freshDir(QStringLiteral("pcd"));
    QFile f(dir + "/photo.PCD");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(good);
    f.close();
    InitPictureFormats();
    TPicture picture;
    picture.LoadFromFile(dir + "/photo.PCD");
    EXPECT_EQ(picture.Graphic()->ClassName(), "TPCDGraphic");
    EXPECT_EQ(picture.Bitmap()->PixelFormat(), pf24bit);
    EXPECT_EQ(picture.Width(), 768);
    TPCDGraphic small;
    small.ResolutionIndex = 0;
    small.LoadFromFile(dir + "/photo.PCD");
    EXPECT_EQ(small.Width(), 192);
}

TEST(RLAReader, BottomUpRowsAndChannels)
{
    // Width 3, active bottom 0 and top 1: two rows, the first stored one at the bottom.
    const QByteArray file = RLAFile(0, 2, 0, 1, 3, 0,
                                    {{QByteArray("\x02\x10", 2), QByteArray("\xfd\x01\x02\x03", 4), QByteArray("\x02\x30", 2)},
                                     {QByteArray("\x02\x40", 2), QByteArray("\x02\x50", 2), QByteArray("\x02\x60", 2)}});
    const QImage img = Decode(RLA, file);
    ASSERT_EQ(img.size(), QSize(3, 2));
    EXPECT_EQ(img.pixel(0, 1), qRgb(0x10, 0x01, 0x30));
    EXPECT_EQ(img.pixel(2, 1), qRgb(0x10, 0x03, 0x30));
    EXPECT_EQ(img.pixel(1, 0), qRgb(0x40, 0x50, 0x60));
    // Bottom above top: stored rows from the top.
    const QImage down = Decode(RLA, RLAFile(0, 0, 1, 0, 3, 0,
                                            {{QByteArray("\x00\x10", 2), QByteArray("\x00\x10", 2), QByteArray("\x00\x10", 2)},
                                             {QByteArray("\x00\x20", 2), QByteArray("\x00\x20", 2), QByteArray("\x00\x20", 2)}}));
    EXPECT_EQ(qRed(down.pixel(0, 0)), 0x10);
}

TEST(RLAReader, MatteBecomesTheFourthByte)
{
    const QByteArray p("\x00\x80", 2);
    const QImage img = Decode(RLA, RLAFile(5, 5, 0, 0, 3, 1, {{p, p, p, QByteArray("\x00\x7f", 2)}}));
    ASSERT_EQ(img.format(), QImage::Format_ARGB32);
    EXPECT_EQ(img.constScanLine(0)[3], 0x7f);
    InitPictureFormats();
    const QString dir = testsupport::freshDir(QStringLiteral("rla"));
    QFile f(dir + "/matte.rpf");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(RLAFile(5, 5, 0, 0, 3, 1, {{p, p, p, p}}));
    f.close();
    TPicture picture;
    picture.LoadFromFile(dir + "/matte.rpf");
    EXPECT_EQ(picture.Graphic()->ClassName(), "TRLAGraphic");
    EXPECT_EQ(picture.Bitmap()->PixelFormat(), pf32bit);
}

TEST(RLAReader, DamagedFilesGiveTheReadersMessage)
{
    const QByteArray p("\x01\x22", 2);
    const QByteArray good = RLAFile(0, 1, 0, 0, 3, 0, {{p, p, p}});
    QByteArray offsetOutside = good;
    PutBE32(offsetOutside, 740, 99999);
    QByteArray lengthOutside = good;
    PutBE16(lengthOutside, 744, 5000);
    const DamagedCase cases[] = {
        {"empty", QByteArray(), "Stream read error"},
        {"header cut short", good.left(700), "Stream read error"},
        {"two channels", RLAFile(0, 1, 0, 0, 2, 0, {{p, p}}), kNotRLA},
        {"five channels", RLAFile(0, 1, 0, 0, 5, 0, {{p, p, p}}), kNotRLA},
        {"right before left", RLAFile(4, 1, 0, 0, 3, 0, {{p, p, p}}), kNotRLA},
        {"row table cut short", RLAFile(0, 1, 0, 300, 3, 0, {{p, p, p}}), "Stream read error"},
        {"row offset outside the file", offsetOutside, "Stream read error"},
        {"packed length past the end", lengthOutside, "Stream read error"},
        {"row short of the width", RLAFile(0, 3, 0, 0, 3, 0, {{p, p, p}}), "Stream read error"},
        {"huge width from a small file", RLAFile(-32768, 32767, -32768, 32767, 3, 0, {{p, p, p}}),
         "Stream read error"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DecodeError(RLA, c.bytes), c.message) << c.what;
}

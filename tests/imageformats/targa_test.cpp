#include <string_view>
#include "imageformats/picture_formats.h"
#include "imageformats/targa_graphic.h"
#include "platform/message_box.h"
#include "platform/picture.h"
#include "reader_test_util.h"
#include "support/test_support.h"

#include <QBuffer>
#include <QFile>

using namespace readertest;

namespace {

const char* const kInvalid = "Targa: invalid image";

QImage TGA(const uint8_t* d, size_t n)
{
    return imgread::DecodeTarga(d, n);
}

QImage TGAFromSource(imgread::PictureSource& source)
{
    return imgread::DecodeTarga(source);
}

QByteArray Header(int type, int bits, int w, int h, int descriptor, int mapType = 0, int mapLength = 0,
                  int mapBits = 0)
{
    QByteArray b(18, '\0');
    b[1] = char(mapType);
    b[2] = char(type);
    PutLE16(b, 5, uint16_t(mapLength));
    b[7] = char(mapBits);
    PutLE16(b, 12, uint16_t(w));
    PutLE16(b, 14, uint16_t(h));
    b[16] = char(bits);
    b[17] = char(descriptor);
    return b;
}

}   // namespace

TEST(TargaReader, MatchesReferenceDecoder)
{
    const char* files[] = {"tga_rgb24_raw_top.tga",   "tga_rgb24_raw_bottom.tga", "tga_rgb24_rle_top.tga",
                           "tga_rgb24_rle_bottom.tga", "tga_rgb24_rle_im.tga",     "tga_grey8_raw.tga",
                           "tga_grey8_rle.tga",        "tga_grey8_raw_top.tga",    "tga_grey8_rle_top.tga",
                           "tga_pal8_raw.tga",         "tga_pal8_rle.tga",         "tga_pal8_raw_bottom.tga",
                           "tga_pal8_rle_bottom.tga",  "tga_rgb16_raw.tga",        "tga_rgb16_rle.tga",
                           "tga_rgb16_raw_top.tga",    "tga_rgb16_rle_top.tga",
                           // A colour map whose first entry is index 40.
                           "tga_pal8_mapfirst.tga"};
    for (const char* f : files) {
        SCOPED_TRACE(f);
        // Five-bit channels widen differently from decoder to decoder: allow one step.
        const int tolerance = std::string_view(f).find("16") != std::string_view::npos ? 8 : 0;
        EXPECT_TRUE(SamePixels(Decode(TGA, Fixture(f)), Reference(f), tolerance));
        EXPECT_TRUE(SameFromDevice(TGA, TGAFromSource, Fixture(f), kInvalid));
    }
    // Both orientations, raw or run-length, give the same picture at every depth.
    const char* same[][4] = {
        {"tga_rgb24_raw_top.tga", "tga_rgb24_raw_bottom.tga", "tga_rgb24_rle_top.tga", "tga_rgb24_rle_bottom.tga"},
        {"tga_grey8_raw_top.tga", "tga_grey8_raw.tga", "tga_grey8_rle_top.tga", "tga_grey8_rle.tga"},
        {"tga_pal8_raw.tga", "tga_pal8_raw_bottom.tga", "tga_pal8_rle.tga", "tga_pal8_rle_bottom.tga"},
        {"tga_rgb16_raw_top.tga", "tga_rgb16_raw.tga", "tga_rgb16_rle_top.tga", "tga_rgb16_rle.tga"},
        {"tga_rgba32_raw_top.tga", "tga_rgba32_raw.tga", "tga_rgba32_rle_top.tga", "tga_rgba32_rle.tga"},
    };
    for (const auto& group : same) {
        SCOPED_TRACE(group[0]);
        const QImage first = Decode(TGA, Fixture(group[0]));
        for (int i = 1; i < 4; ++i)
            EXPECT_EQ(Decode(TGA, Fixture(group[i])), first) << group[i];
    }
}

TEST(TargaReader, ThirtyTwoBitsKeepAlpha)
{
    for (const char* f : {"tga_rgba32_raw.tga", "tga_rgba32_rle.tga", "tga_rgba32_raw_top.tga", "tga_rgba32_rle_top.tga"}) {
        SCOPED_TRACE(f);
        const QImage img = Decode(TGA, Fixture(f));
        ASSERT_EQ(img.format(), QImage::Format_ARGB32);
        QByteArray want = Fixture(QString::fromLatin1(f) + ".pam");
        want = want.mid(want.indexOf("ENDHDR\n") + 7);
        QByteArray got;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QRgb c = img.pixel(x, y);
                got.append(char(qRed(c))).append(char(qGreen(c))).append(char(qBlue(c))).append(char(qAlpha(c)));
            }
        EXPECT_EQ(got, want);
    }
}

TEST(TargaReader, HandMadeEdgeCases)
{
    // A 16-bit colour map entry 0x7FFF gives (248, 248, 248).
    QByteArray b = Header(1, 8, 1, 1, 0, 1, 1, 16);
    b.append("\xff\x7f", 2).append('\0');
    EXPECT_EQ(Decode(TGA, b).pixel(0, 0), qRgb(248, 248, 248));

    // A run packet crossing the row end fills the next row (4 x 2, one run of 8 pixels).
    b = Header(11, 8, 4, 2, 0x20);
    b.append(char(0x87)).append(char(77));
    QImage img = Decode(TGA, b);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(qGray(img.pixel(i % 4, i / 4)), 77) << i;

    // A raw packet across rows, then a run: rows come in file order (bottom-up here).
    b = Header(11, 8, 3, 2, 0);
    b.append(char(4)).append("\x01\x02\x03\x04\x05", 5).append(char(0x80)).append(char(6));
    img = Decode(TGA, b);
    EXPECT_EQ(qGray(img.pixel(0, 1)), 1);
    EXPECT_EQ(qGray(img.pixel(2, 1)), 3);
    EXPECT_EQ(qGray(img.pixel(0, 0)), 4);
    EXPECT_EQ(qGray(img.pixel(2, 0)), 6);

    // A colour map of 300 entries: 256 are used, the rest passed over.
    b = Header(1, 8, 1, 1, 0, 1, 300, 24);
    for (int i = 0; i < 300; ++i)
        b.append(char(i)).append(char(i)).append(char(i));
    b.append(char(255));
    EXPECT_EQ(Decode(TGA, b).pixel(0, 0), qRgb(255, 255, 255));

    // A map of 10 entries from index 250: pixel 255 takes entry 5; the four entries past 255
    // have no index and are passed over.
    b = Header(1, 8, 2, 1, 0, 1, 10, 24);
    PutLE16(b, 3, 250);
    for (int i = 0; i < 10; ++i)
        b.append(char(10 * i)).append(char(i)).append(char(1));
    b.append(char(255)).append(char(250));
    img = Decode(TGA, b);
    EXPECT_EQ(img.pixel(0, 0), qRgb(1, 5, 50));
    EXPECT_EQ(img.pixel(1, 0), qRgb(1, 0, 0));

    // The identification text is kept.
    b = Header(2, 24, 1, 1, 0);
    b[0] = 5;
    b.append("hello").append("\x01\x02\x03", 3);
    QByteArray id;
    imgread::DecodeTarga(reinterpret_cast<const uint8_t*>(b.constData()), size_t(b.size()), &id);
    EXPECT_EQ(id, "hello");
}

TEST(TargaReader, DamagedFiles)
{
    QByteArray raw = Header(2, 24, 4, 4, 0) + QByteArray(48, 'x');
    ASSERT_EQ(DecodeError(TGA, raw), "");
    QByteArray rle = Header(10, 24, 4, 4, 0);
    rle.append(char(0xFF)).append("abc");
    ASSERT_EQ(DecodeError(TGA, rle), "");

    const std::vector<DamagedCase> cases = {
        {"empty", QByteArray(), kInvalid},
        {"short header", raw.left(10), kInvalid},
        {"short raw row", raw.left(raw.size() - 1), kInvalid},
        {"run-length data ends early", rle.left(rle.size() - 1), kInvalid},
        {"run-length data missing", rle.left(18), kInvalid},
        {"width 0", Header(2, 24, 0, 4, 0) + QByteArray(48, 'x'), kInvalid},
        {"height 0", Header(2, 24, 4, 0, 0) + QByteArray(48, 'x'), kInvalid},
        {"huge size from a tiny file", Header(10, 32, 65535, 65535, 0) + QByteArray("\xff\1\2\3\4", 5),
         kInvalid},
        {"pixel size 12", Header(2, 12, 4, 4, 0) + QByteArray(48, 'x'), kInvalid},
        {"image type 0", Header(0, 24, 4, 4, 0) + QByteArray(48, 'x'), kInvalid},
        {"image type 4", Header(4, 24, 4, 4, 0) + QByteArray(48, 'x'), kInvalid},
        {"colour map past the end", Header(1, 8, 4, 4, 0, 1, 65535, 24) + QByteArray(64, 'x'), kInvalid},
        {"identification past the end", QByteArray("\xff") + raw.mid(1, 17), kInvalid},
        {"mapped 16-bit indices", Header(1, 16, 2, 2, 0, 1, 2, 24) + QByteArray(14, 'x'), kInvalid},
        {"raw data ends in the first row", raw.left(25), kInvalid},
        {"run-length data ends in a pixel", rle.left(20), kInvalid},
        {"16-bit grey raw data ends in a row", Header(3, 16, 3, 2, 0) + QByteArray(9, 'x'), kInvalid},
    };
    for (const DamagedCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(DecodeError(TGA, c.bytes), c.message);
        EXPECT_TRUE(SameFromDevice(TGA, TGAFromSource, c.bytes, c.message));
    }
}

TEST(TargaReader, LargeFilesReadAsTheyDecode)
{
    // Pictures of several times the reading window's size (a quarter megabyte), at an odd width, with
    // packets of many lengths running across rows: read from a file as they decode, they give
    // what they give from memory, and the stream stands just after the picture.
    for (const int bytesPerPixel : {1, 2, 3, 4}) {
        for (const bool compressed : {false, true}) {
            SCOPED_TRACE(testing::Message() << bytesPerPixel << (compressed ? " run-length" : " raw"));
            const int width = 1203, height = 900;
            QImage picture(width, height,
                           bytesPerPixel == 1   ? QImage::Format_Indexed8
                           : bytesPerPixel == 2 ? QImage::Format_RGB555
                           : bytesPerPixel == 3 ? QImage::Format_BGR888
                                                : QImage::Format_ARGB32);
            if (bytesPerPixel == 1)
                picture.setColorTable(imgread::GreyTable());
            for (int y = 0; y < height; ++y) {
                uchar* line = picture.scanLine(y);
                for (int i = 0; i < width * bytesPerPixel; ++i)
                    line[i] = uchar((i / (1 + y % 40)) * 37 + y);
                if (bytesPerPixel == 2)
                    for (int x = 0; x < width; ++x)
                        line[2 * x + 1] &= 0x7F;
            }
            QByteArray file = imgread::EncodeTarga(picture, bytesPerPixel, compressed, "id");
            EXPECT_EQ(Decode(TGA, file), picture);
            file.append("after");
            QBuffer device(&file);
            device.open(QIODevice::ReadOnly);
            TTargaGraphic g;
            g.LoadFromStream(device);
            EXPECT_TRUE(SamePixels(g.image(), picture));
            EXPECT_EQ(device.pos(), file.size() - 5);
            EXPECT_TRUE(SameFromDevice(TGA, TGAFromSource, file, kInvalid));
            EXPECT_TRUE(SameFromDevice(TGA, TGAFromSource, file.chopped(5 + width / 2), kInvalid));
        }
    }
}

// The writer's files for these cases are kept beside the fixtures with the reference decoder's
// pixels for them (tga_written_*.tga.ppm): a written file must be the same bytes, so that the
// reference decoder reads it as the picture written.
TEST(TargaWriter, FilesReadBackByReferenceDecoder)
{
    InitPictureFormats();
    const QString dir = testsupport::freshDir(QStringLiteral("tga"));
    // Pictures of each depth the writer takes, from fixtures.
    struct {
        const char* source;
        TPixelFormat format;
        const char* written;
    } cases[] = {{"tga_rgb24_raw_top.tga", pf24bit, "rgb24"}, {"tga_pal8_raw.tga", pf8bit, "pal8"},
                 {"tga_rgb16_raw.tga", pf15bit, "rgb15"},     {"tga_rgb24_raw_top.tga", pf32bit, "rgb32"},
                 {"tga_rgb24_raw_top.tga", pf16bit, "rgb16"}};
    for (const auto& c : cases) {
        for (bool compressed : {false, true}) {
            const QString name =
                QStringLiteral("tga_written_%1_%2.tga").arg(QLatin1String(c.written), compressed ? "rle" : "raw");
            SCOPED_TRACE(name.toStdString());
            TTargaGraphic g;
            QByteArray src = Fixture(c.source);
            QBuffer in(&src);
            in.open(QIODevice::ReadOnly);
            g.LoadFromStream(in);
            g.SetPixelFormat(c.format);
            const QString path = dir + QLatin1Char('/') + name;
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            g.SaveToStream(f, compressed);
            f.close();
            QFile back(path);
            ASSERT_TRUE(back.open(QIODevice::ReadOnly));
            const QByteArray written = back.readAll();
            ASSERT_GE(written.size(), 18);
            EXPECT_EQ(uchar(written[17]) & 0x20, 0x20);   // top-down
            const bool mapped = c.format == pf8bit;
            EXPECT_EQ(uchar(written[1]), mapped ? 1 : 0);
            EXPECT_EQ(uchar(written[2]), (compressed ? 8 : 0) + (mapped ? 1 : 2));
            if (!mapped) { // no colour map: its fields are zero
                EXPECT_EQ(written.mid(3, 5), QByteArray(5, '\0'));
            }
            EXPECT_TRUE(written == Fixture(name)) << "the writer's file differs from the kept one: " << path.toStdString();
            // 5-bit channels widen to 8 bits a little differently in each decoder.
            const bool fiveBits = c.format == pf15bit || c.format == pf16bit;
            EXPECT_TRUE(SamePixels(g.ToImage(), Reference(name), fiveBits ? 8 : 0));
            // And our reader gives the bitmap back.
            EXPECT_TRUE(SamePixels(Decode(TGA, written), g.ToImage(), fiveBits ? 8 : 0));
        }
    }
}

TEST(TargaWriter, OneBitAsksBeforeConverting)
{
    TTargaGraphic g;
    g.SetSize(10, 3);
    g.SetPixelFormat(pf1bit);
    QString asked;
    int answer = mrCancel;
    SetMessageBoxHandler([&](const MessageBoxCall& call) {
        asked = call.text;
        return answer;
    });
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    g.SaveToStream(buffer, true);
    EXPECT_EQ(asked, "Targa image: 1 or 4 bit color depth not allowed. Convert to 256 colors?");
    EXPECT_TRUE(out.isEmpty());
    answer = mrOk;
    g.SaveToStream(buffer, false);
    SetMessageBoxHandler(nullptr);
    ASSERT_EQ(out.size(), 18 + 768 + 30);
    EXPECT_EQ(uchar(out[1]), 1);
    EXPECT_EQ(uchar(out[16]), 8);
    EXPECT_EQ(g.PixelFormat(), pf1bit);
}

TEST(TargaWriter, EncodeRunsOfEveryDepth)
{
    // A picture of runs and noise round-trips at every depth, compressed and not.
    QImage src(37, 5, QImage::Format_RGB32);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 37; ++x)
            src.setPixel(x, y, (x / 5) % 2 ? qRgb(10, 20, 30) : qRgb(x * 7, y * 40, (x * y) % 256));
    struct {
        QImage img;
        int bpp;
    } cases[] = {{src.convertToFormat(QImage::Format_Indexed8), 1},
                 {src.convertToFormat(QImage::Format_RGB555), 2},
                 {src.convertToFormat(QImage::Format_BGR888), 3},
                 {src, 4}};
    for (const auto& c : cases)
        for (bool compressed : {false, true}) {
            SCOPED_TRACE(c.bpp);
            const QByteArray file = imgread::EncodeTarga(c.img, c.bpp, compressed, "id");
            EXPECT_TRUE(SamePixels(Decode(TGA, file), c.img));
        }
}

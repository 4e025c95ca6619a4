// bench/picture_decode must describe and dump the pixels of every kind of graphic the picture
// registry gives, not only bitmaps (a JPEG once showed as "0x0 (TBitmap)" with an empty dump).
#include "imageformats/picture_formats.h"
#include "platform/picture.h"
#include "reader_test_util.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

using namespace readertest;

namespace {

QString BenchProgram()
{
    return QDir(QStringLiteral(KORVANE_BIN_DIR)).absoluteFilePath(QStringLiteral("../bench/picture_decode"));
}

QString PicturePath(const QString& name)
{
    return name.contains(QLatin1Char('/')) ? QStringLiteral(KORVANE_FIXTURES_DIR "/") + name : FixturePath(name);
}

}   // namespace

TEST(PictureDecodeBench, ReportsAndDumpsEveryKindOfGraphic)
{
    if (!QFileInfo(BenchProgram()).isExecutable())
        GTEST_SKIP() << "benchmarks not built";
    InitPictureFormats();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const char* files[] = {"pictures/quadrants.jpg", "pictures/small.ico",  "pictures/quadrants_rle8.bmp",
                           "tiff_rgb_tiled.tif",     "tga_pal8_mapfirst.tga", "gif_plain.gif",
                           "pcx_pal4.pcx",           "pnm_raw.pbm",          "psd_cmyk_rle.psd",
                           "sgi_rgba8_rle.rgba"};
    for (const char* f : files) {
        SCOPED_TRACE(f);
        const QString path = PicturePath(QString::fromLatin1(f));
        TPicture picture;
        picture.LoadFromFile(path);
        ASSERT_FALSE(picture.Empty());

        const QString dump = dir.filePath(QStringLiteral("dump.ppm"));
        QProcess bench;
        bench.start(BenchProgram(), {path, QStringLiteral("--dump"), dump, QStringLiteral("--repeat"), QStringLiteral("1")});
        ASSERT_TRUE(bench.waitForFinished(60000));
        ASSERT_EQ(bench.exitCode(), 0) << bench.readAllStandardError().toStdString();
        const QString line = QString::fromLocal8Bit(bench.readAllStandardOutput());
        EXPECT_TRUE(line.contains(QStringLiteral(": %1x%2 ").arg(picture.Width()).arg(picture.Height())))
            << line.toStdString();
        EXPECT_TRUE(line.contains(QStringLiteral("(%1)").arg(picture.Graphic()->ClassName()))) << line.toStdString();

        const QImage dumped(dump, "PPM");
        EXPECT_TRUE(SamePixels(dumped, picture.Graphic()->ToImage()));
    }
}

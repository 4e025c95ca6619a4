// bench/picture_decode FILE [--dump OUT.ppm] [--repeat N]
// Decodes a picture file through the picture registry, as every picture load of the program
// does, prints the size, the pixel format and the best time of N loads, and can write the
// decoded pixels out as a raw PPM (P6, alpha dropped) for comparison with other decoders.
#include <QApplication>
#include <QFile>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/peak_memory.h"
#include "imageformats/picture_formats.h"
#include "platform/bitmap.h"
#include "platform/picture.h"

namespace {

const char* const kUsage = "usage: picture_decode FILE [--dump OUT.ppm] [--repeat N]\n";

bool WritePPM(const QImage& picture, const QString& path)
{
    const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    f.write(QByteArray("P6\n") + QByteArray::number(rgb.width()) + ' ' + QByteArray::number(rgb.height())
            + "\n255\n");
    for (int y = 0; y < rgb.height(); ++y)
        f.write(reinterpret_cast<const char*>(rgb.constScanLine(y)), qint64(rgb.width()) * 3);
    return f.error() == QFile::NoError;
}

const char* PixelFormatName(TPixelFormat f)
{
    switch (f) {
    case pfDevice: return "device";
    case pf1bit: return "1-bit";
    case pf4bit: return "4-bit";
    case pf8bit: return "8-bit";
    case pf15bit: return "15-bit";
    case pf16bit: return "16-bit";
    case pf24bit: return "24-bit";
    case pf32bit: return "32-bit";
    default: return "custom";
    }
}

// Bitmaps by their pixel format; other graphics (JPEG, icons) by the depth of their pixels.
QByteArray FormatName(const TGraphic& graphic, const QImage& pixels)
{
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&graphic))
        return PixelFormatName(bitmap->PixelFormat());
    return QByteArray::number(pixels.depth()) + "-bit";
}

}   // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QString file, dump;
    int repeat = 3;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dump") == 0 && i + 1 < argc) {
            dump = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (file.isEmpty() && argv[i][0] != '-') {
            file = QString::fromLocal8Bit(argv[i]);
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (file.isEmpty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    FakeInitPictureFormatsLib();

    std::vector<double> times;
    TPicture picture;
    for (int i = 0; i < repeat; ++i) {
        TPicture p;
        const auto start = std::chrono::steady_clock::now();
        try {
            p.LoadFromFile(file);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(file), e.what());
            return 1;
        }
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (i == repeat - 1)
            picture.Assign(p.Graphic());
    }
    std::sort(times.begin(), times.end());
    const double peak = PeakResidentMB(); // the loads alone, before the pixels are converted below
    // Every class the registry can give, not only bitmaps: a JPEG stays a JPEG picture.
    const TGraphic* graphic = picture.Graphic();
    const QImage pixels = graphic ? graphic->ToImage() : QImage();
    std::printf("%s: %dx%d %s (%s), best %.2f ms, median %.2f ms of %d, peak RSS %.1f MB\n", qPrintable(file),
                picture.Width(), picture.Height(), graphic ? FormatName(*graphic, pixels).constData() : "empty",
                graphic ? qPrintable(graphic->ClassName()) : "none", times.front(), times[times.size() / 2], repeat, peak);
    if (!dump.isEmpty() && !WritePPM(pixels, dump)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(dump));
        return 1;
    }
    return 0;
}

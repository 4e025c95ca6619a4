// bench/picture_decode FILE [--dump OUT.ppm] [--repeat N] [--cpu]
// Decodes a picture file through the picture registry, as every picture load of the program
// does, prints the size, the pixel format, the time of the process's first load, the best time
// of N loads and the peak memory the loads added, and can write the decoded pixels out as a raw
// PPM (P6, alpha dropped) for comparison with other decoders. With --cpu the times are the
// decoding thread's processor time (the system's page faults and reads included), which other
// programs busy on the same core do not stretch.
#include <QApplication>
#include <QFile>
#include <QImage>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <vector>

#include "bench/peak_memory.h"
#include "imageformats/picture_formats.h"
#include "platform/bitmap.h"
#include "platform/picture.h"

namespace {

const char* const kUsage = "usage: picture_decode FILE [--dump OUT.ppm] [--repeat N] [--cpu]\n";

double NowMs(bool cpu)
{
    if (cpu) {
        timespec t{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

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
    bool cpu = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--dump") == 0 && i + 1 < argc) {
            dump = QString::fromLocal8Bit(argv[++i]);
        } else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--cpu") == 0) {
            cpu = true;
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
    const double before = PeakResidentMB();
    for (int i = 0; i < repeat; ++i) {
        TPicture p;
        const double start = NowMs(cpu);
        try {
            p.LoadFromFile(file);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(file), e.what());
            return 1;
        }
        times.push_back(NowMs(cpu) - start);
        if (i == repeat - 1)
            picture.Assign(p.Graphic());
    }
    const double first = times.front();
    std::sort(times.begin(), times.end());
    const double peak = PeakResidentMB(); // the loads alone, before the pixels are converted below
    // Every class the registry can give, not only bitmaps: a JPEG stays a JPEG picture.
    const TGraphic* graphic = picture.Graphic();
    const QImage pixels = graphic ? graphic->ToImage() : QImage();
    std::printf("%s: %dx%d %s (%s), %sfirst %.2f ms, best %.2f ms, median %.2f ms of %d, peak RSS %.1f MB, "
                "added by the loads %.1f MB\n",
                qPrintable(file), picture.Width(), picture.Height(),
                graphic ? FormatName(*graphic, pixels).constData() : "empty",
                graphic ? qPrintable(graphic->ClassName()) : "none", cpu ? "processor time: " : "", first,
                times.front(), times[times.size() / 2], repeat, peak, peak - before);
    if (!dump.isEmpty() && !WritePPM(pixels, dump)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(dump));
        return 1;
    }
    return 0;
}

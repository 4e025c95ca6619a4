#include "imageformats/resampling.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

namespace {

struct TContributor {
    int Pixel;
    int Weight;
};
using TContributorList = std::vector<std::vector<TContributor>>;

double Sinc(double x)
{
    if (x == 0)
        return 1;
    x *= std::numbers::pi;
    return std::sin(x) / x;
}

// Weights (scaled by 256) of the source pixels that make each target pixel along one axis.
TContributorList Contributors(int sourceSize, int targetSize, TResamplingFilter filter, double radius)
{
    double scale;
    if (sourceSize == 1)
        scale = targetSize;
    else if (targetSize == 1)
        scale = 1.0 / sourceSize;   // one pixel: the filtered centre of the whole row
    else
        scale = double(targetSize - 1) / double(sourceSize - 1);
    const double reach = scale >= 1 ? radius : radius / scale;
    const double filterScale = scale >= 1 ? 1 : scale;

    TContributorList list(static_cast<size_t>(targetSize));
    for (int i = 0; i < targetSize; ++i) {
        const double centre = targetSize == 1 ? (sourceSize - 1) / 2.0 : i / scale;
        const int left = int(std::floor(centre - reach));
        const int right = int(std::ceil(centre + reach));
        auto& c = list[size_t(i)];
        c.reserve(size_t(right - left + 1));
        for (int j = left; j <= right; ++j) {
            const int weight =
                int(std::lround(ResamplingFilterValue(filter, (centre - j) * filterScale) * filterScale * 256));
            if (weight == 0)
                continue;
            int n = j < 0 ? -j : j >= sourceSize ? 2 * sourceSize - j - 1 : j;
            // Wide filters on tiny sources reach beyond one mirror image.
            n = std::clamp(n, 0, sourceSize - 1);
            c.push_back({n, weight});
        }
    }
    return list;
}

inline uint8_t Channel(int sum, int total)
{
    const int v = total != 0 ? sum / total : sum >> 8;
    return uint8_t(std::clamp(v, 0, 255));
}

// One axis: each target pixel of a line from the contributors of the source line.
void ResampleLine(const uint8_t* src, int srcStep, uint8_t* dst, int dstStep,
                  const TContributorList& list)
{
    for (size_t i = 0; i < list.size(); ++i) {
        int r = 0, g = 0, b = 0, total = 0;
        for (const TContributor& c : list[i]) {
            const uint8_t* p = src + ptrdiff_t(c.Pixel) * srcStep;
            b += p[0] * c.Weight;
            g += p[1] * c.Weight;
            r += p[2] * c.Weight;
            total += c.Weight;
        }
        uint8_t* d = dst + ptrdiff_t(i) * dstStep;
        d[0] = Channel(b, total);
        d[1] = Channel(g, total);
        d[2] = Channel(r, total);
    }
}

// A 24-bit image of the resampler. Qt gives a null image when it has no memory for it; that
// fails with the picture error the readers give, as does a size beyond the picture limit.
QImage NewWorkImage(int width, int height)
{
    if (int64_t(width) * height > GraphicPixelLimit())
        throw EInvalidGraphic(SOutOfResources);
    QImage image(width, height, QImage::Format_BGR888);
    if (image.isNull())
        throw EInvalidGraphic(SOutOfResources);
    return image;
}

}   // namespace

double ResamplingFilterValue(TResamplingFilter filter, double x)
{
    const double a = std::fabs(x);
    switch (filter) {
    case sfBox:
        return (x > -0.5 && x <= 0.5) ? 1 : 0;
    case sfTriangle:
        return a < 1 ? 1 - a : 0;
    case sfHermite:
        return a < 1 ? (2 * a - 3) * x * x + 1 : 0;
    case sfBell:
        if (a < 0.5)
            return 0.75 - x * x;
        if (a < 1.5)
            return 0.5 * (a - 1.5) * (a - 1.5);
        return 0;
    case sfSpline:
        if (a < 1)
            return 0.5 * a * a * a - x * x + 2.0 / 3.0;
        if (a < 2)
            return (2 - a) * (2 - a) * (2 - a) / 6;
        return 0;
    case sfLanczos3:
        return a < 3 ? Sinc(x) * Sinc(x / 3) : 0;
    case sfMitchell:
        if (a < 1)
            return (7 * a * a * a - 12 * x * x + 16.0 / 3.0) / 6;
        if (a < 2)
            return (-7.0 / 3.0 * a * a * a + 12 * x * x - 20 * a + 32.0 / 3.0) / 6;
        return 0;
    }
    return 0;
}

double ResamplingFilterRadius(TResamplingFilter filter)
{
    switch (filter) {
    case sfBox: return 0.5;
    case sfTriangle: return 1;
    case sfHermite: return 1;
    case sfBell: return 1.5;
    case sfSpline: return 2;
    case sfLanczos3: return 3;
    case sfMitchell: return 2;
    }
    return 1;
}

QImage StretchImage(const QImage& source, int newWidth, int newHeight, TResamplingFilter filter,
                    double radius)
{
    if (newWidth < 1 || newHeight < 1 || source.isNull() || source.width() < 1 || source.height() < 1)
        return QImage();
    if (radius <= 0)
        radius = ResamplingFilterRadius(filter);
    const QImage src = source.convertToFormat(QImage::Format_BGR888);
    if (src.isNull())
        throw EInvalidGraphic(SOutOfResources);
    const int sourceWidth = src.width(), sourceHeight = src.height();

    // Pass 1: rows to the new width; pass 2: columns to the new height. Each image is made
    // before the weights of its pass, which grow with its size too.
    QImage work = NewWorkImage(newWidth, sourceHeight);
    const TContributorList horizontal = Contributors(sourceWidth, newWidth, filter, radius);
    for (int y = 0; y < sourceHeight; ++y)
        ResampleLine(src.constScanLine(y), 3, work.scanLine(y), 3, horizontal);

    QImage target = NewWorkImage(newWidth, newHeight);
    const TContributorList vertical = Contributors(sourceHeight, newHeight, filter, radius);
    const int workStride = int(work.bytesPerLine());
    const int targetStride = int(target.bytesPerLine());
    for (int x = 0; x < newWidth; ++x)
        ResampleLine(work.constBits() + 3 * x, workStride, target.bits() + 3 * x, targetStride, vertical);
    return target;
}

void Stretch(int newWidth, int newHeight, TResamplingFilter filter, double radius, TBitmap* source,
             TBitmap* target)
{
    if (!source || !target)
        return;
    source->SetPixelFormat(pf24bit);
    const QImage result = StretchImage(source->image(), newWidth, newHeight, filter, radius);
    target->Clear();
    target->SetPixelFormat(pf24bit);
    if (!result.isNull())
        target->SetImage(result);
}

void Stretch(int newWidth, int newHeight, TResamplingFilter filter, double radius, TBitmap* source)
{
    if (!source)
        return;
    TBitmap temp;
    Stretch(newWidth, newHeight, filter, radius, source, &temp);
    source->Assign(temp);
}

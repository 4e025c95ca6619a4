#include "imageformats/resampling.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

struct TContributor {
    int Pixel;
    int Weight;
};
using TContributorList = std::vector<std::vector<TContributor>>;

double Sinc(double X)
{
    if (X == 0)
        return 1;
    X *= std::numbers::pi;
    return std::sin(X) / X;
}

// Weights (scaled by 256) of the source pixels that make each target pixel along one axis.
TContributorList Contributors(int SourceSize, int TargetSize, TResamplingFilter Filter, double Radius)
{
    double Scale;
    if (SourceSize == 1)
        Scale = TargetSize;
    else if (TargetSize == 1)
        Scale = 1.0 / SourceSize;   // one pixel: the filtered centre of the whole row
    else
        Scale = double(TargetSize - 1) / double(SourceSize - 1);
    const double Width = Scale >= 1 ? Radius : Radius / Scale;
    const double FScale = Scale >= 1 ? 1 : Scale;

    TContributorList List(static_cast<size_t>(TargetSize));
    for (int i = 0; i < TargetSize; ++i) {
        const double Centre = TargetSize == 1 ? (SourceSize - 1) / 2.0 : i / Scale;
        const int Left = int(std::floor(Centre - Width));
        const int Right = int(std::ceil(Centre + Width));
        auto& C = List[size_t(i)];
        C.reserve(size_t(Right - Left + 1));
        for (int j = Left; j <= Right; ++j) {
            const int Weight =
                int(std::lround(ResamplingFilterValue(Filter, (Centre - j) * FScale) * FScale * 256));
            if (Weight == 0)
                continue;
            int N = j < 0 ? -j : j >= SourceSize ? 2 * SourceSize - j - 1 : j;
            // Wide filters on tiny sources reach beyond one mirror image.
            N = std::clamp(N, 0, SourceSize - 1);
            C.push_back({N, Weight});
        }
    }
    return List;
}

inline uint8_t Channel(int Sum, int Total)
{
    const int V = Total != 0 ? Sum / Total : Sum >> 8;
    return uint8_t(std::clamp(V, 0, 255));
}

// One axis: each target pixel of a line from the contributors of the source line.
void ResampleLine(const uint8_t* Src, int SrcStep, uint8_t* Dst, int DstStep,
                  const TContributorList& List)
{
    for (size_t i = 0; i < List.size(); ++i) {
        int R = 0, G = 0, B = 0, Total = 0;
        for (const TContributor& C : List[i]) {
            const uint8_t* P = Src + ptrdiff_t(C.Pixel) * SrcStep;
            B += P[0] * C.Weight;
            G += P[1] * C.Weight;
            R += P[2] * C.Weight;
            Total += C.Weight;
        }
        uint8_t* D = Dst + ptrdiff_t(i) * DstStep;
        D[0] = Channel(B, Total);
        D[1] = Channel(G, Total);
        D[2] = Channel(R, Total);
    }
}

}   // namespace

double ResamplingFilterValue(TResamplingFilter Filter, double X)
{
    const double A = std::fabs(X);
    switch (Filter) {
    case sfBox:
        return (X > -0.5 && X <= 0.5) ? 1 : 0;
    case sfTriangle:
        return A < 1 ? 1 - A : 0;
    case sfHermite:
        return A < 1 ? (2 * A - 3) * X * X + 1 : 0;
    case sfBell:
        if (A < 0.5)
            return 0.75 - X * X;
        if (A < 1.5)
            return 0.5 * (A - 1.5) * (A - 1.5);
        return 0;
    case sfSpline:
        if (A < 1)
            return 0.5 * A * A * A - X * X + 2.0 / 3.0;
        if (A < 2)
            return (2 - A) * (2 - A) * (2 - A) / 6;
        return 0;
    case sfLanczos3:
        return A < 3 ? Sinc(X) * Sinc(X / 3) : 0;
    case sfMitchell:
        if (A < 1)
            return (7 * A * A * A - 12 * X * X + 16.0 / 3.0) / 6;
        if (A < 2)
            return (-7.0 / 3.0 * A * A * A + 12 * X * X - 20 * A + 32.0 / 3.0) / 6;
        return 0;
    }
    return 0;
}

double ResamplingFilterRadius(TResamplingFilter Filter)
{
    switch (Filter) {
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

QImage StretchImage(const QImage& Source, int NewWidth, int NewHeight, TResamplingFilter Filter,
                    double Radius)
{
    if (NewWidth < 1 || NewHeight < 1 || Source.isNull() || Source.width() < 1 || Source.height() < 1)
        return QImage();
    if (Radius <= 0)
        Radius = ResamplingFilterRadius(Filter);
    const QImage Src = Source.convertToFormat(QImage::Format_BGR888);
    const int SW = Src.width(), SH = Src.height();

    // Pass 1: rows to the new width; pass 2: columns to the new height.
    QImage Work(NewWidth, SH, QImage::Format_BGR888);
    const TContributorList Horizontal = Contributors(SW, NewWidth, Filter, Radius);
    for (int y = 0; y < SH; ++y)
        ResampleLine(Src.constScanLine(y), 3, Work.scanLine(y), 3, Horizontal);

    QImage Target(NewWidth, NewHeight, QImage::Format_BGR888);
    const TContributorList Vertical = Contributors(SH, NewHeight, Filter, Radius);
    const int WorkStride = int(Work.bytesPerLine());
    const int TargetStride = int(Target.bytesPerLine());
    for (int x = 0; x < NewWidth; ++x)
        ResampleLine(Work.constBits() + 3 * x, WorkStride, Target.bits() + 3 * x, TargetStride, Vertical);
    return Target;
}

void Stretch(int NewWidth, int NewHeight, TResamplingFilter Filter, double Radius, TBitmap* Source,
             TBitmap* Target)
{
    if (!Source || !Target)
        return;
    Source->SetPixelFormat(pf24bit);
    const QImage Result = StretchImage(Source->image(), NewWidth, NewHeight, Filter, Radius);
    Target->Clear();
    Target->SetPixelFormat(pf24bit);
    if (!Result.isNull())
        Target->SetImage(Result);
}

void Stretch(int NewWidth, int NewHeight, TResamplingFilter Filter, double Radius, TBitmap* Source)
{
    if (!Source)
        return;
    TBitmap Temp;
    Stretch(NewWidth, NewHeight, Filter, Radius, Source, &Temp);
    Source->Assign(Temp);
}

#include "imageformats/picture_formats.h"

#include "platform/picture.h"

#if __has_include("imageformats/tiff_graphic.h")
#include "imageformats/tiff_graphic.h"
#define KV_HAVE_TIFF 1
#endif
#if __has_include("imageformats/targa_graphic.h")
#include "imageformats/targa_graphic.h"
#define KV_HAVE_TARGA 1
#endif
#if __has_include("imageformats/pcx_graphic.h")
#include "imageformats/pcx_graphic.h"
#define KV_HAVE_PCX 1
#endif
#if __has_include("imageformats/sgi_graphic.h")
#include "imageformats/sgi_graphic.h"
#define KV_HAVE_SGI 1
#endif
#if __has_include("imageformats/ppm_graphic.h")
#include "imageformats/ppm_graphic.h"
#define KV_HAVE_PPM 1
#endif
#if __has_include("imageformats/gif_graphic.h")
#include "imageformats/gif_graphic.h"
#define KV_HAVE_GIF 1
#endif
#if __has_include("imageformats/pcd_graphic.h")
#include "imageformats/pcd_graphic.h"
#define KV_HAVE_PCD 1
#endif
#if __has_include("imageformats/rla_graphic.h")
#include "imageformats/rla_graphic.h"
#define KV_HAVE_RLA 1
#endif
#if __has_include("imageformats/psd_graphic.h")
#include "imageformats/psd_graphic.h"
#define KV_HAVE_PSD 1
#endif

#include <algorithm>
#include <cmath>

void SwapWordArray(void* Data, int Count)
{
    auto* P = static_cast<uint8_t*>(Data);
    for (int i = 0; i < Count; ++i, P += 2)
        std::swap(P[0], P[1]);
}

void SwapDWordArray(void* Data, int Count)
{
    auto* P = static_cast<uint8_t*>(Data);
    for (int i = 0; i < Count; ++i, P += 4) {
        std::swap(P[0], P[3]);
        std::swap(P[1], P[2]);
    }
}

uint32_t SwapDWord(uint32_t Value)
{
    return (Value >> 24) | ((Value >> 8) & 0xFF00u) | ((Value << 8) & 0xFF0000u) | (Value << 24);
}

namespace {

inline uint8_t Clamp8(int V)
{
    return uint8_t(V < 0 ? 0 : V > 255 ? 255 : V);
}

// Sample I of a row as 8 bits: 16-bit samples are native words whose high byte is kept.
inline uint8_t Sample(const void* Row, int BitsPerSample, int I)
{
    if (BitsPerSample == 16)
        return uint8_t(static_cast<const uint16_t*>(Row)[I] >> 8);
    return static_cast<const uint8_t*>(Row)[I];
}

}   // namespace

int MulDiv(int A, int B, int C)
{
    if (C == 0)
        return -1;
    int64_t Num = int64_t(A) * B;
    int64_t Den = C;
    const bool Negative = (Num < 0) != (Den < 0);
    Num = Num < 0 ? -Num : Num;
    Den = Den < 0 ? -Den : Den;
    const int64_t Q = (2 * Num + Den) / (2 * Den);
    return int(Negative ? -Q : Q);
}

void ConvertGray16To8(const void* Source, void* Dest, int, int Count)
{
    const auto* S = static_cast<const uint16_t*>(Source);
    auto* D = static_cast<uint8_t*>(Dest);
    for (int i = 0; i < Count; ++i)
        D[i] = uint8_t(S[i] >> 8);
}

void ConvertRGBRow(const void* Source, void* Dest, int BitsPerSample, int Count)
{
    auto* D = static_cast<uint8_t*>(Dest);
    const int Pixels = Count / 3;
    if (BitsPerSample == 16) {
        for (int i = 0; i < Pixels; ++i, D += 3) {
            D[0] = Sample(Source, 16, 3 * i + 2);
            D[1] = Sample(Source, 16, 3 * i + 1);
            D[2] = Sample(Source, 16, 3 * i);
        }
        return;
    }
    const auto* S = static_cast<const uint8_t*>(Source);
    for (int i = 0; i < Pixels; ++i, S += 3, D += 3) {
        D[0] = S[2];
        D[1] = S[1];
        D[2] = S[0];
    }
}

void ConvertRGBARow(const void* Source, void* Dest, int BitsPerSample, int Count)
{
    auto* D = static_cast<uint8_t*>(Dest);
    const int Pixels = Count / 4;
    if (BitsPerSample == 16) {
        for (int i = 0; i < Pixels; ++i, D += 4) {
            D[0] = Sample(Source, 16, 4 * i + 2);
            D[1] = Sample(Source, 16, 4 * i + 1);
            D[2] = Sample(Source, 16, 4 * i);
            D[3] = Sample(Source, 16, 4 * i + 3);
        }
        return;
    }
    const auto* S = static_cast<const uint8_t*>(Source);
    for (int i = 0; i < Pixels; ++i, S += 4, D += 4) {
        D[0] = S[2];
        D[1] = S[1];
        D[2] = S[0];
        D[3] = S[3];
    }
}

void ConvertRGBPlanarRow(const void* const Source[3], void* Dest, int BitsPerSample, int Count)
{
    auto* D = static_cast<uint8_t*>(Dest);
    const int Pixels = Count / 3;
    for (int i = 0; i < Pixels; ++i, D += 3) {
        D[0] = Sample(Source[2], BitsPerSample, i);
        D[1] = Sample(Source[1], BitsPerSample, i);
        D[2] = Sample(Source[0], BitsPerSample, i);
    }
}

void CMYKToBGR(int C, int M, int Y, int K, uint8_t* BGR)
{
    BGR[2] = Clamp8(255 - (C - MulDiv(C, K, 255) + K));
    BGR[1] = Clamp8(255 - (M - MulDiv(M, K, 255) + K));
    BGR[0] = Clamp8(255 - (Y - MulDiv(Y, K, 255) + K));
}

namespace {

inline void CMYK16ToBGR(int C, int M, int Y, int K, uint8_t* BGR)
{
    BGR[2] = Clamp8(255 - ((C - MulDiv(C, K, 65535) + K) >> 8));
    BGR[1] = Clamp8(255 - ((M - MulDiv(M, K, 65535) + K) >> 8));
    BGR[0] = Clamp8(255 - ((Y - MulDiv(Y, K, 65535) + K) >> 8));
}

}   // namespace

void ConvertCMYKRow(const void* Source, void* Dest, int BitsPerSample, int Count)
{
    auto* D = static_cast<uint8_t*>(Dest);
    const int Pixels = Count / 4;
    if (BitsPerSample == 16) {
        const auto* S = static_cast<const uint16_t*>(Source);
        for (int i = 0; i < Pixels; ++i, S += 4, D += 3)
            CMYK16ToBGR(S[0], S[1], S[2], S[3], D);
        return;
    }
    const auto* S = static_cast<const uint8_t*>(Source);
    for (int i = 0; i < Pixels; ++i, S += 4, D += 3)
        CMYKToBGR(S[0], S[1], S[2], S[3], D);
}

void ConvertCMYKPlanarRow(const void* const Source[4], void* Dest, int BitsPerSample, int Count)
{
    auto* D = static_cast<uint8_t*>(Dest);
    const int Pixels = Count / 4;
    if (BitsPerSample == 16) {
        const auto* const* S = reinterpret_cast<const uint16_t* const*>(Source);
        for (int i = 0; i < Pixels; ++i, D += 3)
            CMYK16ToBGR(S[0][i], S[1][i], S[2][i], S[3][i], D);
        return;
    }
    const auto* const* S = reinterpret_cast<const uint8_t* const*>(Source);
    for (int i = 0; i < Pixels; ++i, D += 3)
        CMYKToBGR(S[0][i], S[1][i], S[2][i], S[3][i], D);
}

void LabToBGR(uint8_t L, int8_t A, int8_t B, uint8_t* BGR)
{
    const long double LStar = L / 2.55L;
    const long double Fy = (LStar + 16) / 116;
    long double X, Y, Z;
    if (LStar < 7.9996L) {
        Y = LStar / 903.3L;
        X = A / 3893.5L + Y;
        Z = Y - B / 1557.4L;
    } else {
        X = std::pow(A / 500.0L + Fy, 3);
        Y = Fy * Fy * Fy;
        Z = std::pow(Fy - B / 200.0L, 3);
    }
    const auto Channel = [](long double V) { return Clamp8(int(std::lround(double(255 * V)))); };
    BGR[2] = Channel(2.998L * X - 1.458L * Y - 0.541L * Z);
    BGR[1] = Channel(-0.952L * X + 1.893L * Y + 0.059L * Z);
    BGR[0] = Channel(0.099L * X - 0.198L * Y + 1.099L * Z);
}

void ConvertLabRow(const void* Source, void* Dest, int BitsPerSample, int Count)
{
    auto* D = static_cast<uint8_t*>(Dest);
    const int Pixels = Count / 3;
    for (int i = 0; i < Pixels; ++i, D += 3)
        LabToBGR(Sample(Source, BitsPerSample, 3 * i), int8_t(Sample(Source, BitsPerSample, 3 * i + 1)),
                 int8_t(Sample(Source, BitsPerSample, 3 * i + 2)), D);
}

void ConvertLabPlanarRow(const void* const Source[3], void* Dest, int BitsPerSample, int Count)
{
    auto* D = static_cast<uint8_t*>(Dest);
    const int Pixels = Count / 3;
    for (int i = 0; i < Pixels; ++i, D += 3)
        LabToBGR(Sample(Source[0], BitsPerSample, i), int8_t(Sample(Source[1], BitsPerSample, i)),
                 int8_t(Sample(Source[2], BitsPerSample, i)), D);
}

// The running sums stay in registers: adding each byte to the one stored just before it
// would wait on that store for every byte.
void UndoPredictor1(void* Row, int Count)
{
    auto* P = static_cast<uint8_t*>(Row);
    uint8_t A = P[0];
    for (int i = 1; i <= Count; ++i)
        P[i] = A = uint8_t(A + P[i]);
}

void UndoPredictor3(void* Row, int Count)
{
    auto* P = static_cast<uint8_t*>(Row);
    uint8_t A = P[0], B = P[1], C = P[2];
    for (int i = 1; i <= Count; ++i) {
        P += 3;
        P[0] = A = uint8_t(A + P[0]);
        P[1] = B = uint8_t(B + P[1]);
        P[2] = C = uint8_t(C + P[2]);
    }
}

void UndoPredictor4(void* Row, int Count)
{
    auto* P = static_cast<uint8_t*>(Row);
    uint8_t A = P[0], B = P[1], C = P[2], D = P[3];
    for (int i = 1; i <= Count; ++i) {
        P += 4;
        P[0] = A = uint8_t(A + P[0]);
        P[1] = B = uint8_t(B + P[1]);
        P[2] = C = uint8_t(C + P[2]);
        P[3] = D = uint8_t(D + P[3]);
    }
}

QList<QRgb> SystemPalette16()
{
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(128, 128, 128),
            qRgb(192, 192, 192), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

// ---------------------------------------------------------------------------------------
// Registration

namespace {

bool Registered = false;

template <class T>
void Register(const char* Extension, const char* Description)
{
    TPicture::RegisterFileFormat<T>(QString::fromLatin1(Extension), QString::fromLatin1(Description));
}

// Each reader's rows are added once its class exists; the order of the rows is the
// order of the picture class's file filter.
void RegisterAll()
{
#ifdef KV_HAVE_TARGA
    Register<TTargaGraphic>("win", "Truevision images");
    Register<TTargaGraphic>("vst", "Truevision images");
    Register<TTargaGraphic>("vda", "Truevision images");
#endif
#ifdef KV_HAVE_TIFF
    Register<TTIFFGraphic>("tiff", "TIFF images");
    Register<TTIFFGraphic>("tif", "TIFF images");
#endif
#ifdef KV_HAVE_TARGA
    Register<TTargaGraphic>("tga", "Truevision images");
#endif
#ifdef KV_HAVE_SGI
    Register<TSGIGraphic>("sgi", "SGI true color images");
#endif
#ifdef KV_HAVE_PCX
    Register<TPCXGraphic>("scr", "Word 5.x screen capture images");
#endif
#ifdef KV_HAVE_RLA
    Register<TRLAGraphic>("rpf", "SGI Wavefront images");
#endif
    Register<TBitmap>("rle", "Windows bitmap");
#ifdef KV_HAVE_RLA
    Register<TRLAGraphic>("rla", "SGI Wavefront images");
#endif
#ifdef KV_HAVE_SGI
    Register<TSGIGraphic>("rgba", "SGI true color images");
    Register<TSGIGraphic>("rgb", "SGI true color images");
#endif
#ifdef KV_HAVE_PSD
    Register<TPSDGraphic>("psd", "Photoshop images");
#endif
#ifdef KV_HAVE_PPM
    Register<TPPMGraphic>("ppm", "Portable pixel map images");
    Register<TPPMGraphic>("pgm", "Portable grayscale images");
    Register<TPPMGraphic>("pbm", "Portable b&w images");
#endif
#ifdef KV_HAVE_SGI
    Register<TAutodeskGraphic>("pic", "Autodesk images");
#endif
#ifdef KV_HAVE_PCX
    Register<TPCXGraphic>("pcx", "ZSoft PCX images");
#endif
#ifdef KV_HAVE_PSD
    Register<TPSDGraphic>("pdd", "Photoshop images");
#endif
#ifdef KV_HAVE_PCD
    Register<TPCDGraphic>("pcd", "Kodak Photo-CD images");
#endif
#ifdef KV_HAVE_PCX
    Register<TPCXGraphic>("pcc", "ZSoft PCC images");
#endif
#ifdef KV_HAVE_TARGA
    Register<TTargaGraphic>("icb", "Truevision images");
#endif
#ifdef KV_HAVE_GIF
    Register<TGIFGraphic>("gif", "CompuServe images");
#endif
    Register<TBitmap>("dib", "Windows bitmap");
#ifdef KV_HAVE_GIF
    Register<TCUTGraphic>("cut", "Dr. Halo images");
#endif
#ifdef KV_HAVE_SGI
    Register<TAutodeskGraphic>("cel", "Autodesk images");
    Register<TSGIGraphic>("bw", "SGI black/white images");
#endif
}

void UnregisterAll()
{
#ifdef KV_HAVE_TARGA
    TPicture::UnregisterGraphicClass<TTargaGraphic>();
#endif
#ifdef KV_HAVE_TIFF
    TPicture::UnregisterGraphicClass<TTIFFGraphic>();
#endif
#ifdef KV_HAVE_SGI
    TPicture::UnregisterGraphicClass<TSGIGraphic>();
#endif
#ifdef KV_HAVE_PCX
    TPicture::UnregisterGraphicClass<TPCXGraphic>();
#endif
#ifdef KV_HAVE_SGI
    TPicture::UnregisterGraphicClass<TAutodeskGraphic>();
#endif
#ifdef KV_HAVE_PCD
    TPicture::UnregisterGraphicClass<TPCDGraphic>();
#endif
#ifdef KV_HAVE_PPM
    TPicture::UnregisterGraphicClass<TPPMGraphic>();
#endif
#ifdef KV_HAVE_GIF
    TPicture::UnregisterGraphicClass<TCUTGraphic>();
    TPicture::UnregisterGraphicClass<TGIFGraphic>();
#endif
#ifdef KV_HAVE_RLA
    TPicture::UnregisterGraphicClass<TRLAGraphic>();
#endif
#ifdef KV_HAVE_PSD
    TPicture::UnregisterGraphicClass<TPSDGraphic>();
#endif
}

// Registration at start-up; the picture class keeps its registry in a function-local
// static, so it is built before and destroyed after this object.
struct TPictureFormatsUnit {
    TPictureFormatsUnit() { InitPictureFormats(); }
    ~TPictureFormatsUnit() { FinalizePictureFormats(); }
} PictureFormatsUnit;

}   // namespace

void InitPictureFormats()
{
    if (Registered)
        return;
    Registered = true;
    RegisterAll();
}

void FinalizePictureFormats()
{
    if (!Registered)
        return;
    Registered = false;
    UnregisterAll();
}

void FakeInitPictureFormatsLib()
{
    // Nothing to do: calling it links this unit, whose start-up registers the readers.
    // Registering again here is harmless and covers a start-up order that ran it too early.
    InitPictureFormats();
}

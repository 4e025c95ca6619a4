#include "imageformats/picture_formats.h"

#include "platform/picture.h"

#include "imageformats/gif_graphic.h"
#include "imageformats/pcd_graphic.h"
#include "imageformats/pcx_graphic.h"
#include "imageformats/ppm_graphic.h"
#include "imageformats/psd_graphic.h"
#include "imageformats/rla_graphic.h"
#include "imageformats/sgi_graphic.h"
#include "imageformats/targa_graphic.h"
#include "imageformats/tiff_graphic.h"

#include <algorithm>
#include <cmath>
#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

void SwapWordArray(void* data, int count)
{
    auto* p = static_cast<uint8_t*>(data);
    for (int i = 0; i < count; ++i, p += 2)
        std::swap(p[0], p[1]);
}

void SwapDWordArray(void* data, int count)
{
    auto* p = static_cast<uint8_t*>(data);
    for (int i = 0; i < count; ++i, p += 4) {
        std::swap(p[0], p[3]);
        std::swap(p[1], p[2]);
    }
}

uint32_t SwapDWord(uint32_t value)
{
    return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

namespace {

inline uint8_t Clamp8(int v)
{
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

// Sample i of a row as 8 bits: 16-bit samples are native words whose high byte is kept.
inline uint8_t Sample(const void* row, int bitsPerSample, int i)
{
    if (bitsPerSample == 16)
        return uint8_t(static_cast<const uint16_t*>(row)[i] >> 8);
    return static_cast<const uint8_t*>(row)[i];
}

#if defined(__x86_64__) || defined(__i386__)
// Sixteen pixels of three bytes at a time, each of the three 16-byte outputs picked from the
// inputs by byte shuffles; a byte at a time this is the slowest step of reading an RGB picture.
// The masks pick, for output byte j, input byte 3 * (j / 3) + 2 - j % 3 of the 48.
struct TSwapMasks {
    alignas(16) int8_t Mask[3][3][16]; // [output][input][byte]
};

constexpr TSwapMasks MakeSwapMasks()
{
    TSwapMasks m{};
    for (int out = 0; out < 3; ++out)
        for (int in = 0; in < 3; ++in)
            for (int b = 0; b < 16; ++b) {
                const int j = out * 16 + b;
                const int from = 3 * (j / 3) + 2 - j % 3;
                m.Mask[out][in][b] = from / 16 == in ? int8_t(from % 16) : int8_t(-128);
            }
    return m;
}

constexpr TSwapMasks kSwapMasks = MakeSwapMasks();

// Stream: stores that bypass the caches (d on a 16-byte boundary).
template <bool Stream>
__attribute__((target("ssse3"))) int SwapRedBlueSSSE3(const uint8_t* s, uint8_t* d, int pixels)
{
    const auto mask = [](int out, int in) {
        return _mm_load_si128(reinterpret_cast<const __m128i*>(kSwapMasks.Mask[out][in]));
    };
    const __m128i m00 = mask(0, 0), m01 = mask(0, 1), m10 = mask(1, 0), m11 = mask(1, 1), m12 = mask(1, 2),
                  m21 = mask(2, 1), m22 = mask(2, 2);
    int i = 0;
    for (; i + 16 <= pixels; i += 16, s += 48, d += 48) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
        const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 32));
        const __m128i out[3] = {_mm_or_si128(_mm_shuffle_epi8(a, m00), _mm_shuffle_epi8(b, m01)),
                                _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, m10), _mm_shuffle_epi8(b, m11)),
                                             _mm_shuffle_epi8(c, m12)),
                                _mm_or_si128(_mm_shuffle_epi8(b, m21), _mm_shuffle_epi8(c, m22))};
        for (int k = 0; k < 3; ++k) {
            if constexpr (Stream)
                _mm_stream_si128(reinterpret_cast<__m128i*>(d + 16 * k), out[k]);
            else
                _mm_storeu_si128(reinterpret_cast<__m128i*>(d + 16 * k), out[k]);
        }
    }
    return i;
}
#endif

// Swaps red and blue of the first whole blocks of pixels, where the processor has a fast way;
// returns the pixels done. Source and destination are the same or do not overlap.
int SwapRedBlueBlocks(const uint8_t* s, uint8_t* d, int pixels, bool bypassCache)
{
#if defined(__x86_64__) || defined(__i386__)
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3 && bypassCache && (reinterpret_cast<uintptr_t>(d) & 15) == 0) {
        const int done = SwapRedBlueSSSE3<true>(s, d, pixels);
        _mm_sfence();
        return done;
    }
    if (ssse3)
        return SwapRedBlueSSSE3<false>(s, d, pixels);
#endif
    return 0;
}

}   // namespace

void ConvertGray16To8(const void* source, void* dest, int, int count)
{
    const auto* s = static_cast<const uint16_t*>(source);
    auto* d = static_cast<uint8_t*>(dest);
    for (int i = 0; i < count; ++i)
        d[i] = uint8_t(s[i] >> 8);
}

void ConvertRGBRow(const void* source, void* dest, int bitsPerSample, int count, bool bypassCache)
{
    auto* d = static_cast<uint8_t*>(dest);
    const int pixels = count / 3;
    if (bitsPerSample == 16) {
        for (int i = 0; i < pixels; ++i, d += 3) {
            d[0] = Sample(source, 16, 3 * i + 2);
            d[1] = Sample(source, 16, 3 * i + 1);
            d[2] = Sample(source, 16, 3 * i);
        }
        return;
    }
    const auto* s = static_cast<const uint8_t*>(source);
    const auto swap = [&](int n) {
        for (int i = 0; i < n; ++i, s += 3, d += 3) {
            d[0] = s[2];
            d[1] = s[1];
            d[2] = s[0];
        }
    };
    int left = pixels;
    if (bypassCache) {
        // Stores that bypass the caches take 16-byte boundaries: the pixels up to one first
        // (3 * 11 is 1 more than 32).
        const int lead = std::min(left, int(((16 - (reinterpret_cast<uintptr_t>(d) & 15)) & 15) * 11 % 16));
        swap(lead);
        left -= lead;
    }
    const int done = SwapRedBlueBlocks(s, d, left, bypassCache);
    s += 3 * done;
    d += 3 * done;
    swap(left - done);
}

void ConvertRGBARow(const void* source, void* dest, int bitsPerSample, int count)
{
    auto* d = static_cast<uint8_t*>(dest);
    const int pixels = count / 4;
    if (bitsPerSample == 16) {
        for (int i = 0; i < pixels; ++i, d += 4) {
            d[0] = Sample(source, 16, 4 * i + 2);
            d[1] = Sample(source, 16, 4 * i + 1);
            d[2] = Sample(source, 16, 4 * i);
            d[3] = Sample(source, 16, 4 * i + 3);
        }
        return;
    }
    const auto* s = static_cast<const uint8_t*>(source);
    for (int i = 0; i < pixels; ++i, s += 4, d += 4) {
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        d[3] = s[3];
    }
}

void ConvertRGBPlanarRow(const void* const source[3], void* dest, int bitsPerSample, int count)
{
    auto* d = static_cast<uint8_t*>(dest);
    const int pixels = count / 3;
    for (int i = 0; i < pixels; ++i, d += 3) {
        d[0] = Sample(source[2], bitsPerSample, i);
        d[1] = Sample(source[1], bitsPerSample, i);
        d[2] = Sample(source[0], bitsPerSample, i);
    }
}

void InterleavePlaneRows(const uint8_t* planes, size_t width, int channels, uint8_t* dest)
{
    const uint8_t* r = planes;
    const uint8_t* g = r + width;
    const uint8_t* b = g + width;
    const uint8_t* a = b + width;
    for (size_t x = 0; x < width; ++x) {
        *dest++ = b[x];
        *dest++ = g[x];
        *dest++ = r[x];
        if (channels == 4)
            *dest++ = a[x];
    }
}

void CMYKToBGR(int c, int m, int y, int k, uint8_t* bgr)
{
    bgr[2] = Clamp8(255 - (c - MulDiv(c, k, 255) + k));
    bgr[1] = Clamp8(255 - (m - MulDiv(m, k, 255) + k));
    bgr[0] = Clamp8(255 - (y - MulDiv(y, k, 255) + k));
}

namespace {

inline void CMYK16ToBGR(int c, int m, int y, int k, uint8_t* bgr)
{
    bgr[2] = Clamp8(255 - ((c - MulDiv(c, k, 65535) + k) >> 8));
    bgr[1] = Clamp8(255 - ((m - MulDiv(m, k, 65535) + k) >> 8));
    bgr[0] = Clamp8(255 - ((y - MulDiv(y, k, 65535) + k) >> 8));
}

}   // namespace

void ConvertCMYKRow(const void* source, void* dest, int bitsPerSample, int count)
{
    auto* d = static_cast<uint8_t*>(dest);
    const int pixels = count / 4;
    if (bitsPerSample == 16) {
        const auto* s = static_cast<const uint16_t*>(source);
        for (int i = 0; i < pixels; ++i, s += 4, d += 3)
            CMYK16ToBGR(s[0], s[1], s[2], s[3], d);
        return;
    }
    const auto* s = static_cast<const uint8_t*>(source);
    for (int i = 0; i < pixels; ++i, s += 4, d += 3)
        CMYKToBGR(s[0], s[1], s[2], s[3], d);
}

void ConvertCMYKPlanarRow(const void* const source[4], void* dest, int bitsPerSample, int count)
{
    auto* d = static_cast<uint8_t*>(dest);
    const int pixels = count / 4;
    if (bitsPerSample == 16) {
        const auto* const* s = reinterpret_cast<const uint16_t* const*>(source);
        for (int i = 0; i < pixels; ++i, d += 3)
            CMYK16ToBGR(s[0][i], s[1][i], s[2][i], s[3][i], d);
        return;
    }
    const auto* const* s = reinterpret_cast<const uint8_t* const*>(source);
    for (int i = 0; i < pixels; ++i, d += 3)
        CMYKToBGR(s[0][i], s[1][i], s[2][i], s[3][i], d);
}

void LabToBGR(uint8_t l, int8_t a, int8_t b, uint8_t* bgr)
{
    const long double lStar = l / 2.55l;
    const long double fy = (lStar + 16) / 116;
    long double x, y, z;
    if (lStar < 7.9996l) {
        y = lStar / 903.3l;
        x = a / 3893.5l + y;
        z = y - b / 1557.4l;
    } else {
        x = std::pow(a / 500.0l + fy, 3);
        y = fy * fy * fy;
        z = std::pow(fy - b / 200.0l, 3);
    }
    const auto channel = [](long double v) { return Clamp8(int(std::lround(double(255 * v)))); };
    bgr[2] = channel(2.998l * x - 1.458l * y - 0.541l * z);
    bgr[1] = channel(-0.952l * x + 1.893l * y + 0.059l * z);
    bgr[0] = channel(0.099l * x - 0.198l * y + 1.099l * z);
}

void ConvertLabRow(const void* source, void* dest, int bitsPerSample, int count)
{
    auto* d = static_cast<uint8_t*>(dest);
    const int pixels = count / 3;
    for (int i = 0; i < pixels; ++i, d += 3)
        LabToBGR(Sample(source, bitsPerSample, 3 * i), int8_t(Sample(source, bitsPerSample, 3 * i + 1)),
                 int8_t(Sample(source, bitsPerSample, 3 * i + 2)), d);
}

void ConvertLabPlanarRow(const void* const source[3], void* dest, int bitsPerSample, int count)
{
    auto* d = static_cast<uint8_t*>(dest);
    const int pixels = count / 3;
    for (int i = 0; i < pixels; ++i, d += 3)
        LabToBGR(Sample(source[0], bitsPerSample, i), int8_t(Sample(source[1], bitsPerSample, i)),
                 int8_t(Sample(source[2], bitsPerSample, i)), d);
}

// The running sums stay in registers: adding each byte to the one stored just before it
// would wait on that store for every byte.
void UndoPredictor1(void* row, int count)
{
    auto* p = static_cast<uint8_t*>(row);
    uint8_t a = p[0];
    for (int i = 1; i <= count; ++i)
        p[i] = a = uint8_t(a + p[i]);
}

void UndoPredictor3(void* row, int count)
{
    auto* p = static_cast<uint8_t*>(row);
    uint8_t a = p[0], b = p[1], c = p[2];
    for (int i = 1; i <= count; ++i) {
        p += 3;
        p[0] = a = uint8_t(a + p[0]);
        p[1] = b = uint8_t(b + p[1]);
        p[2] = c = uint8_t(c + p[2]);
    }
}

void UndoPredictor4(void* row, int count)
{
    auto* p = static_cast<uint8_t*>(row);
    uint8_t a = p[0], b = p[1], c = p[2], d = p[3];
    for (int i = 1; i <= count; ++i) {
        p += 4;
        p[0] = a = uint8_t(a + p[0]);
        p[1] = b = uint8_t(b + p[1]);
        p[2] = c = uint8_t(c + p[2]);
        p[3] = d = uint8_t(d + p[3]);
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
void Register(const char* extension, const char* description)
{
    TPicture::RegisterFileFormat<T>(QString::fromLatin1(extension), QString::fromLatin1(description));
}

// The order of the rows is the order of the picture class's file filter.
void RegisterAll()
{
    Register<TTargaGraphic>("win", "Truevision images");
    Register<TTargaGraphic>("vst", "Truevision images");
    Register<TTargaGraphic>("vda", "Truevision images");
    Register<TTIFFGraphic>("tiff", "TIFF images");
    Register<TTIFFGraphic>("tif", "TIFF images");
    Register<TTargaGraphic>("tga", "Truevision images");
    Register<TSGIGraphic>("sgi", "SGI true color images");
    Register<TPCXGraphic>("scr", "Word 5.x screen capture images");
    Register<TRLAGraphic>("rpf", "SGI Wavefront images");
    Register<TBitmap>("rle", "Windows bitmap");
    Register<TRLAGraphic>("rla", "SGI Wavefront images");
    Register<TSGIGraphic>("rgba", "SGI true color images");
    Register<TSGIGraphic>("rgb", "SGI true color images");
    Register<TPSDGraphic>("psd", "Photoshop images");
    Register<TPPMGraphic>("ppm", "Portable pixel map images");
    Register<TPPMGraphic>("pgm", "Portable grayscale images");
    Register<TPPMGraphic>("pbm", "Portable b&w images");
    Register<TAutodeskGraphic>("pic", "Autodesk images");
    Register<TPCXGraphic>("pcx", "ZSoft PCX images");
    Register<TPSDGraphic>("pdd", "Photoshop images");
    Register<TPCDGraphic>("pcd", "Kodak Photo-CD images");
    Register<TPCXGraphic>("pcc", "ZSoft PCC images");
    Register<TTargaGraphic>("icb", "Truevision images");
    Register<TGIFGraphic>("gif", "CompuServe images");
    Register<TBitmap>("dib", "Windows bitmap");
    Register<TCUTGraphic>("cut", "Dr. Halo images");
    Register<TAutodeskGraphic>("cel", "Autodesk images");
    Register<TSGIGraphic>("bw", "SGI black/white images");
}

void UnregisterAll()
{
    TPicture::UnregisterGraphicClass<TTargaGraphic>();
    TPicture::UnregisterGraphicClass<TTIFFGraphic>();
    TPicture::UnregisterGraphicClass<TSGIGraphic>();
    TPicture::UnregisterGraphicClass<TPCXGraphic>();
    TPicture::UnregisterGraphicClass<TAutodeskGraphic>();
    TPicture::UnregisterGraphicClass<TPCDGraphic>();
    TPicture::UnregisterGraphicClass<TPPMGraphic>();
    TPicture::UnregisterGraphicClass<TCUTGraphic>();
    TPicture::UnregisterGraphicClass<TGIFGraphic>();
    TPicture::UnregisterGraphicClass<TRLAGraphic>();
    TPicture::UnregisterGraphicClass<TPSDGraphic>();
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

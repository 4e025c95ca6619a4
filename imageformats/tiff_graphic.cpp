#include "imageformats/tiff_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_compression.h"
#include "imageformats/picture_error.h"
#include "imageformats/picture_formats.h"
#include "platform/byte_order.h"

#include <QIODevice>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace imgread {
namespace {

const char* const kInvalidTIFF = "Invalid TIFF file.";
const char* const kUnknownCompression = "TIFF: Unknown compression scheme";
// A valid file of a kind the reader does not read (sample sizes, colour spaces, layouts).
const char* const kUnsupported = "TIFF: Image variant not supported";

enum : uint16_t {
    TagWidth = 256,
    TagHeight = 257,
    TagBitsPerSample = 258,
    TagCompression = 259,
    TagPhotometric = 262,
    TagFillOrder = 266,
    TagStripOffsets = 273,
    TagSamplesPerPixel = 277,
    TagRowsPerStrip = 278,
    TagStripByteCounts = 279,
    TagPlanarConfig = 284,
    TagPredictor = 317,
    TagColorMap = 320,
    TagTileWidth = 322,
    TagTileLength = 323,
    TagTileOffsets = 324,
    TagTileByteCounts = 325,
    TagExtraSamples = 338,
    TagSampleFormat = 339,
    TagYCbCrSubSampling = 530,
};

// ---------------------------------------------------------------------------------------
// The directory

struct TIFDEntry {
    uint16_t Tag;
    uint16_t Type;
    uint32_t Count;
    const uint8_t* Value;   // the 4-byte value-or-offset field, in the file's byte order
};

// Size in bytes of one value of a data type the reader can take as an integer; 0 for the
// others (rationals, undefined bytes and unknown types are never read as integers).
uint32_t TypeSize(uint16_t type)
{
    switch (type) {
    case 1: case 2: case 6: return 1;   // BYTE, ASCII, SBYTE
    case 3: case 8: return 2;           // SHORT, SSHORT
    case 4: case 9: return 4;           // LONG, SLONG
    default: return 0;
    }
}

class TTIFFDirectory {
public:
    explicit TTIFFDirectory(PictureSource& source) : m_source(source) {}

    bool BigEndian = false;

    uint16_t R16(const uint8_t* p) const { return BigEndian ? ReadBE16(p) : ReadLE16(p); }
    uint32_t R32(const uint8_t* p) const { return BigEndian ? ReadBE32(p) : ReadLE32(p); }

    void Read()
    {
        uint8_t header[8];
        m_source.read(0, header, sizeof header);
        BigEndian = ReadLE16(header) == 0x4D4D;
        if (R16(header + 2) != 42)
            RaisePictureError(kInvalidTIFF);
        const uint64_t offset = R32(header + 4);
        const uint32_t count = R16(m_source.at(offset, 2));
        // The entries are kept: their value fields are read after other parts of the file.
        m_fields.resize(size_t(count) * 12);
        m_source.read(offset + 2, m_fields.data(), m_fields.size());
        m_entries.reserve(count);
        const uint8_t* p = m_fields.data();
        for (uint32_t i = 0; i < count; ++i, p += 12)
            m_entries.push_back({R16(p), R16(p + 2), R32(p + 4), p + 8});
    }

    // Directories should be sorted by tag; a plain search also finds tags in one that is not.
    const TIFDEntry* Find(uint16_t tag) const
    {
        for (const TIFDEntry& e : m_entries)
            if (e.Tag == tag)
                return &e;
        return nullptr;
    }

    uint32_t GetValue(uint16_t tag, uint32_t defaultValue) const
    {
        const TIFDEntry* e = Find(tag);
        if (!e)
            return defaultValue;
        if (e->Count != 1)
            return R32(e->Value);
        switch (e->Type) {
        case 1: case 6: return e->Value[0];
        case 3: case 8: return R16(e->Value);
        case 4: case 9: return R32(e->Value);
        default: return defaultValue;
        }
    }

    uint32_t GetValueLength(uint16_t tag, uint32_t defaultValue) const
    {
        const TIFDEntry* e = Find(tag);
        if (!e || TypeSize(e->Type) == 0)
            return defaultValue;
        return e->Count;
    }

    // The tag's values; values that fit the 4-byte field are held there, longer lists at its
    // offset. A list reaching past the end of the file makes the file invalid.
    std::vector<uint32_t> GetValueList(uint16_t tag) const
    {
        std::vector<uint32_t> values;
        const TIFDEntry* e = Find(tag);
        if (!e)
            return values;
        const uint32_t size = TypeSize(e->Type);
        if (size == 0 || e->Count == 0)
            return values;
        const uint64_t bytes = uint64_t(e->Count) * size;
        const uint8_t* p = e->Value;
        if (bytes > 4) {
            if (bytes > m_source.size())
                RaisePictureError(kInvalidTIFF);
            p = m_source.at(R32(e->Value), size_t(bytes));
        }
        values.resize(e->Count);
        for (uint32_t i = 0; i < e->Count; ++i, p += size)
            values[i] = size == 1 ? *p : size == 2 ? R16(p) : R32(p);
        return values;
    }

private:
    PictureSource& m_source;
    std::vector<uint8_t> m_fields;
    std::vector<TIFDEntry> m_entries;
};

// ---------------------------------------------------------------------------------------
// Header parsing: what the directory says about the first image, checked.

enum class TKind { Mono, Index2, Index4, Index8, RGB, RGBA, CMYK, YCbCr, Lab };

struct TTIFFLayout {
    bool BigEndian = false;
    uint32_t Width = 0, Height = 0;
    uint32_t Photometric = 0;
    uint32_t SamplesPerPixel = 1;
    uint32_t BitsPerSample = 1;
    TKind Kind = TKind::Mono;
    QImage::Format Format = QImage::Format_Mono;
    QList<QRgb> ColorTable;          // the indexed kinds
    bool AssociatedAlpha = false;    // colours stored multiplied by alpha
    uint32_t Compression = 1;
    uint64_t MaxRatio = 1;           // decoded bytes one stored byte can give
    bool Predictor = false;          // horizontal differencing
    bool ReversedBits = false;       // fill order 2: the first pixel in each byte's lowest bit
    bool Planar = false;             // one plane per sample instead of interleaved samples

    // Rows come in units: one row, or for subsampled YCbCr a block of SubV rows whose
    // samples are stored as data units of SubH x SubV luma samples and two chroma samples.
    uint32_t SubH = 1, SubV = 1;
    uint64_t UnitLine = 0;           // bytes of one unit of the whole image, samples interleaved
    uint32_t SampleBytes = 0;        // 1 or 2 for byte-sized samples, else 0
    uint32_t PixelBytes = 0;
    uint32_t Hi = 0;                 // the most significant byte of a 16-bit sample in the file
    uint64_t SegmentLine = 0;        // bytes of one unit of a strip or tile (of one plane)

    // Segments: strips (the image's width, rows per strip each) or tiles.
    bool Tiled = false;
    uint32_t TileWidth = 0, TileLength = 0;
    std::vector<uint32_t> RowsPerStrip;
    std::vector<uint32_t> Offsets, ByteCounts;
};

// The kind of pixels and the picture's format from photometric, samples and sample size.
void SetKind(TTIFFLayout& l, const TTIFFDirectory& dir)
{
    const uint32_t bps = l.BitsPerSample, spp = l.SamplesPerPixel;
    const bool bytes8or16 = bps == 8 || bps == 16;
    switch (l.Photometric) {
    case 0:
    case 1:
    case 3:
        if (bps == 1 && spp == 1) {
            l.Kind = TKind::Mono;
            l.Format = QImage::Format_Mono;
        } else if (bps == 2 && spp == 1) {
            l.Kind = TKind::Index2;
            l.Format = QImage::Format_Indexed8;
        } else if (bps == 4 && spp == 1) {
            l.Kind = TKind::Index4;
            l.Format = QImage::Format_Indexed8;
        } else if (bytes8or16 && !(l.Photometric == 3 && bps == 16)) {
            l.Kind = TKind::Index8;   // further samples (alpha) are passed over
            l.Format = QImage::Format_Indexed8;
        } else {
            RaisePictureError(kUnsupported);
        }
        break;
    case 2:
        if (spp < 3)
            RaisePictureError(kInvalidTIFF);
        if (!bytes8or16)
            RaisePictureError(kUnsupported);
        l.Kind = spp >= 4 ? TKind::RGBA : TKind::RGB;
        l.Format = spp >= 4 ? QImage::Format_ARGB32 : QImage::Format_BGR888;
        l.AssociatedAlpha = spp >= 4 && dir.GetValue(TagExtraSamples, 0) == 1;
        break;
    case 5:
        if (spp < 4)
            RaisePictureError(kInvalidTIFF);
        if (!bytes8or16)
            RaisePictureError(kUnsupported);
        l.Kind = TKind::CMYK;
        l.Format = QImage::Format_BGR888;
        break;
    case 6:
        if (spp != 3)
            RaisePictureError(kInvalidTIFF);
        if (bps != 8)
            RaisePictureError(kUnsupported);
        l.Kind = TKind::YCbCr;
        l.Format = QImage::Format_BGR888;
        break;
    case 8:
        if (spp < 3)
            RaisePictureError(kInvalidTIFF);
        if (!bytes8or16)
            RaisePictureError(kUnsupported);
        l.Kind = TKind::Lab;
        l.Format = QImage::Format_BGR888;
        break;
    default:
        // Transparency masks, ICC L*a*b*, log-luminance and the like.
        RaisePictureError(kUnsupported);
    }
}

QList<QRgb> ColorTableOf(const TTIFFLayout& l, const TTIFFDirectory& dir)
{
    const int bits = l.Kind == TKind::Mono ? 1 : l.Kind == TKind::Index2 ? 2 : l.Kind == TKind::Index4 ? 4 : 8;
    const int n = 1 << bits;
    QList<QRgb> table(n);
    if (l.Photometric == 3) {
        const std::vector<uint32_t> map = dir.GetValueList(TagColorMap);
        if (map.size() < size_t(3 * n))
            RaisePictureError(kInvalidTIFF);
        for (int j = 0; j < n; ++j)
            table[j] = qRgb(map[j] >> 8, map[n + j] >> 8, map[2 * n + j] >> 8);
    } else {
        // 0: white is zero; 1: black is zero. The greys reach full white.
        const int step = 255 / (n - 1);
        for (int j = 0; j < n; ++j) {
            const int v = (l.Photometric == 0 ? n - 1 - j : j) * step;
            table[j] = qRgb(v, v, v);
        }
    }
    return table;
}

TTIFFLayout ReadLayout(PictureSource& source)
{
    TTIFFDirectory dir(source);
    dir.Read();
    TTIFFLayout l;
    l.BigEndian = dir.BigEndian;
    l.Photometric = dir.GetValue(TagPhotometric, 0);
    l.SamplesPerPixel = dir.GetValue(TagSamplesPerPixel, 1);
    const std::vector<uint32_t> bitsList = dir.GetValueList(TagBitsPerSample);
    l.BitsPerSample = bitsList.empty() ? 1 : bitsList[0];
    const uint32_t extra = dir.GetValueLength(TagExtraSamples, 0);
    l.Width = dir.GetValue(TagWidth, 0);
    l.Height = dir.GetValue(TagHeight, 0);
    const uint32_t spp = l.SamplesPerPixel;
    if (l.Width == 0 || l.Height == 0 || spp == 0 || spp > 16 || extra >= spp)
        RaisePictureError(kInvalidTIFF);
    // Signed and floating-point samples would show as false colours.
    const uint32_t sampleFormat = dir.GetValue(TagSampleFormat, 1);
    if (sampleFormat == 2 || sampleFormat == 3)
        RaisePictureError(kUnsupported);
    SetKind(l, dir);

    // A missing compression tag means no compression, as the TIFF standard has it.
    l.Compression = dir.GetValue(TagCompression, 1);
    switch (l.Compression) {
    case 1: l.MaxRatio = 1; break;
    case 5: l.MaxRatio = 4096; break;
    case 32773: l.MaxRatio = 128; break;
    default: RaisePictureError(kUnknownCompression);
    }
    l.ReversedBits = dir.GetValue(TagFillOrder, 1) == 2;
    l.Planar = spp > 1 && dir.GetValue(TagPlanarConfig, 1) == 2;
    const bool bytes8or16 = l.BitsPerSample == 8 || l.BitsPerSample == 16;

    if (l.Kind == TKind::YCbCr) {
        const std::vector<uint32_t> sub = dir.GetValueList(TagYCbCrSubSampling);
        l.SubH = sub.size() >= 1 ? sub[0] : 2;
        l.SubV = sub.size() >= 2 ? sub[1] : 2;
        const auto valid = [](uint32_t s) { return s == 1 || s == 2 || s == 4; };
        if (!valid(l.SubH) || !valid(l.SubV) || l.SubV > l.SubH)
            RaisePictureError(kInvalidTIFF);
    }
    const bool subsampled = l.SubH > 1 || l.SubV > 1;
    // Separate planes are read for whole-byte samples; subsampled planes are not read.
    if (l.Planar && (!bytes8or16 || subsampled))
        RaisePictureError(kUnsupported);

    const uint64_t bitsPerPixel = uint64_t(l.BitsPerSample) * spp;
    l.SampleBytes = bytes8or16 ? l.BitsPerSample / 8 : 0;
    l.PixelBytes = l.SampleBytes * spp;
    l.Hi = (l.SampleBytes == 2 && !l.BigEndian) ? 1 : 0;
    l.UnitLine = subsampled ? (uint64_t(l.Width) + l.SubH - 1) / l.SubH * (l.SubH * l.SubV + 2)
                            : (uint64_t(l.Width) * bitsPerPixel + 7) / 8;
    l.Predictor = dir.GetValue(TagPredictor, 1) == 2 && bytes8or16 && l.Kind != TKind::YCbCr;

    // Segments. A file with neither strips nor tiles has no pixels to show.
    l.Tiled = dir.Find(TagTileOffsets) != nullptr;
    if (l.Tiled) {
        l.TileWidth = dir.GetValue(TagTileWidth, 0);
        l.TileLength = dir.GetValue(TagTileLength, 0);
        if (l.TileWidth == 0 || l.TileLength == 0)
            RaisePictureError(kInvalidTIFF);
        // Tiles must start on whole bytes and whole data units.
        const uint64_t tileBits = uint64_t(l.TileWidth) * (l.Planar ? l.BitsPerSample : bitsPerPixel);
        if (tileBits % 8 != 0 || l.TileWidth % l.SubH != 0 || l.TileLength % l.SubV != 0)
            RaisePictureError(kUnsupported);
        l.Offsets = dir.GetValueList(TagTileOffsets);
        l.ByteCounts = dir.GetValueList(TagTileByteCounts);
    } else {
        if (!dir.Find(TagStripOffsets))
            RaisePictureError(kInvalidTIFF);
        l.Offsets = dir.GetValueList(TagStripOffsets);
        l.ByteCounts = dir.GetValueList(TagStripByteCounts);
        l.RowsPerStrip = dir.GetValueList(TagRowsPerStrip);
        if (l.Offsets.size() < 2 || l.RowsPerStrip.empty())
            l.RowsPerStrip.assign(1, l.Height);
    }
    if (l.Offsets.empty())
        RaisePictureError(kInvalidTIFF);

    if (uint64_t(l.Width) * l.Height > uint64_t(GraphicPixelLimit()))
        RaisePictureError(kInvalidTIFF);
    const uint32_t segmentWidth = l.Tiled ? l.TileWidth : l.Width;
    l.SegmentLine = subsampled ? (uint64_t(segmentWidth) + l.SubH - 1) / l.SubH * (l.SubH * l.SubV + 2)
                               : (uint64_t(segmentWidth) * (l.Planar ? l.BitsPerSample : bitsPerPixel) + 7) / 8;
    uint64_t decoded = (uint64_t(l.Height) + l.SubV - 1) / l.SubV * l.UnitLine;
    if (l.Tiled) {
        // Edge tiles are stored whole, so the tiles may hold more than the image.
        const uint64_t across = (uint64_t(l.Width) + l.TileWidth - 1) / l.TileWidth;
        const uint64_t down = (uint64_t(l.Height) + l.TileLength - 1) / l.TileLength;
        const uint64_t planes = l.Planar ? spp : 1;
        decoded = std::max(decoded, across * down * planes * (l.TileLength / l.SubV) * l.SegmentLine);
    }
    CheckExpansion(decoded, source.size(), l.MaxRatio, kInvalidTIFF);

    if (l.Format == QImage::Format_Indexed8 || l.Format == QImage::Format_Mono)
        l.ColorTable = ColorTableOf(l, dir);
    return l;
}

// ---------------------------------------------------------------------------------------
// Decoding: one strip or tile from the file to its decompressed bytes.

const std::array<uint8_t, 256>& BitReversal()
{
    static const std::array<uint8_t, 256> table = [] {
        std::array<uint8_t, 256> t{};
        for (int i = 0; i < 256; ++i) {
            uint8_t r = 0;
            for (int b = 0; b < 8; ++b)
                if (i & (1 << b))
                    r |= uint8_t(0x80 >> b);
            t[size_t(i)] = r;
        }
        return t;
    }();
    return table;
}

void CopyReversed(uint8_t* to, const uint8_t* from, size_t count)
{
    const std::array<uint8_t, 256>& reverse = BitReversal();
    for (size_t i = 0; i < count; ++i)
        to[i] = reverse[from[i]];
}

// Undoes horizontal differencing on one line of pixels samples wide each.
void UndoPredictor(uint8_t* line, uint32_t pixels, uint32_t samples, uint32_t sampleBytes, bool bigEndian)
{
    if (sampleBytes == 1) {
        switch (samples) {
        case 1: UndoPredictor1(line, int(pixels) - 1); return;
        case 3: UndoPredictor3(line, int(pixels) - 1); return;
        case 4: UndoPredictor4(line, int(pixels) - 1); return;
        default:
            for (uint64_t i = samples; i < uint64_t(pixels) * samples; ++i)
                line[i] = uint8_t(line[i] + line[i - samples]);
            return;
        }
    }
    // 16-bit samples, differenced as words in the file's byte order.
    const uint64_t words = uint64_t(pixels) * samples;
    for (uint64_t i = samples; i < words; ++i) {
        uint8_t* p = line + 2 * i;
        const uint8_t* q = line + 2 * (i - samples);
        if (bigEndian) {
            const uint16_t v = uint16_t(ReadBE16(p) + ReadBE16(q));
            p[0] = uint8_t(v >> 8);
            p[1] = uint8_t(v);
        } else {
            WriteLE16(p, uint16_t(ReadLE16(p) + ReadLE16(q)));
        }
    }
}

class TSegmentReader {
public:
    TSegmentReader(const TTIFFLayout& layout, PictureSource& source) : m_layout(layout), m_source(source)
    {
        if (layout.Compression == 5)
            m_decoder = &m_lzw;
        else if (layout.Compression == 32773)
            m_decoder = &m_packBits;
    }

    // The decompressed bytes of segment index, lineBytes x lines of them, lines of pixels
    // pixels; a segment whose data ends early is black where it ends, never uninitialised.
    // Uncompressed segments may be read in parts from line firstLine on. The bytes go to into
    // when it is given, else to a buffer of the reader's (or are the file's own where nothing
    // changes them).
    const uint8_t* Read(size_t index, uint64_t lineBytes, uint64_t lines, uint32_t pixels,
                        uint64_t firstLine = 0, uint8_t* into = nullptr)
    {
        const TTIFFLayout& l = m_layout;
        const uint64_t bytes = lineBytes * lines;
        if (bytes > uint64_t(INT32_MAX))
            RaisePictureError(kInvalidTIFF);
        const uint64_t offset = l.Offsets[index];
        const uint64_t start = offset + firstLine * lineBytes;
        if (!m_decoder && !into && !l.ReversedBits && !l.Predictor)
            return m_source.at(start, size_t(bytes));
        const uint64_t count = !m_decoder ? bytes : index < l.ByteCounts.size() ? l.ByteCounts[index] : 0;
        const uint8_t* packed = m_decoder || l.ReversedBits ? m_source.at(start, size_t(count)) : nullptr;
        uint8_t* result = into;
        if (!result) {
            m_buffer.reserve(size_t(bytes));
            result = m_buffer.data();
        }
        if (l.ReversedBits) {
            uint8_t* to = result;
            if (m_decoder) {
                m_packed.reserve(size_t(count));
                to = m_packed.data();
            }
            CopyReversed(to, packed, size_t(count));
            packed = to;
        }
        if (m_decoder) {
            const int32_t got = m_decoder->Decode(
                packed, result, int32_t(std::min<uint64_t>(count, INT32_MAX)), int32_t(bytes));
            std::memset(result + got, 0, size_t(bytes) - size_t(got));
        } else if (!l.ReversedBits) {
            m_source.read(start, result, size_t(bytes));
        }
        if (l.Predictor)
            for (uint64_t i = 0; i < lines; ++i)
                UndoPredictor(result + i * lineBytes, pixels, l.Planar ? 1 : l.SamplesPerPixel, l.SampleBytes,
                              l.BigEndian);
        return result;
    }

private:
    const TTIFFLayout& m_layout;
    PictureSource& m_source;
    TTIFFLZW m_lzw;
    TPackbitsRLE m_packBits;
    TDecoder* m_decoder = nullptr;
    LargeBuffer m_buffer;
    LargeBuffer m_packed;
};

// ---------------------------------------------------------------------------------------
// Pixel conversion: one unit of interleaved samples to scan lines.

inline uint8_t Clamp8(int v)
{
    return uint8_t(v < 0 ? 0 : v > 255 ? 255 : v);
}

void ConvertUnit(const TTIFFLayout& l, const uint8_t* line, QImage& image, uint32_t row)
{
    const uint32_t width = l.Width;
    const uint32_t sampleBytes = l.SampleBytes, pixelBytes = l.PixelBytes;
    uint8_t* scan = image.scanLine(int(row));
    switch (l.Kind) {
    case TKind::Mono:
        std::memcpy(scan, line, (size_t(width) + 7) / 8);
        break;
    case TKind::Index2:
        for (uint32_t x = 0; x < width; ++x)
            scan[x] = (line[x >> 2] >> (6 - 2 * (x & 3))) & 3;
        break;
    case TKind::Index4:
        for (uint32_t x = 0; x < width; ++x)
            scan[x] = (line[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
        break;
    case TKind::Index8:
        if (pixelBytes == 1)
            std::memcpy(scan, line, width);
        else
            for (uint32_t x = 0; x < width; ++x)
                scan[x] = line[size_t(x) * pixelBytes + l.Hi];
        break;
    case TKind::RGB:
        if (pixelBytes == 3) {
            ConvertRGBRow(line, scan, 8, int(width) * 3, image.sizeInBytes() >= kBypassCacheBytes);
        } else {
            for (uint32_t x = 0; x < width; ++x, scan += 3) {
                const uint8_t* p = line + size_t(x) * pixelBytes + l.Hi;
                scan[0] = p[2 * sampleBytes];
                scan[1] = p[sampleBytes];
                scan[2] = p[0];
            }
        }
        break;
    case TKind::RGBA:
        if (pixelBytes == 4) {
            ConvertRGBARow(line, scan, 8, int(width) * 4);
        } else {
            for (uint32_t x = 0; x < width; ++x, scan += 4) {
                const uint8_t* p = line + size_t(x) * pixelBytes + l.Hi;
                scan[0] = p[2 * sampleBytes];
                scan[1] = p[sampleBytes];
                scan[2] = p[0];
                scan[3] = p[3 * sampleBytes];
            }
        }
        break;
    case TKind::CMYK:
        if (pixelBytes == 4) {
            ConvertCMYKRow(line, scan, 8, int(width) * 4);
        } else if (sampleBytes == 1) {
            for (uint32_t x = 0; x < width; ++x, scan += 3) {
                const uint8_t* p = line + size_t(x) * pixelBytes;
                CMYKToBGR(p[0], p[1], p[2], p[3], scan);
            }
        } else {
            const auto r16 = [&](const uint8_t* p) { return l.BigEndian ? ReadBE16(p) : ReadLE16(p); };
            for (uint32_t x = 0; x < width; ++x, scan += 3) {
                const uint8_t* p = line + size_t(x) * pixelBytes;
                const uint16_t w[4] = {r16(p), r16(p + 2), r16(p + 4), r16(p + 6)};
                ConvertCMYKRow(w, scan, 16, 4);
            }
        }
        break;
    case TKind::Lab:
        for (uint32_t x = 0; x < width; ++x, scan += 3) {
            const uint8_t* p = line + size_t(x) * pixelBytes + l.Hi;
            LabToBGR(p[0], int8_t(p[sampleBytes]), int8_t(p[2 * sampleBytes]), scan);
        }
        break;
    case TKind::YCbCr: {
        // Data units of SubH x SubV luma samples, then Cb and Cr.
        const uint32_t subH = l.SubH, subV = l.SubV;
        const uint32_t unitBytes = subH * subV + 2;
        for (uint32_t dy = 0; dy < subV && row + dy < l.Height; ++dy) {
            uint8_t* s = image.scanLine(int(row + dy));
            for (uint32_t x = 0; x < width; ++x, s += 3) {
                const uint8_t* u = line + size_t(x / subH) * unitBytes;
                const int y = u[dy * subH + x % subH];
                const int cb = u[subH * subV] - 128;
                const int cr = u[subH * subV + 1] - 128;
                s[2] = Clamp8(int(std::lround(y + 1.402 * cr)));
                s[1] = Clamp8(int(std::lround(y - 0.344136 * cb - 0.714136 * cr)));
                s[0] = Clamp8(int(std::lround(y + 1.772 * cb)));
            }
        }
        break;
    }
    }
}

void UnpremultiplyAlpha(QImage& image)
{
    for (int y = 0; y < image.height(); ++y) {
        uint8_t* p = image.scanLine(y);
        for (int x = 0; x < image.width(); ++x, p += 4) {
            const int a = p[3];
            if (a != 0 && a != 255)
                for (int c = 0; c < 3; ++c)
                    p[c] = uint8_t(std::min(255, (p[c] * 255 + a / 2) / a));
        }
    }
}

// ---------------------------------------------------------------------------------------
// Putting the segments together

// Rows of band number band: bands are strips (rows per strip, the list's last entry for the
// rest) or rows of tiles.
uint32_t BandRows(const TTIFFLayout& l, size_t band)
{
    if (l.Tiled)
        return l.TileLength;
    const uint32_t rows = band < l.RowsPerStrip.size() ? l.RowsPerStrip[band] : l.RowsPerStrip.back();
    return rows == 0 ? l.Height : rows;
}

size_t BandCount(const TTIFFLayout& l)
{
    size_t count = 0;
    for (uint64_t row = 0; row < l.Height; ++count)
        row += BandRows(l, count);
    return count;
}

// Unit lines of samples are the picture's own lines, byte for byte, so strips decode into it.
bool LinesAsInPicture(const TTIFFLayout& l, const QImage& image)
{
    return !l.Tiled && !l.Planar && l.SegmentLine == uint64_t(image.bytesPerLine()) &&
           (l.Kind == TKind::Mono || (l.Kind == TKind::Index8 && l.PixelBytes == 1));
}

void DecodeSegments(const TTIFFLayout& l, PictureSource& file, QImage& image)
{
    TSegmentReader reader(l, file);
    const uint32_t planes = l.Planar ? l.SamplesPerPixel : 1;
    const uint32_t segmentWidth = l.Tiled ? l.TileWidth : l.Width;
    const uint32_t across = (l.Width + segmentWidth - 1) / segmentWidth;
    const bool subsampled = l.SubH > 1 || l.SubV > 1;
    const uint64_t segmentLine = l.SegmentLine;
    // Interleaved strips convert straight from the segment, or decode straight into the picture
    // where its lines are theirs; tiles and planes are put together in a band first.
    const bool direct = !l.Tiled && !l.Planar;
    const bool intoPicture = LinesAsInPicture(l, image);
    // Uncompressed strips are taken some lines at a time: a file read as decoding goes is
    // then never held a whole strip at a time.
    const uint64_t partUnits =
        l.Compression == 1 ? std::max<uint64_t>(1, kReadAhead / segmentLine) : ~uint64_t(0);
    const size_t bandsPerPlane = direct ? 0 : l.Tiled ? (l.Height + l.TileLength - 1) / l.TileLength : BandCount(l);
    LargeBuffer band;

    uint32_t row = 0;
    for (size_t b = 0; row < l.Height; ++b) {
        const uint32_t usedRows = std::min<uint32_t>(BandRows(l, b), l.Height - row);
        const uint64_t usedUnits = (uint64_t(usedRows) + l.SubV - 1) / l.SubV;
        const uint64_t segmentUnits = l.Tiled ? l.TileLength / l.SubV : usedUnits;
        if (direct) {
            if (b >= l.Offsets.size())
                break;
            for (uint64_t u = 0; u < usedUnits;) {
                const uint64_t units = std::min(partUnits, usedUnits - u);
                if (intoPicture) {
                    reader.Read(b, segmentLine, units, segmentWidth, u, image.scanLine(int(row)));
                    row += uint32_t(units);
                } else {
                    const uint8_t* source = reader.Read(b, segmentLine, units, segmentWidth, u);
                    for (uint64_t i = 0; i < units; ++i, row += l.SubV)
                        ConvertUnit(l, source + i * segmentLine, image, row);
                }
                u += units;
            }
            row = std::min(row, l.Height);
            continue;
        }
        band.reserve(size_t(usedUnits * l.UnitLine));
        std::memset(band.data(), 0, size_t(usedUnits * l.UnitLine));
        for (uint32_t p = 0; p < planes; ++p) {
            for (uint32_t t = 0; t < across; ++t) {
                const size_t index = (p * bandsPerPlane + b) * across + t;
                if (index >= l.Offsets.size())
                    continue; // missing segments stay black
                const uint8_t* segment = reader.Read(index, segmentLine, segmentUnits, segmentWidth);
                const uint32_t x0 = t * segmentWidth;
                const uint32_t pixels = std::min(segmentWidth, l.Width - x0);
                for (uint64_t u = 0; u < usedUnits; ++u) {
                    const uint8_t* from = segment + u * segmentLine;
                    uint8_t* to = band.data() + u * l.UnitLine;
                    if (l.Planar) {
                        const uint32_t sb = l.SampleBytes;
                        to += size_t(x0) * l.PixelBytes + p * sb;
                        for (uint32_t x = 0; x < pixels; ++x, to += l.PixelBytes, from += sb)
                            std::memcpy(to, from, sb);
                    } else {
                        const uint64_t start =
                            subsampled ? uint64_t(x0) / l.SubH * (l.SubH * l.SubV + 2) : segmentLine * t;
                        std::memcpy(to + start, from, size_t(std::min(segmentLine, l.UnitLine - start)));
                    }
                }
            }
        }
        for (uint64_t u = 0; u < usedUnits; ++u, row += l.SubV)
            ConvertUnit(l, band.data() + u * l.UnitLine, image, row);
        row = std::min(row, l.Height);
    }
    // Rows of strips the file does not have are black; the picture was not cleared.
    for (; row < l.Height; ++row)
        std::memset(image.scanLine(int(row)), 0, size_t(image.bytesPerLine()));
}

} // namespace

QImage DecodeTIFF(const uint8_t* data, size_t size, bool* fourBit)
{
    PictureSource source(data, size, kInvalidTIFF);
    return DecodeTIFF(source, fourBit);
}

QImage DecodeTIFF(PictureSource& source, bool* fourBit)
{
    if (fourBit)
        *fourBit = false;
    const TTIFFLayout layout = ReadLayout(source);
    // Every row is written by the strips or tiles, or cleared after them.
    QImage image = NewImage(layout.Width, layout.Height, layout.Format, kInvalidTIFF, false);
    if (!layout.ColorTable.isEmpty())
        image.setColorTable(layout.ColorTable);
    DecodeSegments(layout, source, image);
    if (layout.AssociatedAlpha)
        UnpremultiplyAlpha(image);
    if (fourBit)
        *fourBit = layout.Kind == TKind::Index4;
    return image;
}

} // namespace imgread

TTIFFGraphic::TTIFFGraphic()
{
    SetPixelFormat(pf24bit);
}

void TTIFFGraphic::LoadFromStream(QIODevice& stream)
{
    bool fourBit = false;
    QImage image;
    if (stream.isSequential()) {
        const imgread::StreamBytes bytes = imgread::ReadRest(stream);
        image = imgread::DecodeTIFF(bytes.data(), bytes.length(), &fourBit);
    } else {
        // Read as the strips decode: the file is never held whole beside the picture.
        imgread::PictureSource source(stream, imgread::kInvalidTIFF);
        image = imgread::DecodeTIFF(source, &fourBit);
    }
    SetImage(std::move(image), fourBit);
}

void TTIFFGraphic::SaveToStream(QIODevice&) const
{
    RaiseNotWritten(*this);
}

void TTIFFGraphic::SaveToTifFile(const QString&, bool) const
{
    RaiseNotWritten(*this);
}

#include "imageformats/tiff_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_compression.h"
#include "imageformats/picture_error.h"
#include "imageformats/picture_formats.h"

#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

const char* const SInvalidTIFF = "Invalid TIFF file.";
const char* const SUnknownCompression = "TIFF: Unknown compression scheme";

enum : uint16_t {
    TagWidth = 256,
    TagHeight = 257,
    TagBitsPerSample = 258,
    TagCompression = 259,
    TagPhotometric = 262,
    TagStripOffsets = 273,
    TagSamplesPerPixel = 277,
    TagRowsPerStrip = 278,
    TagStripByteCounts = 279,
    TagPlanarConfig = 284,
    TagPredictor = 317,
    TagColorMap = 320,
    TagExtraSamples = 338,
    TagYCbCrSubSampling = 530,
};

struct TIFDEntry {
    uint16_t Tag;
    uint16_t Type;
    uint32_t Count;
    const uint8_t* Value;   // the 4-byte value-or-offset field, in the file's byte order
};

// Size in bytes of one value of a data type the reader can take as an integer; 0 for the
// others (rationals, undefined bytes and unknown types are never read as integers).
uint32_t TypeSize(uint16_t Type)
{
    switch (Type) {
    case 1: case 2: case 6: return 1;   // BYTE, ASCII, SBYTE
    case 3: case 8: return 2;           // SHORT, SSHORT
    case 4: case 9: return 4;           // LONG, SLONG
    default: return 0;
    }
}

class TTIFFDirectory {
public:
    TTIFFDirectory(const uint8_t* Data, size_t Size) : FData(Data), FSize(Size) {}

    bool BigEndian = false;

    uint16_t R16(const uint8_t* P) const
    {
        return BigEndian ? uint16_t((P[0] << 8) | P[1]) : uint16_t(P[0] | (P[1] << 8));
    }
    uint32_t R32(const uint8_t* P) const
    {
        return BigEndian ? (uint32_t(P[0]) << 24) | (uint32_t(P[1]) << 16) | (uint32_t(P[2]) << 8) | P[3]
                         : uint32_t(P[0]) | (uint32_t(P[1]) << 8) | (uint32_t(P[2]) << 16) | (uint32_t(P[3]) << 24);
    }

    void Read()
    {
        if (FSize < 8)
            RaisePictureError(SInvalidTIFF);
        const uint16_t Order = uint16_t(FData[0] | (FData[1] << 8));
        BigEndian = Order == 0x4D4D;
        if (R16(FData + 2) != 42)
            RaisePictureError(SInvalidTIFF);
        const uint64_t Offset = R32(FData + 4);
        if (Offset > FSize || FSize - Offset < 2)
            RaisePictureError(SInvalidTIFF);
        const uint32_t Count = R16(FData + Offset);
        if (uint64_t(Count) * 12 > FSize - Offset - 2)
            RaisePictureError(SInvalidTIFF);
        FEntries.reserve(Count);
        const uint8_t* P = FData + Offset + 2;
        for (uint32_t i = 0; i < Count; ++i, P += 12)
            FEntries.push_back({R16(P), R16(P + 2), R32(P + 4), P + 8});
    }

    // Directories should be sorted by tag; a plain search also finds tags in one that is not.
    const TIFDEntry* Find(uint16_t Tag) const
    {
        for (const TIFDEntry& E : FEntries)
            if (E.Tag == Tag)
                return &E;
        return nullptr;
    }

    uint32_t GetValue(uint16_t Tag, uint32_t Default) const
    {
        const TIFDEntry* E = Find(Tag);
        if (!E)
            return Default;
        if (E->Count != 1)
            return R32(E->Value);
        switch (E->Type) {
        case 1: case 6: return E->Value[0];
        case 3: case 8: return R16(E->Value);
        case 4: case 9: return R32(E->Value);
        default: return Default;
        }
    }

    uint32_t GetValueLength(uint16_t Tag, uint32_t Default) const
    {
        const TIFDEntry* E = Find(Tag);
        if (!E || TypeSize(E->Type) == 0)
            return Default;
        return E->Count;
    }

    // The tag's values; values that fit the 4-byte field are held there, longer lists at its
    // offset. A list reaching past the end of the file makes the file invalid.
    std::vector<uint32_t> GetValueList(uint16_t Tag) const
    {
        std::vector<uint32_t> Values;
        const TIFDEntry* E = Find(Tag);
        if (!E)
            return Values;
        const uint32_t Size = TypeSize(E->Type);
        if (Size == 0 || E->Count == 0)
            return Values;
        const uint64_t Bytes = uint64_t(E->Count) * Size;
        const uint8_t* P = E->Value;
        if (Bytes > 4) {
            const uint64_t Offset = R32(E->Value);
            if (Offset > FSize || Bytes > FSize - Offset)
                RaisePictureError(SInvalidTIFF);
            P = FData + Offset;
        }
        Values.resize(E->Count);
        for (uint32_t i = 0; i < E->Count; ++i, P += Size)
            Values[i] = Size == 1 ? *P : Size == 2 ? R16(P) : R32(P);
        return Values;
    }

private:
    const uint8_t* FData;
    size_t FSize;
    std::vector<TIFDEntry> FEntries;
};

enum class TKind { Mono, Pal4, Index8, RGB, RGBA, CMYK, YCbCr, Lab };

inline uint16_t R16Of(const uint8_t* P, bool BigEndian)
{
    return BigEndian ? uint16_t((P[0] << 8) | P[1]) : uint16_t(P[0] | (P[1] << 8));
}

inline uint8_t Clamp8(int V)
{
    return uint8_t(V < 0 ? 0 : V > 255 ? 255 : V);
}

}   // namespace

QImage DecodeTIFF(const uint8_t* Data, size_t Size, bool* FourBit)
{
    if (FourBit)
        *FourBit = false;
    TTIFFDirectory Dir(Data, Size);
    Dir.Read();
    const bool BE = Dir.BigEndian;

    const uint32_t Photometric = Dir.GetValue(TagPhotometric, 0);
    const uint32_t Spp = Dir.GetValue(TagSamplesPerPixel, 1);
    const std::vector<uint32_t> BitsList = Dir.GetValueList(TagBitsPerSample);
    const uint32_t Bps = BitsList.empty() ? 1 : BitsList[0];
    const uint32_t Extra = Dir.GetValueLength(TagExtraSamples, 0);
    const uint32_t Width = Dir.GetValue(TagWidth, 0);
    const uint32_t Height = Dir.GetValue(TagHeight, 0);
    if (Width == 0 || Height == 0 || Spp == 0 || Spp > 16 || Extra >= Spp)
        RaisePictureError(SInvalidTIFF);
    // Separate colour planes are not read; showing them as interleaved would be false colour.
    if (Spp > 1 && Dir.GetValue(TagPlanarConfig, 1) == 2)
        RaisePictureError(SInvalidTIFF);

    TKind Kind;
    QImage::Format Format;
    const bool Bytes8or16 = Bps == 8 || Bps == 16;
    switch (Photometric) {
    case 0:
    case 1:
    case 3:
        if (Bps == 1 && Spp == 1) {
            Kind = TKind::Mono;
            Format = QImage::Format_Mono;
        } else if (Bps == 4 && Spp == 1) {
            Kind = TKind::Pal4;
            Format = QImage::Format_Indexed8;
        } else if (Bytes8or16 && !(Photometric == 3 && Bps == 16)) {
            Kind = TKind::Index8;   // further samples (alpha) are passed over
            Format = QImage::Format_Indexed8;
        } else {
            RaisePictureError(SInvalidTIFF);
        }
        break;
    case 2:
        if (Spp < 3 || !Bytes8or16)
            RaisePictureError(SInvalidTIFF);
        Kind = Spp >= 4 ? TKind::RGBA : TKind::RGB;
        Format = Spp >= 4 ? QImage::Format_ARGB32 : QImage::Format_BGR888;
        break;
    case 5:
        if (Spp < 4 || !Bytes8or16)
            RaisePictureError(SInvalidTIFF);
        Kind = TKind::CMYK;
        Format = QImage::Format_BGR888;
        break;
    case 6:
        if (Spp != 3 || Bps != 8)
            RaisePictureError(SInvalidTIFF);
        Kind = TKind::YCbCr;
        Format = QImage::Format_BGR888;
        break;
    case 8:
        if (Spp < 3 || !Bytes8or16)
            RaisePictureError(SInvalidTIFF);
        Kind = TKind::Lab;
        Format = QImage::Format_BGR888;
        break;
    default:
        RaisePictureError(SInvalidTIFF);
    }

    // A missing compression tag means no compression, as the TIFF standard has it.
    const uint32_t Compression = Dir.GetValue(TagCompression, 1);
    TTIFFLZW LZW;
    TPackbitsRLE PackBits;
    TDecoder* Decoder = nullptr;
    uint64_t MaxRatio = 1;
    switch (Compression) {
    case 1: break;
    case 5: Decoder = &LZW; MaxRatio = 4096; break;
    case 32773: Decoder = &PackBits; MaxRatio = 128; break;
    default: RaisePictureError(SUnknownCompression);
    }

    // Rows come in units: one row, or for subsampled YCbCr a block of SubV rows whose
    // samples are stored as data units of SubH x SubV luma samples and two chroma samples.
    uint32_t SubH = 1, SubV = 1;
    if (Kind == TKind::YCbCr) {
        const std::vector<uint32_t> Sub = Dir.GetValueList(TagYCbCrSubSampling);
        SubH = Sub.size() >= 1 ? Sub[0] : 2;
        SubV = Sub.size() >= 2 ? Sub[1] : 2;
        const auto Valid = [](uint32_t S) { return S == 1 || S == 2 || S == 4; };
        if (!Valid(SubH) || !Valid(SubV) || SubV > SubH)
            RaisePictureError(SInvalidTIFF);
    }
    const uint64_t BitsPerPixel = uint64_t(Bps) * Spp;
    const uint64_t UnitLine = (SubH == 1 && SubV == 1)
                                  ? (uint64_t(Width) * BitsPerPixel + 7) / 8
                                  : (uint64_t(Width) + SubH - 1) / SubH * (SubH * SubV + 2);
    const uint64_t Units = (uint64_t(Height) + SubV - 1) / SubV;
    if (uint64_t(Width) * Height > uint64_t(GraphicPixelLimit()))
        RaisePictureError(SInvalidTIFF);
    imgread::CheckExpansion(Units * UnitLine, Size, MaxRatio, SInvalidTIFF);

    QImage Image = imgread::NewImage(Width, Height, Format, SInvalidTIFF);

    // Colours of the indexed kinds.
    if (Kind == TKind::Mono || Kind == TKind::Pal4 || Kind == TKind::Index8) {
        const int N = Kind == TKind::Mono ? 2 : Kind == TKind::Pal4 ? 16 : 256;
        QList<QRgb> Table(N);
        if (Photometric == 3) {
            const std::vector<uint32_t> Map = Dir.GetValueList(TagColorMap);
            const int MapN = 1 << (Kind == TKind::Mono ? 1 : Kind == TKind::Pal4 ? 4 : 8);
            if (Map.size() < size_t(3 * MapN))
                RaisePictureError(SInvalidTIFF);
            for (int j = 0; j < N; ++j)
                Table[j] = qRgb(Map[j] >> 8, Map[MapN + j] >> 8, Map[2 * MapN + j] >> 8);
        } else {
            // 0: white is zero; 1: black is zero. 16 greys reach full white.
            const int Step = N == 2 ? 255 : N == 16 ? 17 : 1;
            for (int j = 0; j < N; ++j) {
                const int V = (Photometric == 0 ? N - 1 - j : j) * Step;
                Table[j] = qRgb(V, V, V);
            }
        }
        Image.setColorTable(Table);
    }

    // Strip tables.
    const uint32_t StripCount = Dir.GetValueLength(TagStripOffsets, 1);
    std::vector<uint32_t> Offsets, ByteCounts;
    if (StripCount < 2) {
        Offsets.push_back(Dir.GetValue(TagStripOffsets, 0));
        ByteCounts.push_back(Dir.GetValue(TagStripByteCounts, 0));
    } else {
        Offsets = Dir.GetValueList(TagStripOffsets);
        ByteCounts = Dir.GetValueList(TagStripByteCounts);
    }
    std::vector<uint32_t> RowsPerStrip = Dir.GetValueList(TagRowsPerStrip);
    if (Offsets.size() < 2 || RowsPerStrip.empty())
        RowsPerStrip.assign(1, Height);

    const uint32_t Predictor = Dir.GetValue(TagPredictor, 1);
    const bool UsePredictor = Predictor == 2 && Bytes8or16 && Kind != TKind::YCbCr;
    const uint32_t SampleBytes = Bps / 8;
    // The most significant byte of a 16-bit sample in the file's order.
    const uint32_t Hi = (SampleBytes == 2 && !BE) ? 1 : 0;
    const uint32_t PixelBytes = SampleBytes * Spp;

    const auto UndoPredictor = [&](uint8_t* Line) {
        if (SampleBytes == 1) {
            switch (Spp) {
            case 1: UndoPredictor1(Line, int(Width) - 1); return;
            case 3: UndoPredictor3(Line, int(Width) - 1); return;
            case 4: UndoPredictor4(Line, int(Width) - 1); return;
            default:
                for (uint64_t i = Spp; i < uint64_t(Width) * Spp; ++i)
                    Line[i] = uint8_t(Line[i] + Line[i - Spp]);
                return;
            }
        }
        // 16-bit samples, differenced as words in the file's byte order.
        const uint64_t Words = uint64_t(Width) * Spp;
        for (uint64_t i = Spp; i < Words; ++i) {
            uint8_t* P = Line + 2 * i;
            const uint8_t* Q = Line + 2 * (i - Spp);
            uint16_t V = uint16_t(R16Of(P, BE) + R16Of(Q, BE));
            if (BE) {
                P[0] = uint8_t(V >> 8);
                P[1] = uint8_t(V);
            } else {
                P[0] = uint8_t(V);
                P[1] = uint8_t(V >> 8);
            }
        }
    };

    const auto ConvertUnit = [&](const uint8_t* Line, int Row) {
        uint8_t* Scan = Image.scanLine(Row);
        switch (Kind) {
        case TKind::Mono:
            std::memcpy(Scan, Line, (size_t(Width) + 7) / 8);
            break;
        case TKind::Pal4:
            for (uint32_t x = 0; x < Width; ++x)
                Scan[x] = (Line[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
            break;
        case TKind::Index8:
            if (PixelBytes == 1)
                std::memcpy(Scan, Line, Width);
            else
                for (uint32_t x = 0; x < Width; ++x)
                    Scan[x] = Line[size_t(x) * PixelBytes + Hi];
            break;
        case TKind::RGB:
            if (PixelBytes == 3) {
                ConvertRGBRow(Line, Scan, 8, int(Width) * 3);
            } else {
                for (uint32_t x = 0; x < Width; ++x, Scan += 3) {
                    const uint8_t* P = Line + size_t(x) * PixelBytes + Hi;
                    Scan[0] = P[2 * SampleBytes];
                    Scan[1] = P[SampleBytes];
                    Scan[2] = P[0];
                }
            }
            break;
        case TKind::RGBA:
            if (PixelBytes == 4) {
                ConvertRGBARow(Line, Scan, 8, int(Width) * 4);
            } else {
                for (uint32_t x = 0; x < Width; ++x, Scan += 4) {
                    const uint8_t* P = Line + size_t(x) * PixelBytes + Hi;
                    Scan[0] = P[2 * SampleBytes];
                    Scan[1] = P[SampleBytes];
                    Scan[2] = P[0];
                    Scan[3] = P[3 * SampleBytes];
                }
            }
            break;
        case TKind::CMYK:
            if (PixelBytes == 4) {
                ConvertCMYKRow(Line, Scan, 8, int(Width) * 4);
            } else if (SampleBytes == 1) {
                for (uint32_t x = 0; x < Width; ++x, Scan += 3) {
                    const uint8_t* P = Line + size_t(x) * PixelBytes;
                    CMYKToBGR(P[0], P[1], P[2], P[3], Scan);
                }
            } else {
                for (uint32_t x = 0; x < Width; ++x, Scan += 3) {
                    const uint8_t* P = Line + size_t(x) * PixelBytes;
                    const uint16_t W[4] = {R16Of(P, BE), R16Of(P + 2, BE), R16Of(P + 4, BE), R16Of(P + 6, BE)};
                    ConvertCMYKRow(W, Scan, 16, 4);
                }
            }
            break;
        case TKind::Lab:
            for (uint32_t x = 0; x < Width; ++x, Scan += 3) {
                const uint8_t* P = Line + size_t(x) * PixelBytes + Hi;
                LabToBGR(P[0], int8_t(P[SampleBytes]), int8_t(P[2 * SampleBytes]), Scan);
            }
            break;
        case TKind::YCbCr: {
            // Data units of SubH x SubV luma samples, then Cb and Cr.
            const uint32_t UnitBytes = SubH * SubV + 2;
            for (uint32_t Dy = 0; Dy < SubV && Row + int(Dy) < int(Height); ++Dy) {
                uint8_t* S = Image.scanLine(Row + int(Dy));
                for (uint32_t x = 0; x < Width; ++x, S += 3) {
                    const uint8_t* U = Line + size_t(x / SubH) * UnitBytes;
                    const int Y = U[Dy * SubH + x % SubH];
                    const int Cb = U[SubH * SubV] - 128;
                    const int Cr = U[SubH * SubV + 1] - 128;
                    S[2] = Clamp8(int(std::lround(Y + 1.402 * Cr)));
                    S[1] = Clamp8(int(std::lround(Y - 0.344136 * Cb - 0.714136 * Cr)));
                    S[0] = Clamp8(int(std::lround(Y + 1.772 * Cb)));
                }
            }
            break;
        }
        }
    };

    imgread::LargeBuffer Strip;
    uint32_t Row = 0;
    for (size_t i = 0; i < Offsets.size() && Row < Height; ++i) {
        uint64_t StripRows = i < RowsPerStrip.size() ? RowsPerStrip[i] : RowsPerStrip.back();
        if (StripRows == 0)
            StripRows = Height;
        StripRows = std::min<uint64_t>(StripRows, Height - Row);
        const uint64_t StripUnits = (StripRows + SubV - 1) / SubV;
        const uint64_t StripSize = StripUnits * UnitLine;
        const uint64_t Offset = Offsets[i];
        const uint8_t* Source;
        if (Decoder) {
            const uint64_t Count = i < ByteCounts.size() ? ByteCounts[i] : 0;
            if (Offset > Size || Count > Size - Offset)
                RaisePictureError(SInvalidTIFF);
            Strip.reserve(StripSize);
            const uint8_t* Packed = Data + Offset;
            const int32_t Got = Decoder->Decode(Packed, Strip.data(), int32_t(std::min<uint64_t>(Count, INT32_MAX)),
                                                int32_t(StripSize));
            // A strip whose data ends early is black where it ends, never uninitialised.
            std::memset(Strip.data() + Got, 0, size_t(StripSize) - size_t(Got));
            Source = Strip.data();
        } else {
            if (Offset > Size || StripSize > Size - Offset)
                RaisePictureError(SInvalidTIFF);
            if (UsePredictor) {
                Strip.reserve(StripSize);
                std::memcpy(Strip.data(), Data + Offset, size_t(StripSize));
                Source = Strip.data();
            } else {
                Source = Data + Offset;
            }
        }
        for (uint64_t U = 0; U < StripUnits && Row < Height; ++U, Row += SubV) {
            const uint8_t* Line = Source + U * UnitLine;
            if (UsePredictor)
                UndoPredictor(Strip.data() + U * UnitLine);
            ConvertUnit(Line, int(Row));
        }
    }

    if (Kind == TKind::RGBA && Dir.GetValue(TagExtraSamples, 0) == 1) {
        // Associated alpha: the colours were stored multiplied by it.
        for (uint32_t y = 0; y < Height; ++y) {
            uint8_t* P = Image.scanLine(int(y));
            for (uint32_t x = 0; x < Width; ++x, P += 4) {
                const int A = P[3];
                if (A != 0 && A != 255)
                    for (int c = 0; c < 3; ++c)
                        P[c] = uint8_t(std::min(255, (P[c] * 255 + A / 2) / A));
            }
        }
    }
    if (FourBit)
        *FourBit = Kind == TKind::Pal4;
    return Image;
}

TTIFFGraphic::TTIFFGraphic()
{
    SetPixelFormat(pf24bit);
}

std::unique_ptr<TGraphic> TTIFFGraphic::Clone() const
{
    return std::unique_ptr<TGraphic>(new TTIFFGraphic(*this));
}

void TTIFFGraphic::LoadFromStream(QIODevice& Stream)
{
    const imgread::StreamBytes Bytes = imgread::ReadRest(Stream);
    bool FourBit = false;
    const QImage Image =
        DecodeTIFF(reinterpret_cast<const uint8_t*>(Bytes.constData()), size_t(Bytes.size()), &FourBit);
    SetImage(Image, FourBit);
}

void TTIFFGraphic::SaveToStream(QIODevice&) const {}

void TTIFFGraphic::SaveToTifFile(const QString&, bool) const {}

#include "imageformats/pcx_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_compression.h"
#include "imageformats/picture_error.h"
#include "imageformats/picture_formats.h"

#include <QApplication>
#include <QIODevice>
#include <cstring>
#include <vector>

namespace {

const char* const SNotPCX = "Not a PCX or SCR file.";
const char* const SWrongFormat = "PCX: wrong pixel format";

inline unsigned LE16(const uint8_t* P)
{
    return unsigned(P[0] | (P[1] << 8));
}

}   // namespace

QImage DecodePCX(const uint8_t* Data, size_t Size, bool* FourBit)
{
    if (FourBit)
        *FourBit = false;
    if (Size < 128)
        RaisePictureError(SNotPCX);
    const uint8_t* H = Data;
    if (H[0] != 10 && H[0] != 205)
        RaisePictureError(SNotPCX);
    const unsigned Version = H[1];
    const bool RunLength = H[2] == 1;
    const unsigned Bits = H[3];
    const int XMin = int(LE16(H + 4)), YMin = int(LE16(H + 6));
    const int XMax = int(LE16(H + 8)), YMax = int(LE16(H + 10));
    const unsigned Planes = H[65];
    const unsigned BytesPerLine = LE16(H + 66);
    const unsigned PaletteInfo = LE16(H + 68);

    enum { Mono, Four, Eight, True } Kind;
    if (Bits == 1 && Planes == 1)
        Kind = Mono;
    else if (Bits == 1 && Planes == 4)
        Kind = Four;
    else if (Bits == 8 && Planes == 1)
        Kind = Eight;
    else if (Bits == 8 && Planes == 3)
        Kind = True;
    else
        RaisePictureError(SWrongFormat);

    const int64_t Width = int64_t(XMax) - XMin + 1;
    const int64_t Height = int64_t(YMax) - YMin + 1;
    // Each plane's row must hold the picture's width.
    if (Width <= 0 || Height <= 0 || uint64_t(BytesPerLine) * 8 < uint64_t(Width) * Bits)
        RaisePictureError(SNotPCX);

    size_t DataSize = Size - 128;
    if (Kind == Eight)
        DataSize = DataSize >= 769 ? DataSize - 769 : 0;

    // Colours.
    QList<QRgb> Table;
    if (Kind != True) {
        if (Version == 3 && Kind != Mono) {
            Table = SystemPalette16();
        } else if (Kind == Mono) {
            Table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        } else if (Kind == Four) {
            for (int i = 0; i < 16; ++i)
                Table.append(PaletteInfo == 2 ? qRgb(i * 16, i * 16, i * 16)
                                              : qRgb(H[16 + 3 * i], H[17 + 3 * i], H[18 + 3 * i]));
        } else {
            if (Size >= 128 + 769 && Data[Size - 769] == 12) {
                const uint8_t* P = Data + Size - 768;
                for (int i = 0; i < 256; ++i, P += 3)
                    Table.append(qRgb(P[0], P[1], P[2]));
            } else if (PaletteInfo == 2) {
                Table = imgread::GreyTable();
            } else {
                if (qApp)
                    QApplication::beep();
                Table = imgread::PadTable({});
            }
        }
        if (Kind == Eight)
            Table = imgread::PadTable(Table);
    }

    const uint64_t LineSize = uint64_t(Planes) * BytesPerLine;
    const uint64_t Total = LineSize * uint64_t(Height);
    if (uint64_t(Width) * uint64_t(Height) > uint64_t(GraphicPixelLimit()))
        RaisePictureError(SNotPCX);
    // One count byte and one value give at most 63 bytes.
    imgread::CheckExpansion(Total, DataSize, RunLength ? 32 : 1, SNotPCX);
    const QImage::Format Format = Kind == Mono ? QImage::Format_Mono
                                  : Kind == True ? QImage::Format_BGR888
                                                 : QImage::Format_Indexed8;
    QImage Image = imgread::NewImage(Width, Height, Format, SNotPCX);
    if (Kind != True)
        Image.setColorTable(Table);

    const uint8_t* Pixels = Data + 128;
    imgread::LargeBuffer Unpacked;
    if (RunLength) {
        Unpacked = imgread::LargeBuffer(size_t(Total));
        TPCXRLE Decoder;
        const uint8_t* Source = Data + 128;
        const int32_t Produced =
            Decoder.Decode(Source, Unpacked.data(), int32_t(std::min<size_t>(DataSize, INT32_MAX)),
                           int32_t(Total));
        // Short data would leave rows without pixels.
        if (uint64_t(Produced) < Total)
            RaisePictureError(SNotPCX);
        Pixels = Unpacked.data();
    } else if (DataSize < Total) {
        RaisePictureError(SNotPCX);
    }

    const int W = int(Width);
    for (int y = 0; y < int(Height); ++y) {
        const uint8_t* Row = Pixels + size_t(y) * LineSize;
        uint8_t* Scan = Image.scanLine(y);
        switch (Kind) {
        case Mono:
            std::memcpy(Scan, Row, (size_t(W) + 7) / 8);
            break;
        case Four:
            // Plane 0 gives the lowest bit of each colour index.
            for (int x = 0; x < W; ++x) {
                const int Byte = x >> 3, Shift = 7 - (x & 7);
                Scan[x] = uint8_t(((Row[Byte] >> Shift) & 1) | (((Row[BytesPerLine + Byte] >> Shift) & 1) << 1)
                                  | (((Row[2 * BytesPerLine + Byte] >> Shift) & 1) << 2)
                                  | (((Row[3 * BytesPerLine + Byte] >> Shift) & 1) << 3));
            }
            break;
        case Eight:
            std::memcpy(Scan, Row, size_t(W));
            break;
        case True: {
            const uint8_t* R = Row;
            const uint8_t* G = Row + BytesPerLine;
            const uint8_t* B = Row + 2 * BytesPerLine;
            for (int x = 0; x < W; ++x, Scan += 3) {
                Scan[0] = B[x];
                Scan[1] = G[x];
                Scan[2] = R[x];
            }
            break;
        }
        }
    }
    if (FourBit)
        *FourBit = Kind == Four;
    return Image;
}

std::unique_ptr<TGraphic> TPCXGraphic::Clone() const
{
    return std::unique_ptr<TGraphic>(new TPCXGraphic(*this));
}

void TPCXGraphic::LoadFromStream(QIODevice& Stream)
{
    const imgread::StreamBytes Bytes = imgread::ReadRest(Stream);
    bool FourBit = false;
    const QImage Image =
        DecodePCX(reinterpret_cast<const uint8_t*>(Bytes.constData()), size_t(Bytes.size()), &FourBit);
    SetImage(Image, FourBit);
}

void TPCXGraphic::SaveToStream(QIODevice&) const {}

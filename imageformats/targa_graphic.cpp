#include "imageformats/targa_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_compression.h"
#include "imageformats/picture_error.h"
#include "platform/message_box.h"

#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char* const SInvalidTarga = "Targa: invalid image";
const char* const SCannotWrite = "Targa: could not write image data";
const char* const SConvertQuestion =
    "Targa image: 1 or 4 bit color depth not allowed. Convert to 256 colors?";

inline uint16_t LE16(const uint8_t* P)
{
    return uint16_t(P[0] | (P[1] << 8));
}

inline void PutLE16(uint8_t* P, unsigned V)
{
    P[0] = uint8_t(V);
    P[1] = uint8_t(V >> 8);
}

}   // namespace

QImage DecodeTarga(const uint8_t* Data, size_t Size, QByteArray* Identification, size_t* Consumed)
{
    imgread::BoundedReader In(Data, Size, SInvalidTarga);
    const uint8_t* H = In.take(18);
    const unsigned IdLength = H[0];
    const unsigned MapType = H[1];
    const unsigned ImageType = H[2];
    const unsigned MapLength = LE16(H + 5);
    const unsigned MapEntryBits = H[7];
    const unsigned Width = LE16(H + 12);
    const unsigned Height = LE16(H + 14);
    const unsigned PixelBits = H[16];
    const bool TopDown = (H[17] & 0x20) != 0;

    const uint8_t* Id = In.take(IdLength);
    if (Identification)
        *Identification = QByteArray(reinterpret_cast<const char*>(Id), int(IdLength));

    const unsigned BaseType = ImageType & ~8u;
    const bool Compressed = (ImageType & 8) != 0;
    if (BaseType < 1 || BaseType > 3 || ImageType > 11)
        RaisePictureError(SInvalidTarga);
    const bool Grey = BaseType == 3;

    unsigned Bpp;   // bytes per pixel in the file
    QImage::Format Format;
    switch (PixelBits) {
    case 8: Bpp = 1; Format = QImage::Format_Indexed8; break;
    case 15:
    case 16:
        Bpp = 2;
        // A grey picture of 16 bits is grey and alpha; the grey is kept.
        Format = Grey ? QImage::Format_Indexed8 : QImage::Format_RGB555;
        break;
    case 24: Bpp = 3; Format = QImage::Format_BGR888; break;
    case 32: Bpp = 4; Format = QImage::Format_ARGB32; break;
    default: RaisePictureError(SInvalidTarga);
    }
    if ((BaseType == 1 && PixelBits != 8) || (Grey && PixelBits != 8 && PixelBits != 16))
        RaisePictureError(SInvalidTarga);

    // The colour map, when there is one, is always passed over; only 256 entries fit.
    QList<QRgb> Table;
    if (MapType == 1) {
        const unsigned EntryBytes = MapEntryBits == 24 ? 3 : MapEntryBits == 32 ? 4 : 2;
        const uint8_t* Map = In.take(uint64_t(MapLength) * EntryBytes);
        const unsigned N = MapLength < 256 ? MapLength : 256;
        Table.resize(256, qRgb(0, 0, 0));
        for (unsigned i = 0; i < N; ++i) {
            const uint8_t* E = Map + i * EntryBytes;
            if (EntryBytes >= 3) {
                Table[i] = qRgb(E[2], E[1], E[0]);
            } else {
                const unsigned W = LE16(E);
                Table[i] = qRgb((W & 0x7C00) >> 7, (W & 0x3E0) >> 2, (W & 31) * 8);
            }
        }
    }
    if (Grey || (Format == QImage::Format_Indexed8 && MapType != 1))
        Table = imgread::GreyTable();

    const size_t LineSize = size_t(Bpp) * Width;
    if (uint64_t(Width) * Height > uint64_t(GraphicPixelLimit()))
        RaisePictureError(SInvalidTarga);
    // Run-length data gives at most 128 pixels for one header and one pixel.
    imgread::CheckExpansion(uint64_t(LineSize) * Height, In.remaining(), Compressed ? 128 : 1,
                            SInvalidTarga);
    QImage Image = imgread::NewImage(Width, Height, Format, SInvalidTarga);
    if (Format == QImage::Format_Indexed8)
        Image.setColorTable(Table);

    // Grey pictures of 16 bits keep one byte of each pixel: their rows decode beside the picture.
    std::vector<uint8_t> Row(Grey && Bpp == 2 ? LineSize : 0);
    // Run-length packets may run across the end of a row into the next.
    TTargaPacket Carry;
    for (unsigned i = 0; i < Height; ++i) {
        uint8_t* Scan = Image.scanLine(int(TopDown ? i : Height - 1 - i));
        const uint8_t* Src;
        if (Compressed) {
            uint8_t* Target = Row.empty() ? Scan : Row.data();
            uint32_t Produced = 0;
            const uint32_t Taken =
                DecodeRLE(In.data() + In.pos(), uint32_t(std::min<size_t>(In.remaining(), UINT32_MAX)), Target,
                          uint32_t(LineSize), PixelBits, &Produced, &Carry);
            if (Produced < LineSize)
                RaisePictureError(SInvalidTarga);
            In.skip(Taken);
            Src = Target;
        } else {
            Src = In.take(LineSize);
        }
        if (Grey && Bpp == 2) {
            for (unsigned x = 0; x < Width; ++x)
                Scan[x] = Src[2 * x];
        } else if (Bpp == 2) {
            // The top bit is an attribute bit, not colour.
            for (unsigned x = 0; x < Width; ++x)
                PutLE16(Scan + 2 * x, LE16(Src + 2 * x) & 0x7FFF);
        } else if (Src != Scan) {
            std::memcpy(Scan, Src, LineSize);
        }
    }
    // A packet running past the picture's end is passed over whole.
    if (Carry.Left > 0 && !Carry.Run)
        In.skip(std::min<uint64_t>(uint64_t(Carry.Left) * Bpp, In.remaining()));
    if (Consumed)
        *Consumed = In.pos();
    return Image;
}

QByteArray EncodeTarga(const QImage& Image, int BytesPerPixel, bool Compressed,
                       const QByteArray& Identification)
{
    QByteArray Out;
    if (Image.isNull() || Image.width() <= 0 || Image.height() <= 0)
        return Out;
    const int Width = Image.width();
    const int Height = Image.height();
    const QByteArray Id = Identification.left(255);
    const bool Mapped = BytesPerPixel == 1;

    uint8_t H[18] = {};
    H[0] = uint8_t(Id.size());
    H[1] = Mapped ? 1 : 0;
    H[2] = uint8_t(Compressed ? (Mapped ? 9 : 10) : (Mapped ? 1 : 2));
    if (Mapped) {
        // Without a colour map the map fields stay zero.
        PutLE16(H + 5, 256);
        H[7] = 24;
    }
    PutLE16(H + 12, unsigned(Width));
    PutLE16(H + 14, unsigned(Height));
    H[16] = uint8_t(BytesPerPixel * 8);
    H[17] = 0x20;   // rows are written from the top
    Out.append(reinterpret_cast<const char*>(H), 18);
    Out.append(Id);

    if (Mapped) {
        const QList<QRgb> Colors = Image.colorTable();
        char Map[768] = {};
        for (int i = 0; i < 256 && i < Colors.size(); ++i) {
            Map[3 * i] = char(qBlue(Colors[i]));
            Map[3 * i + 1] = char(qGreen(Colors[i]));
            Map[3 * i + 2] = char(qRed(Colors[i]));
        }
        Out.append(Map, 768);
    }

    const size_t LineSize = size_t(BytesPerPixel) * size_t(Width);
    std::vector<uint8_t> Buffer(2 * LineSize + 2);
    for (int y = 0; y < Height; ++y) {
        const uint8_t* Scan = Image.constScanLine(y);
        if (Compressed) {
            const int32_t N = EncodeRLE(Scan, Buffer.data(), Width, BytesPerPixel);
            Out.append(reinterpret_cast<const char*>(Buffer.data()), N);
        } else {
            Out.append(reinterpret_cast<const char*>(Scan), qsizetype(LineSize));
        }
    }
    return Out;
}

std::unique_ptr<TGraphic> TTargaGraphic::Clone() const
{
    return std::unique_ptr<TGraphic>(new TTargaGraphic(*this));
}

void TTargaGraphic::LoadFromStream(QIODevice& Stream)
{
    const qint64 Start = Stream.pos();
    const imgread::StreamBytes Bytes = imgread::ReadRest(Stream);
    QByteArray Id;
    size_t Consumed = 0;
    const QImage Image = DecodeTarga(reinterpret_cast<const uint8_t*>(Bytes.constData()),
                                     size_t(Bytes.size()), &Id, &Consumed);
    SetImage(Image);
    Identification = Id;
    // The stream stands just after the picture, as if it had been read packet by packet.
    if (!Stream.isSequential())
        Stream.seek(Start + qint64(Consumed));
}

void TTargaGraphic::LoadFromResourceName(void*, const QString& Name)
{
    QFile File(QStringLiteral(":/") + Name);
    if (!File.open(QIODevice::ReadOnly))
        RaisePictureError(SInvalidTarga);
    LoadFromStream(File);
}

void TTargaGraphic::LoadFromResourceID(void* Instance, int ID)
{
    LoadFromResourceName(Instance, QString::number(ID));
}

void TTargaGraphic::SaveToStream(QIODevice& Stream) const
{
    SaveToStream(Stream, true);
}

void TTargaGraphic::SaveToStream(QIODevice& Stream, bool Compressed) const
{
    if (Empty())
        return;
    QImage Image;
    int BytesPerPixel;
    switch (PixelFormat()) {
    case pf1bit:
    case pf4bit: {
        if (MessageDlg(QString::fromLatin1(SConvertQuestion), mtWarning, mbOKCancel) != mrOk)
            return;
        TBitmap Copy(*this);
        Copy.SetPixelFormat(pf8bit);
        Image = Copy.image();
        BytesPerPixel = 1;
        break;
    }
    case pf8bit:
        Image = image();
        BytesPerPixel = 1;
        break;
    case pf15bit:
        Image = image().convertToFormat(QImage::Format_RGB555);
        BytesPerPixel = 2;
        break;
    case pf16bit:
        // Targa's 16-bit pixels are 5-5-5; 5-6-5 pixels are converted, not written as they are.
        Image = image().convertToFormat(QImage::Format_RGB555);
        BytesPerPixel = 2;
        break;
    case pf24bit:
        Image = image().convertToFormat(QImage::Format_BGR888);
        BytesPerPixel = 3;
        break;
    default:
        Image = image().convertToFormat(QImage::Format_RGB32);
        BytesPerPixel = 4;
        break;
    }
    const QByteArray Data = EncodeTarga(Image, BytesPerPixel, Compressed, Identification);
    if (Stream.write(Data) != Data.size())
        RaisePictureError(SCannotWrite);
}

#include "imageformats/targa_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_compression.h"
#include "imageformats/picture_error.h"
#include "platform/byte_order.h"
#include "platform/message_box.h"

#include <QFile>
#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char* const kInvalidTarga = "Targa: invalid image";
const char* const kCannotWrite = "Targa: could not write image data";
const char* const kConvertQuestion =
    "Targa image: 1 or 4 bit color depth not allowed. Convert to 256 colors?";

}   // namespace

namespace imgread {

QImage DecodeTarga(const uint8_t* data, size_t size, QByteArray* identification, size_t* consumed)
{
    PictureSource source(data, size, kInvalidTarga);
    return DecodeTarga(source, identification, consumed);
}

QImage DecodeTarga(PictureSource& in, QByteArray* identification, size_t* consumed)
{
    uint8_t h[18];
    in.read(0, h, sizeof h);
    const unsigned idLength = h[0];
    const unsigned mapType = h[1];
    const unsigned imageType = h[2];
    const unsigned mapFirst = ReadLE16(h + 3);
    const unsigned mapLength = ReadLE16(h + 5);
    const unsigned mapEntryBits = h[7];
    const unsigned width = ReadLE16(h + 12);
    const unsigned height = ReadLE16(h + 14);
    const unsigned pixelBits = h[16];
    const bool topDown = (h[17] & 0x20) != 0;

    uint64_t pos = sizeof h;
    const uint8_t* id = in.at(pos, idLength);
    pos += idLength;
    if (identification)
        *identification = QByteArray(reinterpret_cast<const char*>(id), int(idLength));

    const unsigned baseType = imageType & ~8u;
    const bool compressed = (imageType & 8) != 0;
    if (baseType < 1 || baseType > 3 || imageType > 11)
        RaisePictureError(kInvalidTarga);
    const bool grey = baseType == 3;

    unsigned bpp;   // bytes per pixel in the file
    QImage::Format format;
    switch (pixelBits) {
    case 8: bpp = 1; format = QImage::Format_Indexed8; break;
    case 15:
    case 16:
        bpp = 2;
        // A grey picture of 16 bits is grey and alpha; the grey is kept.
        format = grey ? QImage::Format_Indexed8 : QImage::Format_RGB555;
        break;
    case 24: bpp = 3; format = QImage::Format_BGR888; break;
    case 32: bpp = 4; format = QImage::Format_ARGB32; break;
    default: RaisePictureError(kInvalidTarga);
    }
    if ((baseType == 1 && pixelBits != 8) || (grey && pixelBits != 8 && pixelBits != 16))
        RaisePictureError(kInvalidTarga);

    // The colour map, when there is one, is always passed over; only 256 colours fit.
    QList<QRgb> table;
    if (mapType == 1) {
        const unsigned entryBytes = mapEntryBits == 24 ? 3 : mapEntryBits == 32 ? 4 : 2;
        const uint8_t* map = in.at(pos, size_t(mapLength) * entryBytes);
        pos += size_t(mapLength) * entryBytes;
        // Entry i of the map is colour first + i: pixel values index the map from its first
        // entry index. Colours beyond 255 have no pixel value that could reach them.
        const unsigned first = mapFirst;
        const unsigned n = first >= 256 ? 0 : std::min(mapLength, 256 - first);
        table.resize(256, qRgb(0, 0, 0));
        for (unsigned i = 0; i < n; ++i) {
            const uint8_t* e = map + i * entryBytes;
            if (entryBytes >= 3) {
                table[first + i] = qRgb(e[2], e[1], e[0]);
            } else {
                const unsigned w = ReadLE16(e);
                table[first + i] = qRgb((w & 0x7C00) >> 7, (w & 0x3E0) >> 2, (w & 31) * 8);
            }
        }
    }
    if (grey || (format == QImage::Format_Indexed8 && mapType != 1))
        table = GreyTable();

    const size_t lineSize = size_t(bpp) * width;
    if (uint64_t(width) * height > uint64_t(GraphicPixelLimit()))
        RaisePictureError(kInvalidTarga);
    // Run-length data gives at most 128 pixels for one header and one pixel.
    CheckExpansion(uint64_t(lineSize) * height, in.size() - pos, compressed ? 128 : 1, kInvalidTarga);
    // Every byte of every row is written below (or the picture is dropped with an error), so it
    // need not be cleared first.
    QImage image = NewImage(width, height, format, kInvalidTarga, false);
    if (format == QImage::Format_Indexed8)
        image.setColorTable(table);

    // Grey pictures of 16 bits keep one byte of each pixel: their rows decode beside the picture.
    std::vector<uint8_t> row(grey && bpp == 2 ? lineSize : 0);
    // Run-length packets may run across the end of a row into the next. A row's packets take
    // at most a header and a pixel for each of its pixels: that much of the file is at hand
    // for every row, so the rows decode as from the whole file.
    TTargaPacket carry;
    const size_t rowPacked = lineSize + width + 16;
    for (unsigned i = 0; i < height; ++i) {
        uint8_t* scan = image.scanLine(int(topDown ? i : height - 1 - i));
        uint8_t* target = row.empty() ? scan : row.data();
        if (compressed) {
            size_t available = 0;
            const uint8_t* packed = in.ahead(pos, rowPacked, &available);
            uint32_t produced = 0;
            pos += DecodeRLE(packed, uint32_t(std::min<size_t>(available, UINT32_MAX)), target,
                             uint32_t(lineSize), pixelBits, &produced, &carry);
            if (produced < lineSize)
                RaisePictureError(kInvalidTarga);
        } else {
            in.read(pos, target, lineSize);
            pos += lineSize;
        }
        if (grey && bpp == 2) {
            for (unsigned x = 0; x < width; ++x)
                scan[x] = target[2 * x];
        } else if (bpp == 2) {
            // The top bit is an attribute bit, not colour.
            for (unsigned x = 0; x < width; ++x)
                WriteLE16(scan + 2 * x, uint16_t(ReadLE16(scan + 2 * x) & 0x7FFF));
        }
    }
    // A packet running past the picture's end is passed over whole.
    if (carry.Left > 0 && !carry.Run)
        pos += std::min<uint64_t>(uint64_t(carry.Left) * bpp, in.size() - pos);
    if (consumed)
        *consumed = size_t(pos);
    return image;
}

QByteArray EncodeTarga(const QImage& image, int bytesPerPixel, bool compressed,
                       const QByteArray& identification)
{
    QByteArray out;
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return out;
    const int width = image.width();
    const int height = image.height();
    const QByteArray id = identification.left(255);
    const bool mapped = bytesPerPixel == 1;

    uint8_t h[18] = {};
    h[0] = uint8_t(id.size());
    h[1] = mapped ? 1 : 0;
    h[2] = uint8_t(compressed ? (mapped ? 9 : 10) : (mapped ? 1 : 2));
    if (mapped) {
        // Without a colour map the map fields stay zero.
        WriteLE16(h + 5, 256);
        h[7] = 24;
    }
    WriteLE16(h + 12, uint16_t(width));
    WriteLE16(h + 14, uint16_t(height));
    h[16] = uint8_t(bytesPerPixel * 8);
    h[17] = 0x20;   // rows are written from the top
    out.append(reinterpret_cast<const char*>(h), 18);
    out.append(id);

    if (mapped) {
        const QList<QRgb> colors = image.colorTable();
        char map[768] = {};
        for (int i = 0; i < 256 && i < colors.size(); ++i) {
            map[3 * i] = char(qBlue(colors[i]));
            map[3 * i + 1] = char(qGreen(colors[i]));
            map[3 * i + 2] = char(qRed(colors[i]));
        }
        out.append(map, 768);
    }

    const size_t lineSize = size_t(bytesPerPixel) * size_t(width);
    std::vector<uint8_t> buffer(2 * lineSize + 2);
    for (int y = 0; y < height; ++y) {
        const uint8_t* scan = image.constScanLine(y);
        if (compressed) {
            const int32_t n = EncodeRLE(scan, buffer.data(), width, bytesPerPixel);
            out.append(reinterpret_cast<const char*>(buffer.data()), n);
        } else {
            out.append(reinterpret_cast<const char*>(scan), qsizetype(lineSize));
        }
    }
    return out;
}

} // namespace imgread

void TTargaGraphic::LoadFromStream(QIODevice& stream)
{
    const qint64 start = stream.pos();
    QByteArray id;
    size_t consumed = 0;
    QImage image;
    if (stream.isSequential()) {
        const imgread::StreamBytes bytes = imgread::ReadRest(stream);
        image = imgread::DecodeTarga(bytes.data(), bytes.length(), &id, &consumed);
    } else {
        // Read as the rows decode: the file is never held whole beside the picture.
        imgread::PictureSource source(stream, kInvalidTarga);
        image = imgread::DecodeTarga(source, &id, &consumed);
    }
    SetImage(std::move(image));
    Identification = id;
    // The stream stands just after the picture, as if it had been read packet by packet.
    if (!stream.isSequential())
        stream.seek(start + qint64(consumed));
}

void TTargaGraphic::LoadFromResourceName(void*, const QString& name)
{
    QFile file(QStringLiteral(":/") + name);
    if (!file.open(QIODevice::ReadOnly))
        RaisePictureError(kInvalidTarga);
    LoadFromStream(file);
}

void TTargaGraphic::LoadFromResourceID(void* instance, int id)
{
    LoadFromResourceName(instance, QString::number(id));
}

void TTargaGraphic::SaveToStream(QIODevice& stream) const
{
    SaveToStream(stream, true);
}

void TTargaGraphic::SaveToStream(QIODevice& stream, bool compressed) const
{
    if (Empty())
        return;
    QImage picture;
    int bytesPerPixel;
    switch (PixelFormat()) {
    case pf1bit:
    case pf4bit: {
        if (MessageDlg(QString::fromLatin1(kConvertQuestion), mtWarning, mbOKCancel) != mrOk)
            return;
        TBitmap copy(*this);
        copy.SetPixelFormat(pf8bit);
        picture = copy.image();
        bytesPerPixel = 1;
        break;
    }
    case pf8bit:
        picture = image();
        bytesPerPixel = 1;
        break;
    case pf15bit:
        picture = image().convertToFormat(QImage::Format_RGB555);
        bytesPerPixel = 2;
        break;
    case pf16bit:
        // Targa's 16-bit pixels are 5-5-5; 5-6-5 pixels are converted, not written as they are.
        picture = image().convertToFormat(QImage::Format_RGB555);
        bytesPerPixel = 2;
        break;
    case pf24bit:
        picture = image().convertToFormat(QImage::Format_BGR888);
        bytesPerPixel = 3;
        break;
    default:
        picture = image().convertToFormat(QImage::Format_RGB32);
        bytesPerPixel = 4;
        break;
    }
    const QByteArray data = imgread::EncodeTarga(picture, bytesPerPixel, compressed, Identification);
    if (stream.write(data) != data.size())
        RaisePictureError(kCannotWrite);
}

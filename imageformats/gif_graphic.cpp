#include "imageformats/gif_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_compression.h"
#include "platform/file_utils.h"

#include <QFile>
#include <QFileInfo>

#include <QIODevice>
#include <cstring>
#include <vector>

namespace imgread {
namespace {

const char* const kNotGIF = "Not a valid GIF file.";

QList<QRgb> ReadColourTable(BoundedReader& in, uint8_t flags)
{
    const int count = 2 << (flags & 7);
    const uint8_t* p = in.take(uint64_t(count) * 3);
    QList<QRgb> table(count);
    for (int i = 0; i < count; ++i, p += 3)
        table[i] = qRgb(p[0], p[1], p[2]);
    return PadTable(table);
}

} // namespace

QImage DecodeGIF(const uint8_t* data, size_t size)
{
    BoundedReader in(data, size, kNotGIF);
    const uint8_t* sig = in.take(6);
    if ((sig[0] & 0xdf) != 'G' || (sig[1] & 0xdf) != 'I' || (sig[2] & 0xdf) != 'F')
        RaisePictureError(kNotGIF);
    const uint32_t screenWidth = in.u16le();
    const uint32_t screenHeight = in.u16le();
    const uint8_t screenFlags = in.u8();
    in.skip(2); // background index, aspect
    QList<QRgb> table = GreyTable();
    if (screenFlags & 0x80)
        table = ReadColourTable(in, screenFlags);

    for (;;) {
        const uint8_t block = in.u8();
        if (block == ',')
            break;
        if (block == ';')
            return QImage(); // no image at all: an empty picture
        if (block == '!') {
            // Extensions are passed over sub-block by sub-block: their data may hold zeros.
            in.skip(1);
            for (uint8_t n = in.u8(); n != 0; n = in.u8())
                in.skip(n);
        }
        // Anything else is stray padding between blocks.
    }

    in.skip(4); // left, top: not used
    uint32_t width = in.u16le();
    uint32_t height = in.u16le();
    const uint8_t flags = in.u8();
    if (width == 0)
        width = screenWidth;
    if (height == 0)
        height = screenHeight;
    if (width == 0 || height == 0)
        RaisePictureError(kNotGIF);
    if (flags & 0x80)
        table = ReadColourTable(in, flags);

    const uint8_t codeSize = in.u8();
    if (codeSize < 2 || codeSize > 11)
        RaisePictureError(kNotGIF);
    LargeBuffer packed(in.remaining());
    size_t packedSize = 0;
    for (uint8_t n = in.u8(); n != 0; n = in.u8()) {
        std::memcpy(packed.data() + packedSize, in.take(n), n);
        packedSize += n;
    }
    if (packedSize > 0x7fffffff)
        RaisePictureError(kNotGIF);

    CheckExpansion(uint64_t(width) * height, size, 4096, kNotGIF);
    QImage image = NewImage(width, height, QImage::Format_Indexed8, kNotGIF);
    image.setColorTable(table);
    LargeBuffer pixels(size_t(width) * height);
    TGIFLZW decoder;
    decoder.InitialCodeSize = codeSize;
    const uint8_t* src = packed.data();
    const int32_t got = decoder.Decode(src, pixels.data(), int32_t(packedSize), int32_t(pixels.size()));
    // Pixels the data does not reach stay index 0.
    std::memset(pixels.data() + got, 0, pixels.size() - size_t(got));

    if (flags & 0x40) {
        static const uint32_t start[4] = {0, 4, 2, 1};
        static const uint32_t step[4] = {8, 8, 4, 2};
        uint32_t row = 0;
        for (int pass = 0; pass < 4; ++pass)
            for (uint32_t y = start[pass]; y < height; y += step[pass], ++row)
                std::memcpy(image.scanLine(int(y)), pixels.data() + size_t(row) * width, width);
    } else {
        for (uint32_t y = 0; y < height; ++y)
            std::memcpy(image.scanLine(int(y)), pixels.data() + size_t(y) * width, width);
    }
    return image;
}

QList<QRgb> DecodeCUTPalette(const uint8_t* data, size_t size)
{
    QList<QRgb> table = GreyTable();
    if (size < 14)
        return table;
    uint32_t count = uint32_t(data[12] | (data[13] << 8)) + 1;
    if (count > 256)
        count = 256;
    size_t block = 0, pos = 40;
    for (uint32_t i = 0; i < count; ++i) {
        if (pos > 506) {
            block += 512;
            pos = 0;
        }
        const size_t at = block + pos;
        if (at + 6 > size)
            break; // a short file keeps the grey entries it does not reach
        table[int(i)] = qRgb(data[at], data[at + 2], data[at + 4]);
        pos += 6;
    }
    return table;
}

QImage DecodeCUT(const uint8_t* data, size_t size, const QList<QRgb>& palette)
{
    BoundedReader in(data, size, kStreamReadError);
    const uint32_t width = in.u16le();
    const uint32_t height = in.u16le();
    in.skip(2);
    if (width == 0 || height == 0)
        RaisePictureError(kStreamReadError);
    CheckExpansion(uint64_t(width) * height, size, 128, kStreamReadError);
    QImage image = NewImage(width, height, QImage::Format_Indexed8, kStreamReadError);
    image.setColorTable(PadTable(palette));
    TCUTRLE decoder;
    const uint8_t* src = data + in.pos();
    const uint8_t* end = data + size;
    for (uint32_t y = 0; y < height; ++y) {
        const int32_t got = decoder.Decode(src, image.scanLine(int(y)), int32_t(end - src), int32_t(width));
        if (got < int32_t(width))
            RaisePictureError(kStreamReadError);
    }
    return image;
}

} // namespace imgread

void TGIFGraphic::LoadFromStream(QIODevice& stream)
{
    const imgread::StreamBytes bytes = imgread::ReadRest(stream);
    QImage image = imgread::DecodeGIF(bytes.data(), bytes.length());
    if (image.isNull()) {
        Clear();
        SetPixelFormat(pf8bit);
    } else {
        SetImage(std::move(image));
    }
}

void TCUTGraphic::LoadFromFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString base = info.suffix().isEmpty() ? fileName : fileName.left(fileName.size() - info.suffix().size() - 1);
    FPaletteFile = FindPathNoCase(base + QStringLiteral(".pal"));
    // The name serves this load only, whatever its outcome.
    struct Reset {
        QString& name;
        ~Reset() { name.clear(); }
    } reset{FPaletteFile};
    TBitmap::LoadFromFile(fileName);
}

void TCUTGraphic::LoadFromStream(QIODevice& stream)
{
    QList<QRgb> palette = imgread::GreyTable();
    if (!FPaletteFile.isEmpty()) {
        QFile file(FPaletteFile);
        if (file.open(QIODevice::ReadOnly)) {
            // Only the first 256 entries are used: 40 + 256 * 6 bytes over at most 4 blocks.
            const QByteArray pal = file.read(4 * 512);
            palette = imgread::DecodeCUTPalette(reinterpret_cast<const uint8_t*>(pal.constData()), size_t(pal.size()));
        }
    }
    const imgread::StreamBytes bytes = imgread::ReadRest(stream);
    SetImage(imgread::DecodeCUT(bytes.data(), bytes.length(), palette));
}

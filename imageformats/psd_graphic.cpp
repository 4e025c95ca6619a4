#include "imageformats/psd_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_compression.h"
#include "imageformats/picture_formats.h"

#include <QIODevice>
#include <cstring>
#include <vector>

namespace imgread {
namespace {

const char* const kNotPSD = "Not a valid psd file.";

enum PSDMode { Bitmap = 0, Grey = 1, Indexed = 2, RGB = 3, CMYK = 4, Multichannel = 7, Duotone = 8, Lab = 9 };

} // namespace

QImage DecodePSD(const uint8_t* data, size_t size)
{
    BoundedReader in(data, size, kNotPSD);
    const uint8_t* sig = in.take(4);
    if (std::memcmp(sig, "8BPS", 4) != 0)
        RaisePictureError(kNotPSD);
    in.skip(2 + 6);
    const uint32_t channels = in.u16be();
    const uint32_t rows = in.u32be();
    const uint32_t columns = in.u32be();
    const uint32_t depth = in.u16be();
    const uint32_t mode = in.u16be();

    // Planes the mode needs, and the depths it may have.
    uint32_t planes = 1;
    bool depthOk = depth == 8 || depth == 16;
    switch (mode) {
    case Bitmap: depthOk = depth == 1; break;
    case Indexed: depthOk = depth == 8; break;
    case RGB:
    case Lab: planes = 3; break;
    case CMYK: planes = 4; break;
    case Grey:
    case Duotone:
    case Multichannel: break;
    default: RaisePictureError(kNotPSD);
    }
    if (!depthOk || channels < planes || channels > 56 || rows == 0 || columns == 0)
        RaisePictureError(kNotPSD);

    // Colour mode data: the palette of an indexed file, skipped otherwise.
    QList<QRgb> table = mode == Indexed ? PadTable({}) : GreyTable();
    const uint32_t colourLength = in.u32be();
    const uint8_t* colours = in.take(colourLength);
    if (mode == Indexed) {
        uint8_t pal[768] = {};
        std::memcpy(pal, colours, colourLength < 768 ? colourLength : 768);
        for (int i = 0; i < 256; ++i)
            table[i] = qRgb(pal[i], pal[256 + i], pal[512 + i]);
    }
    in.skip(in.u32be()); // image resources
    in.skip(in.u32be()); // layer and mask information
    const uint32_t compression = in.u16be();
    if (compression > 1)
        RaisePictureError(kNotPSD);
    const bool packbits = compression == 1;

    const uint32_t bytesPerSample = depth == 16 ? 2 : 1;
    const uint64_t rowBytes = depth == 1 ? (uint64_t(columns) + 7) / 8 : uint64_t(columns) * bytesPerSample;
    const uint64_t planeRows = uint64_t(planes) * rows;

    QImage::Format format = QImage::Format_BGR888;
    if (mode == Bitmap)
        format = QImage::Format_Mono;
    else if (mode == Grey || mode == Indexed || mode == Duotone)
        format = QImage::Format_Indexed8;

    // The header's size must be one the file can hold before any table of it is made.
    if (uint64_t(rows) * columns > uint64_t(GraphicPixelLimit()))
        RaisePictureError(kNotPSD);
    if (packbits) {
        if (uint64_t(channels) * rows * 2 > in.remaining())
            RaisePictureError(kNotPSD);
        CheckExpansion(planeRows * rowBytes, size, 128, kNotPSD);
    } else if (planeRows * rowBytes > in.remaining()) {
        RaisePictureError(kNotPSD);
    }

    // Where each plane row's data starts, and how long it is when packed.
    std::vector<uint64_t> offsets(planeRows);
    std::vector<uint32_t> counts(planeRows);
    if (packbits) {
        const uint8_t* t = in.take(uint64_t(channels) * rows * 2);
        uint64_t at = in.pos();
        for (uint64_t i = 0; i < planeRows; ++i) {
            counts[i] = uint32_t((t[2 * i] << 8) | t[2 * i + 1]);
            offsets[i] = at;
            at += counts[i];
        }
        if (at > size)
            RaisePictureError(kNotPSD);
    } else {
        for (uint64_t i = 0; i < planeRows; ++i)
            offsets[i] = in.pos() + i * rowBytes;
    }

    QImage image = NewImage(columns, rows, format, kNotPSD);
    if (mode == Multichannel)
        return image; // its channels have no colour meaning here: a blank picture of its size
    if (format == QImage::Format_Indexed8)
        image.setColorTable(table);

    std::vector<uint8_t> buffer(size_t(planes * rowBytes));
    TPackbitsRLE decoder;
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* plane[4] = {};
        for (uint32_t p = 0; p < planes; ++p) {
            const uint64_t i = uint64_t(p) * rows + y;
            uint8_t* dst = buffer.data() + p * rowBytes;
            if (packbits) {
                const uint8_t* src = data + offsets[i];
                const int32_t got = decoder.Decode(src, dst, int32_t(counts[i]), int32_t(rowBytes));
                if (uint64_t(got) < rowBytes)
                    RaisePictureError(kNotPSD);
            } else {
                std::memcpy(dst, data + offsets[i], size_t(rowBytes));
            }
            plane[p] = dst;
        }
        uchar* line = image.scanLine(int(y));
        const int bits = int(depth);
        if (depth == 16) // samples are big-endian
            for (uint32_t p = 0; p < planes; ++p)
                SwapWordArray(buffer.data() + p * rowBytes, int(columns));
        const void* const* source = reinterpret_cast<const void* const*>(plane);
        switch (mode) {
        case Bitmap:
            std::memcpy(line, plane[0], size_t(rowBytes));
            break;
        case Grey:
        case Indexed:
        case Duotone:
            if (depth == 16)
                ConvertGray16To8(plane[0], line, bits, int(columns));
            else
                std::memcpy(line, plane[0], columns);
            break;
        case RGB:
            ConvertRGBPlanarRow(source, line, bits, int(columns * 3));
            break;
        case CMYK:
            // Stored inverted: the full value means no ink.
            for (uint64_t i = 0; i < 4 * rowBytes; ++i)
                buffer[size_t(i)] = uint8_t(~buffer[size_t(i)]);
            ConvertCMYKPlanarRow(source, line, bits, int(columns * 4));
            break;
        case Lab:
            // a and b are stored with 128 added.
            for (uint64_t i = rowBytes; i < 3 * rowBytes; ++i)
                buffer[size_t(i)] = uint8_t(buffer[size_t(i)] + 128);
            ConvertLabPlanarRow(source, line, bits, int(columns * 3));
            break;
        }
    }
    return image;
}

} // namespace imgread

void TPSDGraphic::LoadFromStream(QIODevice& stream)
{
    const imgread::StreamBytes bytes = imgread::ReadRest(stream);
    QImage image = imgread::DecodePSD(bytes.data(), bytes.length());
    SetImage(std::move(image));
}

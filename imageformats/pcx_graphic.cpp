#include "imageformats/pcx_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_compression.h"
#include "imageformats/picture_error.h"
#include "imageformats/picture_formats.h"
#include "platform/byte_order.h"

#include <QApplication>
#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

const char* const kNotPCX = "Not a PCX or SCR file.";
const char* const kWrongFormat = "PCX: wrong pixel format";

}   // namespace

namespace imgread {

QImage DecodePCX(const uint8_t* data, size_t size, bool* fourBit)
{
    PictureSource source(data, size, kNotPCX);
    return DecodePCX(source, fourBit);
}

QImage DecodePCX(PictureSource& source, bool* fourBit)
{
    if (fourBit)
        *fourBit = false;
    const uint64_t size = source.size();
    uint8_t h[128];
    source.read(0, h, sizeof h);
    if (h[0] != 10 && h[0] != 205)
        RaisePictureError(kNotPCX);
    const unsigned version = h[1];
    const bool runLength = h[2] == 1;
    const unsigned bits = h[3];
    const int xMin = int(ReadLE16(h + 4)), yMin = int(ReadLE16(h + 6));
    const int xMax = int(ReadLE16(h + 8)), yMax = int(ReadLE16(h + 10));
    const unsigned planes = h[65];
    const unsigned bytesPerLine = ReadLE16(h + 66);
    const unsigned paletteInfo = ReadLE16(h + 68);

    enum { Mono, Four, Eight, True } kind;
    if (bits == 1 && planes == 1)
        kind = Mono;
    else if (bits == 1 && planes == 4)
        kind = Four;
    else if (bits == 8 && planes == 1)
        kind = Eight;
    else if (bits == 8 && planes == 3)
        kind = True;
    else
        RaisePictureError(kWrongFormat);

    const int64_t width = int64_t(xMax) - xMin + 1;
    const int64_t height = int64_t(yMax) - yMin + 1;
    // Each plane's row must hold the picture's width.
    if (width <= 0 || height <= 0 || uint64_t(bytesPerLine) * 8 < uint64_t(width) * bits)
        RaisePictureError(kNotPCX);

    uint64_t dataSize = size - 128;
    if (kind == Eight)
        dataSize = dataSize >= 769 ? dataSize - 769 : 0;

    // Colours.
    QList<QRgb> table;
    if (kind != True) {
        if (version == 3 && kind != Mono) {
            table = SystemPalette16();
        } else if (kind == Mono) {
            table = {qRgb(0, 0, 0), qRgb(255, 255, 255)};
        } else if (kind == Four) {
            for (int i = 0; i < 16; ++i)
                table.append(paletteInfo == 2 ? qRgb(i * 16, i * 16, i * 16)
                                              : qRgb(h[16 + 3 * i], h[17 + 3 * i], h[18 + 3 * i]));
        } else {
            const uint8_t* p = size >= 128 + 769 ? source.at(size - 769, 769) : nullptr;
            if (p && p[0] == 12) {
                ++p;
                for (int i = 0; i < 256; ++i, p += 3)
                    table.append(qRgb(p[0], p[1], p[2]));
            } else if (paletteInfo == 2) {
                table = GreyTable();
            } else {
                if (qApp)
                    QApplication::beep();
                table = PadTable({});
            }
        }
        if (kind == Eight)
            table = PadTable(table);
    }

    const uint64_t lineSize = uint64_t(planes) * bytesPerLine;
    const uint64_t total = lineSize * uint64_t(height);
    if (uint64_t(width) * uint64_t(height) > uint64_t(GraphicPixelLimit()))
        RaisePictureError(kNotPCX);
    // One count byte and one value give at most 63 bytes.
    CheckExpansion(total, dataSize, runLength ? 32 : 1, kNotPCX);
    if (!runLength && dataSize < total)
        RaisePictureError(kNotPCX);
    const QImage::Format format = kind == Mono ? QImage::Format_Mono
                                  : kind == True ? QImage::Format_BGR888
                                                 : QImage::Format_Indexed8;
    QImage image = NewImage(width, height, format, kNotPCX);
    if (kind != True)
        image.setColorTable(table);

    // Rows decode in blocks, read from the file as they go; run-length items may run across
    // the rows' and the blocks' ends. Rows of one plane as long as the picture's lines decode
    // straight into the picture.
    const bool direct = runLength && kind == Eight && lineSize == uint64_t(image.bytesPerLine());
    TPCXRLE decoder;
    decoder.Carry = true;
    uint64_t pos = 128;
    const uint64_t dataEnd = 128 + dataSize;
    const auto unpack = [&](uint8_t* to, uint64_t bytes) {
        for (uint64_t done = 0; done < bytes;) {
            size_t available = 0;
            const uint8_t* packed = source.ahead(pos, 2, &available);
            available = size_t(std::min<uint64_t>({available, dataEnd - pos, INT32_MAX}));
            const int32_t produced = decoder.Decode(packed, to + done, int32_t(available),
                                                    int32_t(std::min<uint64_t>(bytes - done, INT32_MAX)));
            // Short data would leave rows without pixels.
            if (produced == 0 && decoder.Consumed == 0)
                RaisePictureError(kNotPCX);
            done += uint64_t(produced);
            pos += decoder.Consumed;
        }
    };
    if (direct) {
        unpack(image.bits(), total);
        return image;
    }
    const uint64_t blockRows = std::clamp<uint64_t>(kReadAhead / lineSize, 1, uint64_t(height));
    LargeBuffer block(size_t(blockRows * lineSize));
    const int w = int(width);
    for (int y0 = 0; y0 < int(height); y0 += int(blockRows)) {
        const int rows = int(std::min<uint64_t>(blockRows, uint64_t(height - y0)));
        if (runLength) {
            unpack(block.data(), uint64_t(rows) * lineSize);
        } else {
            source.read(pos, block.data(), size_t(rows * lineSize));
            pos += rows * lineSize;
        }
        for (int y = y0; y < y0 + rows; ++y) {
            const uint8_t* row = block.data() + size_t(y - y0) * lineSize;
            uint8_t* scan = image.scanLine(y);
            switch (kind) {
            case Mono: std::memcpy(scan, row, (size_t(w) + 7) / 8); break;
            case Four:
                // Plane 0 gives the lowest bit of each colour index.
                for (int x = 0; x < w; ++x) {
                    const int at = x >> 3, shift = 7 - (x & 7);
                    scan[x] =
                        uint8_t(((row[at] >> shift) & 1) | (((row[bytesPerLine + at] >> shift) & 1) << 1) |
                                (((row[2 * bytesPerLine + at] >> shift) & 1) << 2) |
                                (((row[3 * bytesPerLine + at] >> shift) & 1) << 3));
                }
                break;
            case Eight: std::memcpy(scan, row, size_t(w)); break;
            case True: {
                const uint8_t* r = row;
                const uint8_t* g = row + bytesPerLine;
                const uint8_t* b = row + 2 * bytesPerLine;
                for (int x = 0; x < w; ++x, scan += 3) {
                    scan[0] = b[x];
                    scan[1] = g[x];
                    scan[2] = r[x];
                }
                break;
            }
            }
        }
    }
    if (fourBit)
        *fourBit = kind == Four;
    return image;
}

} // namespace imgread

void TPCXGraphic::LoadFromStream(QIODevice& stream)
{
    bool fourBit = false;
    QImage image;
    if (stream.isSequential()) {
        const imgread::StreamBytes bytes = imgread::ReadRest(stream);
        image = imgread::DecodePCX(bytes.data(), bytes.length(), &fourBit);
    } else {
        // Read as the rows decode: the file is never held whole beside the picture.
        imgread::PictureSource source(stream, kNotPCX);
        image = imgread::DecodePCX(source, &fourBit);
    }
    SetImage(std::move(image), fourBit);
}

void TPCXGraphic::SaveToStream(QIODevice&) const
{
    RaiseNotWritten(*this);
}

#include "imageformats/sgi_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_compression.h"
#include "imageformats/picture_formats.h"

#include <QIODevice>
#include <algorithm>
#include <vector>

namespace imgread {
namespace {

const char* const kNotSGI = "Not a valid sgi, bw or rgb(a) image.";
const char* const kNotAutodesk = "Cannot load image. Only old style Autodesk images are supported.";

uint32_t BE32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

} // namespace

QImage DecodeSGI(const uint8_t* data, size_t size)
{
    PictureSource source(data, size, kNotSGI);
    return DecodeSGI(source);
}

QImage DecodeSGI(PictureSource& source)
{
    const uint64_t size = source.size();
    uint8_t h[512];
    source.read(0, h, sizeof h);
    if (((h[0] << 8) | h[1]) != 474)
        RaisePictureError(kNotSGI);
    const bool rle = h[2] == 1;
    const uint32_t bpc = h[3];
    const uint32_t dimension = (h[4] << 8) | h[5];
    const uint32_t width = (h[6] << 8) | h[7];
    uint32_t height = (h[8] << 8) | h[9];
    uint32_t depth = (h[10] << 8) | h[11];
    // A one-dimensional file is one row of one channel, a two-dimensional one has one channel.
    if (dimension == 1)
        height = 1;
    if (dimension == 1 || dimension == 2)
        depth = 1;
    if ((bpc != 1 && bpc != 2) || width == 0 || height == 0 || depth == 0)
        RaisePictureError(kNotSGI);

    const uint32_t channels = (depth == 3 || depth == 4) ? depth : 1;
    const QImage::Format format = channels == 3   ? QImage::Format_BGR888
                                  : channels == 4 ? QImage::Format_ARGB32
                                                  : QImage::Format_Indexed8;

    std::vector<uint32_t> starts, lengths;
    if (rle) {
        const uint64_t entries = uint64_t(height) * depth;
        if (entries * 8 > size - 512)
            RaisePictureError(kNotSGI);
        // Only the channels read are needed; rows may share their packed data.
        const uint64_t used = uint64_t(height) * channels;
        starts.resize(used);
        lengths.resize(used);
        const uint8_t* st = source.at(512, size_t(used) * 4);
        for (uint64_t i = 0; i < used; ++i)
            starts[i] = BE32(st + 4 * i);
        const uint8_t* ln = source.at(512 + entries * 4, size_t(used) * 4);
        for (uint64_t i = 0; i < used; ++i)
            lengths[i] = BE32(ln + 4 * i);
        CheckExpansion(uint64_t(width) * height * channels, size, 1024, kNotSGI);
    } else {
        const uint64_t needed = 512 + uint64_t(channels) * height * width * bpc;
        if (needed > size)
            RaisePictureError(kNotSGI);
    }

    QImage image = NewImage(width, height, format, kNotSGI);
    TSGIRLE decoder;
    decoder.SampleSize = int(bpc);
    // Each channel is a plane of its own in the file: rows are read a block of them for each
    // channel at a time, so that a file read as decoding goes is read in order within a plane.
    const size_t channelRow = size_t(width) * bpc;
    const uint32_t blockRows =
        rle ? 1 : uint32_t(std::clamp<uint64_t>(kReadAhead / channels / channelRow, 1, height));
    std::vector<uint8_t> block(rle ? 0 : size_t(blockRows) * channels * channelRow);
    std::vector<uint8_t> rows(size_t(width) * channels);

    for (uint32_t y0 = 0; y0 < height; y0 += blockRows) {
        const uint32_t blockEnd = std::min(height, y0 + blockRows);
        if (!rle)
            for (uint32_t c = 0; c < channels; ++c)
                source.read(512 + (uint64_t(c) * height + y0) * channelRow,
                            block.data() + size_t(c) * blockRows * channelRow,
                            size_t(blockEnd - y0) * channelRow);
        for (uint32_t y = y0; y < blockEnd; ++y) {
            for (uint32_t c = 0; c < channels; ++c) {
                uint8_t* row = rows.data() + size_t(c) * width;
                if (rle) {
                    const uint64_t index = uint64_t(c) * height + y;
                    const uint64_t start = starts[index];
                    if (start >= size)
                        RaisePictureError(kNotSGI);
                    // Row sizes count bytes; some writers count samples, so allow for both
                    // but never past the end of the file.
                    uint64_t packed = uint64_t(lengths[index]) * bpc;
                    if (packed > size - start)
                        packed = size - start;
                    const uint8_t* src = source.at(start, size_t(packed));
                    const int32_t got = decoder.Decode(src, row, int32_t(packed), int32_t(width));
                    if (got < int32_t(width))
                        RaisePictureError(kNotSGI);
                } else {
                    const uint8_t* src = block.data() + (size_t(c) * blockRows + (y - y0)) * channelRow;
                    if (bpc == 1) {
                        std::copy(src, src + width, row);
                    } else {
                        for (uint32_t x = 0; x < width; ++x)
                            row[x] = src[2 * x]; // most significant byte of each sample
                    }
                }
            }
            // Row 0 of the file is the bottom row of the picture.
            uchar* line = image.scanLine(int(height - 1 - y));
            if (channels == 1)
                std::copy(rows.begin(), rows.begin() + width, line);
            else
                InterleavePlaneRows(rows.data(), width, int(channels), line);
        }
    }
    return image;
}

QImage DecodeAutodesk(const uint8_t* data, size_t size)
{
    BoundedReader in(data, size, kStreamReadError);
    if (size < 2 || in.u16le() != 0x9119)
        RaisePictureError(kNotAutodesk);
    const uint32_t width = in.u16le();
    const uint32_t height = in.u16le();
    in.skip(26);
    QList<QRgb> table(256);
    for (QRgb& entry : table) {
        const uint8_t* c = in.take(3);
        // 6-bit values; the product is kept as a byte.
        entry = qRgb(uint8_t(c[0] * 4), uint8_t(c[1] * 4), uint8_t(c[2] * 4));
    }
    if (width == 0 || height == 0)
        RaisePictureError(kNotAutodesk);
    if (uint64_t(width) * height > in.remaining())
        RaisePictureError(kStreamReadError);
    QImage image = NewImage(width, height, QImage::Format_Indexed8, kNotAutodesk);
    image.setColorTable(table);
    for (uint32_t y = 0; y < height; ++y)
        in.read(image.scanLine(int(y)), width);
    return image;
}

} // namespace imgread

void TSGIGraphic::LoadFromStream(QIODevice& stream)
{
    QImage image;
    // Uncompressed planes are read as the rows decode: the file is never held whole beside
    // the picture. Run-length rows lie anywhere in the file: that file is read whole.
    const QByteArray head = stream.isSequential() ? QByteArray() : stream.peek(3);
    if (head.size() == 3 && head[2] != 1) {
        imgread::PictureSource source(stream, imgread::kNotSGI);
        image = imgread::DecodeSGI(source);
    } else {
        const imgread::StreamBytes bytes = imgread::ReadRest(stream);
        image = imgread::DecodeSGI(bytes.data(), bytes.length());
    }
    SetImage(std::move(image));
}

void TAutodeskGraphic::LoadFromStream(QIODevice& stream)
{
    const imgread::StreamBytes bytes = imgread::ReadRest(stream);
    QImage image = imgread::DecodeAutodesk(bytes.data(), bytes.length());
    SetImage(std::move(image));
}

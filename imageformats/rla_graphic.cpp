#include "imageformats/rla_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_compression.h"
#include "imageformats/picture_formats.h"

#include <QIODevice>
#include <cstdlib>
#include <vector>

namespace imgread {
namespace {

const char* const kNotRLA = "RLA: image must be RGB(A).";

int16_t S16(const uint8_t* p)
{
    return int16_t((p[0] << 8) | p[1]);
}

} // namespace

QImage DecodeRLA(const uint8_t* data, size_t size)
{
    BoundedReader in(data, size, kStreamReadError);
    const uint8_t* h = in.take(740);
    const int left = S16(h + 8), right = S16(h + 10), bottom = S16(h + 12), top = S16(h + 14);
    const int channels = S16(h + 20);
    const int mattes = S16(h + 22);
    if (channels != 3 && channels != 4)
        RaisePictureError(kNotRLA);
    const int planes = mattes != 0 ? 4 : 3;
    const int64_t width = int64_t(right) - left + 1;
    const int64_t height = std::llabs(int64_t(bottom) - top) + 1;
    const bool bottomUp = bottom - top < 0;
    if (width <= 0)
        RaisePictureError(kNotRLA);

    const uint8_t* table = in.take(uint64_t(height) * 4);
    CheckExpansion(uint64_t(width) * height * planes, size, 128, kStreamReadError);
    QImage image = NewImage(width, height, planes == 4 ? QImage::Format_ARGB32 : QImage::Format_BGR888,
                            kNotRLA);
    std::vector<uint8_t> rows(size_t(width) * planes);
    TRLADecoder decoder;
    for (int64_t y = 0; y < height; ++y) {
        const uint8_t* o = table + 4 * y;
        in.seek((uint32_t(o[0]) << 24) | (uint32_t(o[1]) << 16) | (uint32_t(o[2]) << 8) | o[3]);
        for (int p = 0; p < planes; ++p) {
            const uint32_t length = in.u16be();
            const uint8_t* src = in.take(length);
            const int32_t got = decoder.Decode(src, rows.data() + p * width, int32_t(length), int32_t(width));
            if (got < width)
                RaisePictureError(kStreamReadError);
        }
        InterleavePlaneRows(rows.data(), size_t(width), planes,
                            image.scanLine(int(bottomUp ? height - 1 - y : y)));
    }
    return image;
}

} // namespace imgread

void TRLAGraphic::LoadFromStream(QIODevice& stream)
{
    const imgread::StreamBytes bytes = imgread::ReadRest(stream);
    QImage image = imgread::DecodeRLA(bytes.data(), bytes.length());
    SetImage(std::move(image));
}

#include "imageformats/pcd_graphic.h"

#include "imageformats/bounded_reader.h"

#include <QIODevice>
#include <cmath>
#include <cstring>

namespace imgread {
namespace {

const char* const kNotPCD = "PCD: wrong image format.";
const char* const kPCDSize = "PCD: image size currently not supported";

uint8_t Clamp(double v)
{
    const long r = std::lround(v);
    return uint8_t(r < 0 ? 0 : r > 255 ? 255 : r);
}

void YCCToBGR(int y, int c1, int c2, uint8_t* out)
{
    out[2] = Clamp(y * 1.3584 + (c2 - 137) * 1.8215);
    out[1] = Clamp(y * 1.3584 - (c2 - 137) * 0.9271435 - (c1 - 156) * 0.4302726);
    out[0] = Clamp(y * 1.3584 + (c1 - 156) * 2.2179);
}

} // namespace

QImage DecodePCD(const uint8_t* data, size_t size, int resolution)
{
    if (size < 2048 + 7 || std::memcmp(data + 2048, "PCD_IPI", 7) != 0)
        RaisePictureError(kNotPCD);
    if (size <= 194635)
        RaisePictureError(kNotPCD);
    const int rotation = data[194635] & 3;
    static const uint32_t offsets[3] = {8192, 47104, 196608};
    static const uint32_t widths[3] = {192, 384, 768};
    static const uint32_t heights[3] = {128, 256, 512};
    if (resolution < 0 || resolution > 2)
        RaisePictureError(kPCDSize);
    const uint32_t W = widths[resolution], H = heights[resolution];
    const uint64_t base = offsets[resolution];
    if (base + uint64_t(H / 2) * 3 * W > size)
        RaisePictureError(kNotPCD);

    const bool turn = rotation & 1;
    const bool flip = rotation & 2;
    QImage image = NewImage(turn ? H : W, turn ? W : H, QImage::Format_BGR888, kNotPCD);
    const uint32_t half = W / 2;
    // Chroma rows with their last value repeated once, for the interpolation at the edge.
    uint8_t c[2][385], cn[2][385];
    uint8_t bgr[2][768][3];
    for (uint32_t r = 0; r < H; r += 2) {
        const uint8_t* group = data + base + uint64_t(r / 2) * 3 * W;
        const uint32_t next = r + 2 < H ? (r + 2) / 2 : r / 2;
        const uint8_t* nextChroma = data + base + uint64_t(next) * 3 * W + 2 * W;
        for (int k = 0; k < 2; ++k) {
            std::memcpy(c[k], group + 2 * W + k * half, half);
            std::memcpy(cn[k], nextChroma + k * half, half);
            c[k][half] = c[k][half - 1];
            cn[k][half] = cn[k][half - 1];
        }
        for (uint32_t i = 0; i < W; i += 2) {
            const uint32_t j = i / 2;
            int up[2][2][2]; // [component][row][column offset]
            for (int k = 0; k < 2; ++k) {
                up[k][0][0] = c[k][j];
                up[k][0][1] = (c[k][j] + c[k][j + 1]) >> 1;
                up[k][1][0] = (c[k][j] + cn[k][j]) >> 1;
                up[k][1][1] = (c[k][j] + c[k][j + 1] + cn[k][j] + cn[k][j + 1]) >> 2;
            }
            for (int row = 0; row < 2; ++row)
                for (int d = 0; d < 2; ++d)
                    YCCToBGR(group[row * W + i + d], up[0][row][d], up[1][row][d], bgr[row][i + d]);
        }
        if (!turn) {
            for (int row = 0; row < 2; ++row) {
                const uint32_t line = flip ? H - 1 - r - row : r + row;
                std::memcpy(image.scanLine(int(line)), bgr[row], size_t(W) * 3);
            }
        } else {
            for (uint32_t i = 0; i < W; ++i) {
                uchar* line = image.scanLine(int(flip ? i : W - 1 - i));
                std::memcpy(line + size_t(r) * 3, bgr[0][i], 3);
                std::memcpy(line + size_t(r + 1) * 3, bgr[1][i], 3);
            }
        }
    }
    return image;
}

} // namespace imgread

void TPCDGraphic::LoadFromStream(QIODevice& stream)
{
    const imgread::StreamBytes bytes = imgread::ReadRest(stream);
    QImage image = imgread::DecodePCD(bytes.data(), bytes.length(), ResolutionIndex);
    SetImage(std::move(image));
}

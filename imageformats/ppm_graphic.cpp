#include "imageformats/ppm_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_formats.h"

#include <QIODevice>
#include <cstring>
#include <vector>

namespace imgread {
namespace {

const char* const kNotPPM = "Not a valid ppm file.";
const char* const kReadError = "PPM: Stream read error.";

bool IsDigit(uint8_t c)
{
    return c >= '0' && c <= '9';
}

// Character reader over the portable map's text parts.
class PPMScanner {
public:
    explicit PPMScanner(BoundedReader& in) : m_in(in) {}

    uint8_t getChar()
    {
        if (m_in.atEnd())
            RaisePictureError(kReadError);
        return m_in.u8();
    }

    // Drops the rest of a comment line; CR, LF and CR LF all end it.
    void skipComment()
    {
        while (!m_in.atEnd()) {
            const uint8_t c = m_in.u8();
            if (c == 10)
                return;
            if (c == 13) {
                if (!m_in.atEnd() && m_in.data()[m_in.pos()] == 10)
                    m_in.skip(1);
                return;
            }
        }
    }

    uint8_t firstDigit()
    {
        for (;;) {
            const uint8_t c = getChar();
            if (IsDigit(c))
                return c;
            if (c == '#')
                skipComment();
        }
    }

    // Next decimal number; the one character after it is taken too, so binary data
    // starts right after the header. The end of the file also ends a number, and so does a
    // comment glued to it ("23#c"), which is dropped to the end of its line.
    uint32_t getNumber()
    {
        uint64_t value = firstDigit() - '0';
        while (!m_in.atEnd()) {
            const uint8_t c = m_in.u8();
            if (c == '#')
                skipComment();
            if (!IsDigit(c))
                break;
            value = value * 10 + (c - '0');
            if (value > 0xffffffffu)
                RaisePictureError(kNotPPM);
        }
        return uint32_t(value);
    }

    // One plain bitmap pixel: a single digit, separators optional.
    uint8_t getBit() { return uint8_t((firstDigit() - '0') & 1); }

private:
    BoundedReader& m_in;
};

// Maps samples 0..maxval onto 0..255, rounding; larger values count as maxval.
std::vector<uint8_t> ScaleTable(uint32_t maxval)
{
    std::vector<uint8_t> t(size_t(maxval) + 1);
    for (uint32_t v = 0; v <= maxval; ++v)
        t[v] = uint8_t((uint64_t(v) * 255 + maxval / 2) / maxval);
    return t;
}

} // namespace

QImage DecodePPM(const uint8_t* data, size_t size)
{
    BoundedReader in(data, size, kReadError);
    PPMScanner scan(in);
    if (scan.getChar() != 'P')
        RaisePictureError(kNotPPM);
    const uint8_t kind = scan.getChar();
    if (!IsDigit(kind))
        RaisePictureError(kNotPPM);
    if (kind < '1' || kind > '6')
        return QImage(); // other variants are not read: an empty picture

    const uint32_t width = scan.getNumber();
    const uint32_t height = scan.getNumber();
    uint32_t maxval = 1;
    if (kind != '1' && kind != '4') {
        maxval = scan.getNumber();
        if (maxval == 0 || maxval > 65535)
            RaisePictureError(kNotPPM);
    }
    if (width == 0 || height == 0)
        RaisePictureError(kNotPPM);

    // The data must be there before the picture is allocated.
    const uint64_t pixels = uint64_t(width) * height;
    const uint64_t sampleBytes = maxval > 255 ? 2 : 1;
    uint64_t needed = 0;
    switch (kind) {
    case '1': needed = pixels; break;
    case '2': needed = 2 * pixels - 1; break;
    case '3': needed = 6 * pixels - 1; break;
    case '4': needed = uint64_t((width + 7) / 8) * height; break;
    case '5': needed = pixels * sampleBytes; break;
    case '6': needed = 3 * pixels * sampleBytes; break;
    }
    if (needed > in.remaining())
        RaisePictureError(kReadError);

    const std::vector<uint8_t> scale = ScaleTable(maxval);
    auto sample = [&](uint32_t v) { return scale[v > maxval ? maxval : v]; };

    QImage image;
    if (kind == '5' || kind == '6') {
        // Binary grey and colour maps, row by row.
        const uint32_t channels = kind == '6' ? 3 : 1;
        image = NewImage(width, height, channels == 3 ? QImage::Format_BGR888 : QImage::Format_Indexed8, kNotPPM);
        const size_t rowSamples = size_t(width) * channels;
        for (uint32_t y = 0; y < height; ++y) {
            const uint8_t* src = in.take(rowSamples * sampleBytes);
            uchar* line = image.scanLine(int(y));
            if (sampleBytes == 1 && maxval == 255) {
                if (channels == 1)
                    std::memcpy(line, src, rowSamples);
                else
                    ConvertRGBRow(src, line, 8, int(rowSamples));
                continue;
            }
            for (size_t i = 0; i < rowSamples; ++i) {
                const uint32_t v = sampleBytes == 2 ? uint32_t((src[2 * i] << 8) | src[2 * i + 1]) : src[i];
                // Red, green, blue in the file; blue, green, red in the scan line.
                const size_t at = channels == 3 ? i - i % 3 + 2 - i % 3 : i;
                line[at] = sample(v);
            }
        }
        return image;
    }
    switch (kind) {
    case '1':
    case '4': {
        image = NewImage(width, height, QImage::Format_Mono, kNotPPM);
        const uint32_t rowBytes = (width + 7) / 8;
        for (uint32_t y = 0; y < height; ++y) {
            uchar* line = image.scanLine(int(y));
            if (kind == '4') {
                in.read(line, rowBytes);
                continue;
            }
            for (uint32_t x = 0; x < width; ++x)
                if (scan.getBit())
                    line[x >> 3] |= uchar(0x80 >> (x & 7));
        }
        break;
    }
    case '2': {
        image = NewImage(width, height, QImage::Format_Indexed8, kNotPPM);
        for (uint32_t y = 0; y < height; ++y) {
            uchar* line = image.scanLine(int(y));
            for (uint32_t x = 0; x < width; ++x)
                line[x] = sample(scan.getNumber());
        }
        break;
    }
    default: {
        image = NewImage(width, height, QImage::Format_BGR888, kNotPPM);
        for (uint32_t y = 0; y < height; ++y) {
            uchar* p = image.scanLine(int(y));
            for (uint32_t x = 0; x < width; ++x, p += 3) {
                uint8_t rgb[3];
                for (uint8_t& c : rgb)
                    c = sample(scan.getNumber());
                p[0] = rgb[2];
                p[1] = rgb[1];
                p[2] = rgb[0];
            }
        }
        break;
    }
    }
    return image;
}

} // namespace imgread

void TPPMGraphic::LoadFromStream(QIODevice& stream)
{
    const imgread::StreamBytes bytes = imgread::ReadRest(stream);
    const QImage image = imgread::DecodePPM(bytes.data(), bytes.length());
    if (image.isNull())
        Clear();
    else
        SetImage(image);
}

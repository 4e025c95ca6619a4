#include "imageformats/ppm_graphic.h"

#include "imageformats/bounded_reader.h"
#include "imageformats/picture_formats.h"

#include <QIODevice>
#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>
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

struct PPMHeader {
    uint8_t Kind = 0;   // '1' to '6'; 0 for the variants not read
    uint32_t Width = 0, Height = 0, MaxValue = 1;
};

PPMHeader ReadHeader(PPMScanner& scan)
{
    if (scan.getChar() != 'P')
        RaisePictureError(kNotPPM);
    PPMHeader h;
    h.Kind = scan.getChar();
    if (!IsDigit(h.Kind))
        RaisePictureError(kNotPPM);
    if (h.Kind < '1' || h.Kind > '6') {
        h.Kind = 0;
        return h;
    }
    h.Width = scan.getNumber();
    h.Height = scan.getNumber();
    if (h.Kind != '1' && h.Kind != '4') {
        h.MaxValue = scan.getNumber();
        if (h.MaxValue == 0 || h.MaxValue > 65535)
            RaisePictureError(kNotPPM);
    }
    if (h.Width == 0 || h.Height == 0)
        RaisePictureError(kNotPPM);
    return h;
}

// The bytes the pixel data takes at least.
uint64_t DataBytes(const PPMHeader& h)
{
    const uint64_t pixels = uint64_t(h.Width) * h.Height;
    const uint64_t sampleBytes = h.MaxValue > 255 ? 2 : 1;
    switch (h.Kind) {
    case '1': return pixels;
    case '2': return 2 * pixels - 1;
    case '3': return 6 * pixels - 1;
    case '4': return uint64_t((h.Width + 7) / 8) * h.Height;
    case '5': return pixels * sampleBytes;
    default: return 3 * pixels * sampleBytes;
    }
}

bool Binary(const PPMHeader& h)
{
    return h.Kind == '5' || h.Kind == '6';
}

// Red and blue of count pixels exchanged in place, four pixels (three words) at a time.
void SwapRedBlue(uint8_t* p, size_t count)
{
    size_t i = 0;
    for (; i + 4 <= count; i += 4, p += 12) {
        uint32_t a, b, c;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + 4, 4);
        std::memcpy(&c, p + 8, 4);
        if constexpr (std::endian::native == std::endian::little) {
            // a = R0 G0 B0 R1, b = G1 B1 R2 G2, c = B2 R3 G3 B3 (lowest byte first).
            const uint32_t x = ((a >> 16) & 0xFF) | (a & 0xFF00) | ((a & 0xFF) << 16) | ((b & 0xFF00) << 16);
            const uint32_t y = (b & 0xFF) | ((a >> 24) << 8) | ((c & 0xFF) << 16) | (b & 0xFF000000u);
            const uint32_t z = ((b >> 16) & 0xFF) | ((c >> 24) << 8) | (c & 0xFF0000) | ((c & 0xFF00) << 16);
            std::memcpy(p, &x, 4);
            std::memcpy(p + 4, &y, 4);
            std::memcpy(p + 8, &z, 4);
        } else {
            std::swap(p[0], p[2]);
            std::swap(p[3], p[5]);
            std::swap(p[6], p[8]);
            std::swap(p[9], p[11]);
        }
    }
    for (; i < count; ++i, p += 3)
        std::swap(p[0], p[2]);
}

// Two-byte samples (most significant first) to 8 bits through to8, red and blue exchanged for
// colour.
template <class To8>
void ConvertWideSamples(const uint8_t* s, uint8_t* d, size_t samples, uint32_t channels, To8 to8)
{
    if (channels == 1) {
        for (size_t i = 0; i < samples; ++i)
            d[i] = to8(s + 2 * i);
        return;
    }
    for (size_t i = 0; i < samples; i += 3, s += 6, d += 3) {
        d[0] = to8(s + 4);
        d[1] = to8(s + 2);
        d[2] = to8(s);
    }
}

void ConvertWideRow(const uint8_t* s, uint8_t* d, size_t samples, uint32_t channels, uint32_t maxval,
                    const std::vector<uint8_t>& scale)
{
    if (maxval == 65535) {
        // round(v * 255 / 65535), exact for every 16-bit v, without the table.
        ConvertWideSamples(s, d, samples, channels, [](const uint8_t* w) {
            return uint8_t(((uint32_t(w[0]) << 8 | w[1]) * 255 + 32895) >> 16);
        });
        return;
    }
    ConvertWideSamples(s, d, samples, channels, [&](const uint8_t* w) {
        return scale[std::min<uint32_t>(uint32_t(w[0]) << 8 | w[1], maxval)];
    });
}

// Reads height rows of rowBytes through a block of about blockBytes, handing each row with its
// number to convert.
template <class Read, class Convert>
void ReadRowBlocks(Read& read, size_t rowBytes, uint32_t height, size_t blockBytes, Convert&& convert)
{
    const size_t blockRows = std::clamp<size_t>(blockBytes / rowBytes, 1, height);
    LargeBuffer block(blockRows * rowBytes);
    for (uint32_t y = 0; y < height;) {
        const size_t rows = std::min<size_t>(blockRows, height - y);
        read(block.data(), rows * rowBytes);
        for (size_t r = 0; r < rows; ++r, ++y)
            convert(block.data() + r * rowBytes, y);
    }
}

// Binary grey and colour maps. read(to, n) puts the next n bytes of pixel data at to. Colour rows
// of single bytes at full range pass through a small block on their way into the picture; other
// rows of single bytes go straight into it, all rows at once when the picture's lines have no
// padding, and are converted where they are.
template <class Read>
QImage DecodeBinary(const PPMHeader& h, Read&& read)
{
    const uint32_t channels = h.Kind == '6' ? 3 : 1;
    QImage image = NewImage(h.Width, h.Height, channels == 3 ? QImage::Format_BGR888 : QImage::Format_Indexed8, kNotPPM);
    const size_t rowSamples = size_t(h.Width) * channels;
    const size_t line = size_t(image.bytesPerLine());
    uint8_t* const bits = image.bits();
    const std::vector<uint8_t> scale = h.MaxValue == 255 || h.MaxValue == 65535 ? std::vector<uint8_t>() : ScaleTable(h.MaxValue);
    if (h.MaxValue <= 255 && channels == 3 && scale.empty()) {
        // Colour rows a block at a time, turned from RGB into the picture's order on their way
        // in: one pass over the picture's memory instead of a read and a swap.
        const bool bypassCache = image.sizeInBytes() >= kBypassCacheBytes;
        ReadRowBlocks(read, rowSamples, h.Height, size_t(256) << 10, [&](const uint8_t* row, uint32_t y) {
            ConvertRGBRow(row, bits + line * y, 8, int(rowSamples), bypassCache);
        });
        return image;
    }
    if (h.MaxValue <= 255) {
        if (line == rowSamples) {
            read(bits, rowSamples * h.Height);
        } else {
            for (uint32_t y = 0; y < h.Height; ++y)
                read(bits + line * y, rowSamples);
        }
        for (uint32_t y = 0; y < h.Height; ++y) {
            uint8_t* row = bits + line * y;
            if (!scale.empty())
                for (size_t i = 0; i < rowSamples; ++i)
                    row[i] = scale[std::min<uint32_t>(row[i], h.MaxValue)];
            if (channels == 3)
                SwapRedBlue(row, h.Width);
        }
        return image;
    }
    // Two bytes a sample: a block of rows at a time.
    ReadRowBlocks(read, 2 * rowSamples, h.Height, size_t(4) << 20, [&](const uint8_t* row, uint32_t y) {
        ConvertWideRow(row, bits + line * y, rowSamples, channels, h.MaxValue, scale);
    });
    return image;
}

QImage DecodeText(const PPMHeader& h, PPMScanner& scan, BoundedReader& in)
{
    const uint32_t width = h.Width, height = h.Height, maxval = h.MaxValue;
    const std::vector<uint8_t> scale = ScaleTable(maxval);
    auto sample = [&](uint32_t v) { return scale[v > maxval ? maxval : v]; };
    QImage image;
    switch (h.Kind) {
    case '1':
    case '4': {
        image = NewImage(width, height, QImage::Format_Mono, kNotPPM);
        const uint32_t rowBytes = (width + 7) / 8;
        for (uint32_t y = 0; y < height; ++y) {
            uchar* line = image.scanLine(int(y));
            if (h.Kind == '4') {
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

} // namespace

QImage DecodePPM(const uint8_t* data, size_t size)
{
    BoundedReader in(data, size, kReadError);
    PPMScanner scan(in);
    const PPMHeader h = ReadHeader(scan);
    if (h.Kind == 0)
        return QImage(); // other variants are not read: an empty picture
    // The data must be there before the picture is allocated.
    if (DataBytes(h) > in.remaining())
        RaisePictureError(kReadError);
    if (Binary(h))
        return DecodeBinary(h, [&](uint8_t* to, size_t n) { in.read(to, n); });
    return DecodeText(h, scan, in);
}

} // namespace imgread

void TPPMGraphic::LoadFromStream(QIODevice& stream)
{
    // Binary maps are read from the stream into the picture, never held in memory whole: a
    // header's worth is read first, and the file only when the map is of another kind.
    const qint64 rest = stream.isSequential() ? -1 : stream.size() - stream.pos();
    QImage image;
    if (rest > 0) {
        const qint64 start = stream.pos();
        QByteArray head(int(std::min<qint64>(rest, 4096)), Qt::Uninitialized);
        const qint64 got = stream.read(head.data(), head.size());
        using namespace imgread;
        BoundedReader in(reinterpret_cast<const uint8_t*>(head.constData()), size_t(std::max<qint64>(got, 0)),
                         kReadError);
        PPMScanner scan(in);
        PPMHeader h;
        bool whole = false;
        try {
            h = ReadHeader(scan);
            // A number cut by the end of what was read may go on in the file.
            whole = in.atEnd() && got < rest;
        } catch (const EPictureError&) {
            // A header longer than what was read (long comments) is read again from the file.
            if (got >= rest)
                throw;
            whole = true;
        }
        if (!whole && Binary(h)) {
            if (DataBytes(h) > uint64_t(rest) - in.pos())
                RaisePictureError(kReadError);
            if (!stream.seek(start + qint64(in.pos())))
                RaisePictureError(kReadError);
            image = DecodeBinary(h, [&](uint8_t* to, size_t n) {
                for (size_t done = 0; done < n;) {
                    const qint64 r = stream.read(reinterpret_cast<char*>(to + done), qint64(n - done));
                    if (r <= 0)
                        RaisePictureError(kReadError);
                    done += size_t(r);
                }
            });
        } else if (!stream.seek(start)) {
            RaisePictureError(kReadError);
        }
    }
    if (image.isNull()) {
        const imgread::StreamBytes bytes = imgread::ReadRest(stream);
        image = imgread::DecodePPM(bytes.data(), bytes.length());
    }
    if (image.isNull())
        Clear();
    else
        SetImage(std::move(image));
}

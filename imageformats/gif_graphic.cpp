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

// A GIF file's bytes in the order the reader takes them, from a PictureSource: held in memory,
// or read from a device as decoding goes. Running out raises the reader's message.
class GIFInput {
public:
    explicit GIFInput(PictureSource& source) : m_source(source) {}

    uint64_t size() const { return m_source.size(); }
    // The next n bytes, valid until the next call.
    const uint8_t* take(size_t n)
    {
        const uint8_t* p = m_source.at(m_pos, n);
        m_pos += n;
        return p;
    }
    uint8_t u8() { return *take(1); }
    uint16_t u16le()
    {
        const uint8_t* p = take(2);
        return uint16_t(p[0] | (p[1] << 8));
    }
    // As many of the sub-blocks that follow as piece holds, joined into it; false when the
    // terminating empty one came before any. A file that ends first raises the message.
    bool nextData(std::vector<uint8_t>& piece, const uint8_t*& s, const uint8_t*& sEnd)
    {
        size_t used = 0;
        while (!m_dataEnded && used + 255 <= piece.size()) {
            const uint8_t n = u8();
            if (n == 0)
                m_dataEnded = true;
            else
                std::memcpy(piece.data() + used, take(n), n);
            used += n;
        }
        s = piece.data();
        sEnd = s + used;
        return used > 0;
    }

private:
    PictureSource& m_source;
    uint64_t m_pos = 0;
    bool m_dataEnded = false;
};

QList<QRgb> ReadColourTable(GIFInput& in, uint8_t flags)
{
    const int count = 2 << (flags & 7);
    const uint8_t* p = in.take(size_t(count) * 3);
    QList<QRgb> table(count);
    for (int i = 0; i < count; ++i, p += 3)
        table[i] = qRgb(p[0], p[1], p[2]);
    return PadTable(table);
}

// The decoded pixels lie packed at the start of the picture's memory, row after row in the
// order the file stores them: spreads them to the picture's lines (padded to 32 bits) and
// puts the rows of an interlaced picture in their places, all within the picture's memory.
void PlaceRows(QImage& image, bool interlaced)
{
    const size_t width = size_t(image.width());
    const uint32_t height = uint32_t(image.height());
    const size_t line = size_t(image.bytesPerLine());
    uchar* const bits = image.bits();
    if (line != width) {
        for (uint32_t y = height; y-- > 0;) {
            std::memmove(bits + line * y, bits + width * y, width);
            std::memset(bits + line * y + width, 0, line - width);
        }
    }
    if (!interlaced)
        return;
    // Rows of every eighth line from 0, every eighth from 4, every fourth from 2, then the
    // odd ones: the stored row that belongs on line y.
    const uint32_t pass1 = (height + 7) / 8, pass2 = pass1 + (height + 3) / 8,
                   pass3 = pass2 + (height + 1) / 4;
    const auto storedRow = [&](uint32_t y) {
        if (y % 8 == 0)
            return y / 8;
        if (y % 8 == 4)
            return pass1 + y / 8;
        if (y % 4 == 2)
            return pass2 + y / 4;
        return pass3 + y / 2;
    };
    // Each cycle of the permutation once: a line takes the row it wants, whose own line then
    // takes the one it wants, until the cycle comes back to the row kept aside.
    std::vector<uint8_t> kept(width);
    std::vector<bool> placed(height);
    for (uint32_t start = 0; start < height; ++start) {
        if (placed[start] || storedRow(start) == start)
            continue;
        std::memcpy(kept.data(), bits + line * start, width);
        for (uint32_t y = start;;) {
            placed[y] = true;
            const uint32_t from = storedRow(y);
            if (from == start) {
                std::memcpy(bits + line * y, kept.data(), width);
                break;
            }
            std::memcpy(bits + line * y, bits + line * from, width);
            y = from;
        }
    }
}

QImage DecodeGIFFrom(GIFInput& in)
{
    const uint8_t* sig = in.take(6);
    if ((sig[0] & 0xdf) != 'G' || (sig[1] & 0xdf) != 'I' || (sig[2] & 0xdf) != 'F')
        RaisePictureError(kNotGIF);
    const uint32_t screenWidth = in.u16le();
    const uint32_t screenHeight = in.u16le();
    const uint8_t screenFlags = in.u8();
    in.take(2); // background index, aspect
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
            in.take(1);
            for (uint8_t n = in.u8(); n != 0; n = in.u8())
                in.take(n);
        }
        // Anything else is stray padding between blocks.
    }

    in.take(4); // left, top: not used
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
    CheckExpansion(uint64_t(width) * height, in.size(), 4096, kNotGIF);
    QImage image = NewImage(width, height, QImage::Format_Indexed8, kNotGIF);
    image.setColorTable(table);

    // The codes go straight into the picture's memory, a piece of sub-blocks at a time.
    uint8_t* const pixels = image.bits();
    const size_t count = size_t(width) * height;
    std::vector<uint8_t> piece(16 << 10);
    TGIFLZW decoder;
    decoder.InitialCodeSize = codeSize;
    decoder.More = [&](const uint8_t*& s, const uint8_t*& sEnd) { return in.nextData(piece, s, sEnd); };
    const uint8_t* s = nullptr;
    const uint8_t* sEnd = nullptr;
    int32_t got = 0;
    if (in.nextData(piece, s, sEnd))
        got = decoder.Decode(s, pixels, int32_t(sEnd - s), int32_t(count));
    // Pixels the data does not reach stay index 0.
    std::memset(pixels + got, 0, count - size_t(got));
    // The rest of the data, to its end, as a file cut short there is damaged.
    while (in.nextData(piece, s, sEnd)) {
    }
    PlaceRows(image, flags & 0x40);
    return image;
}

} // namespace

QImage DecodeGIF(const uint8_t* data, size_t size)
{
    PictureSource source(data, size, kNotGIF);
    GIFInput in(source);
    return DecodeGIFFrom(in);
}

QImage DecodeGIF(QIODevice& device, size_t window)
{
    if (device.isSequential()) {
        const StreamBytes bytes = ReadRest(device);
        return DecodeGIF(bytes.data(), bytes.length());
    }
    const qint64 end = device.size();
    PictureSource source(device, kNotGIF, window);
    GIFInput in(source);
    QImage image = DecodeGIFFrom(in);
    device.seek(end); // where reading the whole file leaves it
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
    QImage image = imgread::DecodeGIF(stream);
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

#include "platform/bmp_codec.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/large_memory.h"

namespace bmpcodec {
namespace {

constexpr uint32_t BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_ALPHABITFIELDS = 6;

[[noreturn]] void Invalid()
{
    throw EInvalidGraphic(SInvalidBitmap);
}

uint16_t le16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t le32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }

void put16(QByteArray& a, uint16_t v)
{
    a.append(char(v & 255));
    a.append(char(v >> 8));
}
void put32(QByteArray& a, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        a.append(char((v >> (8 * i)) & 255));
}

struct Mask {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    explicit Mask(uint32_t m = 0) : mask(m)
    {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint8_t get(uint32_t px) const
    {
        if (!max)
            return 0;
        const uint64_t v = (px & mask) >> shift;
        return uint8_t(std::min<uint64_t>(255, (v * 255 + max / 2) / max));
    }
};

// Pixels not cleared: every decoder below writes each byte of every row.
QImage NewImage(int w, int h, QImage::Format f)
{
    ChargePictureMemory(w, h, QImage::toPixelFormat(f).bitsPerPixel());
    QImage img = NewLargeImage(w, h, f);
    if (img.isNull())
        throw EInvalidGraphic(SOutOfResources);
    return img;
}

// Copies the stored rows into img; whatever a row lacks (the short last row of a file cut at
// the end of the pixels, padding) becomes 0.
template <class SrcRow, class RowLen>
void CopyRows(QImage& img, const SrcRow& srcRow, const RowLen& rowLen, uint64_t rowBytes)
{
    const size_t line = size_t(img.bytesPerLine());
    const size_t copy = size_t(std::min<uint64_t>(rowBytes, line));
    uchar* const bits = img.bits();
    for (int y = 0; y < img.height(); ++y) {
        uchar* d = bits + line * size_t(y);
        const size_t n = std::min(copy, rowLen(y));
        std::memcpy(d, srcRow(y), n);
        if (n < line)
            std::memset(d + n, 0, line - n);
    }
}

// Decodes BI_RLE8 / BI_RLE4 into an Indexed8 picture (bottom-up input). Pixels the data never
// reaches keep index 0; decoding stops at the end of the input.
void DecodeRLE(const uint8_t* p, size_t n, size_t pos, bool four, QImage& img)
{
    const int w = img.width(), h = img.height();
    img.fill(0u);
    int x = 0, y = 0;
    auto put = [&](uint8_t v) {
        if (x < w && y < h)
            img.scanLine(h - 1 - y)[x] = v;
        ++x;
    };
    while (pos + 1 < n && y < h) {
        const uint8_t c = p[pos], v = p[pos + 1];
        pos += 2;
        if (c > 0) {
            for (int i = 0; i < c; ++i)
                put(four ? ((i & 1) ? (v & 15) : (v >> 4)) : v);
            continue;
        }
        if (v == 0) {
            x = 0;
            ++y;
        } else if (v == 1) {
            break;
        } else if (v == 2) {
            if (pos + 1 >= n)
                break;
            x += p[pos];
            y += p[pos + 1];
            pos += 2;
        } else {
            const size_t bytes = four ? (size_t(v) + 1) / 2 : v;
            if (pos + bytes > n)
                break;
            for (int i = 0; i < v; ++i)
                put(four ? ((i & 1) ? (p[pos + i / 2] & 15) : (p[pos + i / 2] >> 4)) : p[pos + i]);
            pos += bytes + (bytes & 1);
        }
    }
}


// Reads the pixel rows from a file through readAt, a block at a time straight into the rows
// they belong to, as CopyRows does from memory; available: the bytes the file holds from
// bitsPos on. The rows of a file stored bottom-up land in one block in reverse order and are
// put right while the block is still in the processor's cache.
void ReadRows(QImage& img, const ReadAt& readAt, uint64_t bitsPos, uint64_t available, bool topDown)
{
    const int h = img.height();
    const size_t line = size_t(img.bytesPerLine()); // the file's row size too
    const size_t blockRows = std::clamp<size_t>((size_t(256) << 10) / line, 1, size_t(h));
    uchar* const bits = img.bits();
    for (int fileRow = 0; fileRow < h;) {
        const int rows = int(std::min<size_t>(blockRows, size_t(h - fileRow)));
        const uint64_t from = line * uint64_t(fileRow);
        const size_t bytes = size_t(std::min<uint64_t>(line * uint64_t(rows), available - from));
        uchar* block = bits + line * size_t(topDown ? fileRow : h - fileRow - rows);
        readAt(bitsPos + from, block, bytes);
        std::memset(block + bytes, 0, line * size_t(rows) - bytes);
        if (!topDown)
            for (int i = 0, j = rows - 1; i < j; ++i, --j)
                std::swap_ranges(block + line * size_t(i), block + line * size_t(i + 1), block + line * size_t(j));
        fileRow += rows;
    }
}

// Decode, with the pixel rows of plain pictures read through readAt when it is given: p then
// holds at least the headers and the colour table of a file of fileSize bytes. False when
// the picture needs the whole file in p.
bool DecodeFrom(const uint8_t* p, size_t n, uint64_t fileSize, int heightOverride, const ReadAt* readAt, Decoded& out)
{
    size_t off = 0;
    uint64_t fileBitsOffset = 0;
    bool fileHeader = false;
    if (n >= 2 && p[0] == 'B' && p[1] == 'M') {
        if (n < 14 + 12)
            Invalid();
        fileBitsOffset = le32(p + 10);
        off = 14;
        fileHeader = true;
    }
    if (off + 4 > n)
        Invalid();
    const uint32_t hdrSize = le32(p + off);
    int64_t w = 0, h = 0;
    int bpp = 0;
    uint32_t compression = BI_RGB, clrUsed = 0;
    int entrySize = 4;
    uint32_t masks[4] = {0, 0, 0, 0};
    uint64_t masksBytes = 0;
    if (hdrSize == 12) {
        if (off + 12 > n)
            Invalid();
        w = le16(p + off + 4);
        h = le16(p + off + 6);
        bpp = le16(p + off + 10);
        entrySize = 3;
    } else if (hdrSize >= 40 && hdrSize <= n - off) {
        w = int32_t(le32(p + off + 4));
        h = int32_t(le32(p + off + 8));
        bpp = le16(p + off + 14);
        compression = le32(p + off + 16);
        clrUsed = le32(p + off + 32);
        if (compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS) {
            const int count = compression == BI_ALPHABITFIELDS ? 4 : 3;
            if (hdrSize >= 52) {
                for (int i = 0; i < count && 40 + 4 * i + 4 <= int(hdrSize); ++i)
                    masks[i] = le32(p + off + 40 + 4 * i);
            } else {
                if (off + hdrSize + 4 * count > n)
                    Invalid();
                for (int i = 0; i < count; ++i)
                    masks[i] = le32(p + off + hdrSize + 4 * i);
                masksBytes = 4 * count;
            }
        }
    } else {
        Invalid();
    }
    if (heightOverride > 0)
        h = heightOverride;
    const bool topDown = h < 0;
    const int64_t absH = topDown ? -h : h;
    if (w <= 0 || absH <= 0 || w > 65535 || absH > 65535)
        Invalid();
    if (w * absH > GraphicPixelLimit())
        throw EInvalidGraphic(SOutOfResources);
    switch (compression) {
    case BI_RGB: break;
    case BI_RLE8: if (bpp != 8 || topDown) Invalid(); break;
    case BI_RLE4: if (bpp != 4 || topDown) Invalid(); break;
    case BI_BITFIELDS:
    case BI_ALPHABITFIELDS: if (bpp != 16 && bpp != 32) Invalid(); break;
    default: Invalid();
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32)
        Invalid();

    // Colour table.
    const uint64_t palStart = off + hdrSize + masksBytes;
    uint64_t tableEntries = clrUsed;
    if (bpp <= 8 && tableEntries == 0)
        tableEntries = uint64_t(1) << bpp;
    if (hdrSize == 12 && bpp <= 8)
        tableEntries = uint64_t(1) << bpp;
    QList<QRgb> colors;
    int paletteSize = 0;
    if (bpp <= 8) {
        const uint64_t use = std::min<uint64_t>(tableEntries, uint64_t(1) << bpp);
        if (palStart + use * entrySize > n)
            Invalid();
        for (uint64_t i = 0; i < use; ++i) {
            const uint8_t* e = p + palStart + i * entrySize;
            colors << qRgb(e[2], e[1], e[0]);
        }
        paletteSize = int(uint64_t(1) << bpp);
        while (colors.size() < paletteSize)
            colors << qRgb(0, 0, 0);
    }
    uint64_t bitsPos = palStart + tableEntries * uint64_t(entrySize);
    if (fileHeader && fileBitsOffset >= off + hdrSize && fileBitsOffset < n)
        bitsPos = fileBitsOffset;
    if (bitsPos >= fileSize)
        Invalid();

    const int W = int(w), H = int(absH);
    if (compression == BI_RLE8 || compression == BI_RLE4) {
        if (readAt)
            return false;
        out.image = NewImage(W, H, QImage::Format_Indexed8);
        DecodeRLE(p, n, size_t(bitsPos), compression == BI_RLE4, out.image);
        while (colors.size() < 256)
            colors << qRgb(0, 0, 0);
        out.image.setColorTable(colors);
        out.format = compression == BI_RLE4 ? pf4bit : pf8bit;
        out.paletteSize = paletteSize;
        out.bitsEnd = n;
        return true;
    }

    const uint64_t rowBytes = (uint64_t(w) * bpp + 31) / 32 * 4;
    const uint64_t lastRow = (uint64_t(w) * bpp + 7) / 8;
    const uint64_t need = rowBytes * uint64_t(absH - 1) + lastRow;
    if (bitsPos + need > fileSize)
        Invalid();
    out.bitsEnd = size_t(std::min<uint64_t>(fileSize, bitsPos + rowBytes * uint64_t(absH)));
    auto srcRow = [&](int y) { return p + bitsPos + rowBytes * uint64_t(topDown ? y : H - 1 - y); };
    auto rowLen = [&](int y) { return size_t((topDown ? y : H - 1 - y) == H - 1 ? lastRow : rowBytes); };

    if (bpp == 1 || bpp == 8 || bpp == 24 || (bpp == 16 && compression == BI_RGB) ||
        (bpp == 32 && compression == BI_RGB)) {
        QImage::Format f = QImage::Format_Mono;
        switch (bpp) {
        case 1: f = QImage::Format_Mono; out.format = pf1bit; break;
        case 8: f = QImage::Format_Indexed8; out.format = pf8bit; break;
        case 16: f = QImage::Format_RGB555; out.format = pf15bit; break;
        case 24: f = QImage::Format_BGR888; out.format = pf24bit; break;
        default: f = QImage::Format_RGB32; out.format = pf32bit; break;
        }
        out.image = NewImage(W, H, f);
        if (readAt)
            ReadRows(out.image, *readAt, bitsPos, fileSize - bitsPos, topDown);
        else
            CopyRows(out.image, srcRow, rowLen, rowBytes);
        if (bpp == 8) {
            while (colors.size() < 256)
                colors << qRgb(0, 0, 0);
        }
        if (bpp <= 8)
            out.image.setColorTable(colors);
        out.paletteSize = paletteSize;
        return true;
    }
    // The other kinds are converted from the whole file.
    if (readAt)
        return false;
    if (bpp == 4) {
        out.image = NewImage(W, H, QImage::Format_Indexed8);
        for (int y = 0; y < H; ++y) {
            const uint8_t* s = srcRow(y);
            uchar* d = out.image.scanLine(y);
            for (int x = 0; x < W; ++x)
                d[x] = (x & 1) ? (s[x / 2] & 15) : (s[x / 2] >> 4);
            std::memset(d + W, 0, size_t(out.image.bytesPerLine() - W));
        }
        while (colors.size() < 256)
            colors << qRgb(0, 0, 0);
        out.image.setColorTable(colors);
        out.format = pf4bit;
        out.paletteSize = 16;
        return true;
    }
    // Bit fields.
    if (bpp == 16 && masks[0] == 0xF800 && masks[1] == 0x07E0 && masks[2] == 0x001F) {
        out.image = NewImage(W, H, QImage::Format_RGB16);
        out.format = pf16bit;
    } else if (bpp == 16 && masks[0] == 0x7C00 && masks[1] == 0x03E0 && masks[2] == 0x001F) {
        out.image = NewImage(W, H, QImage::Format_RGB555);
        out.format = pf15bit;
    } else if (bpp == 32 && masks[0] == 0xFF0000 && masks[1] == 0xFF00 && masks[2] == 0xFF) {
        out.image = NewImage(W, H, QImage::Format_RGB32);
        out.format = pf32bit;
    }
    if (!out.image.isNull()) {
        CopyRows(out.image, srcRow, rowLen, rowBytes);
        return true;
    }
    const Mask r(masks[0]), g(masks[1]), b(masks[2]);
    out.image = NewImage(W, H, QImage::Format_RGB32);
    out.format = pf32bit;
    for (int y = 0; y < H; ++y) {
        const uint8_t* s = srcRow(y);
        QRgb* d = reinterpret_cast<QRgb*>(out.image.scanLine(y));
        for (int x = 0; x < W; ++x) {
            const uint32_t px = bpp == 16 ? le16(s + 2 * x) : le32(s + 4 * x);
            d[x] = qRgb(r.get(px), g.get(px), b.get(px));
        }
    }
    return true;
}

} // namespace

Decoded Decode(const uint8_t* p, size_t n, int heightOverride)
{
    Decoded out;
    DecodeFrom(p, n, n, heightOverride, nullptr, out);
    return out;
}

bool DecodeRows(const uint8_t* p, size_t n, uint64_t fileSize, const ReadAt& readAt, Decoded& out)
{
    return DecodeFrom(p, n, fileSize, 0, &readAt, out);
}


QByteArray Encode(const QImage& src, TPixelFormat format, const QList<QRgb>& palette)
{
    QByteArray out;
    if (src.isNull())
        return out;
    int bpp = 24;
    QImage img = src;
    uint32_t compression = BI_RGB;
    switch (format) {
    case pf1bit: bpp = 1; if (img.format() != QImage::Format_Mono) img = img.convertToFormat(QImage::Format_Mono); break;
    case pf4bit: bpp = 4; break;
    case pf8bit: bpp = 8; break;
    case pf15bit: bpp = 16; img = img.convertToFormat(QImage::Format_RGB555); break;
    case pf16bit: bpp = 16; compression = BI_BITFIELDS; img = img.convertToFormat(QImage::Format_RGB16); break;
    case pf32bit: bpp = 32; img = img.convertToFormat(QImage::Format_RGB32); break;
    default: bpp = 24; img = img.convertToFormat(QImage::Format_BGR888); break;
    }
    const int w = img.width(), h = img.height();
    const int colors = bpp <= 8 ? (1 << bpp) : 0;
    const uint32_t rowBytes = uint32_t((uint64_t(w) * bpp + 31) / 32 * 4);
    const uint32_t masksBytes = compression == BI_BITFIELDS ? 12 : 0;
    const uint32_t offBits = 14 + 40 + masksBytes + 4 * colors;
    const uint32_t imageSize = rowBytes * uint32_t(h);
    out.reserve(int(offBits + imageSize));
    out.append("BM", 2);
    put32(out, offBits + imageSize);
    put32(out, 0);
    put32(out, offBits);
    put32(out, 40);
    put32(out, uint32_t(w));
    put32(out, uint32_t(h));
    put16(out, 1);
    put16(out, uint16_t(bpp));
    put32(out, compression);
    put32(out, imageSize);
    put32(out, 0);
    put32(out, 0);
    put32(out, uint32_t(colors));
    put32(out, 0);
    if (compression == BI_BITFIELDS) {
        put32(out, 0xF800);
        put32(out, 0x07E0);
        put32(out, 0x001F);
    }
    for (int i = 0; i < colors; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : qRgb(0, 0, 0);
        out.append(char(qBlue(c)));
        out.append(char(qGreen(c)));
        out.append(char(qRed(c)));
        out.append(char(0));
    }
    QByteArray row(int(rowBytes), '\0');
    for (int y = h - 1; y >= 0; --y) {
        row.fill('\0');
        const uchar* s = img.constScanLine(y);
        if (bpp == 4) {
            for (int x = 0; x < w; ++x) {
                const uint8_t v = s[x] & 15;
                row[x / 2] = char(uint8_t(row[x / 2]) | ((x & 1) ? v : (v << 4)));
            }
        } else {
            const size_t bytes = std::min<size_t>(rowBytes, size_t((uint64_t(w) * bpp + 7) / 8));
            std::memcpy(row.data(), s, bytes);
            if (bpp == 1 && (w & 7)) // clear the bits past the right edge
                row[int(bytes - 1)] = char(uint8_t(row[int(bytes - 1)]) & uint8_t(0xFF00 >> (w & 7)));
        }
        out.append(row);
    }
    return out;
}

} // namespace bmpcodec

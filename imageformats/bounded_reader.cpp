#include "imageformats/bounded_reader.h"

#include "imageformats/picture_error.h"
#include "platform/bitmap.h"

#include <QIODevice>
#include <cstdlib>
#include <cstring>
#include <new>

namespace imgread {

void BoundedReader::read(void* dst, size_t n)
{
    std::memcpy(dst, take(n), n);
}

StreamBytes ReadRest(QIODevice& device)
{
    StreamBytes bytes;
    const qint64 rest = device.isSequential() ? -1 : device.size() - device.pos();
    if (rest > 0) {
        bytes.m_block = LargeBuffer(size_t(rest));
        char* at = reinterpret_cast<char*>(bytes.m_block.data());
        qint64 got = 0;
        while (got < rest) {
            const qint64 n = device.read(at + got, rest - got);
            if (n <= 0)
                break;
            got += n;
        }
        bytes.m_used = size_t(got);
        return bytes;
    }
    char buf[65536];
    for (;;) {
        const qint64 n = device.read(buf, sizeof buf);
        if (n <= 0)
            break;
        bytes.m_small.append(buf, qsizetype(n));
    }
    return bytes;
}

PictureSource::PictureSource(QIODevice& device, const char* error, size_t window)
    : m_size(uint64_t(std::max<qint64>(device.size() - device.pos(), 0))), m_error(error), m_device(&device),
      m_start(device.pos()), m_windowBytes(std::max<size_t>(window, 1))
{
}

void PictureSource::readDevice(uint64_t offset, void* to, size_t n)
{
    const qint64 at = m_start + qint64(offset);
    if (m_device->pos() != at && !m_device->seek(at))
        fail();
    for (size_t done = 0; done < n;) {
        const qint64 got = m_device->read(static_cast<char*>(to) + done, qint64(n - done));
        if (got <= 0)
            fail();
        done += size_t(got);
    }
}

void PictureSource::fill(uint64_t offset, size_t n)
{
    // Read ahead: the next requests mostly follow this one.
    const size_t bytes = size_t(std::min<uint64_t>(std::max(n, m_windowBytes), m_size - offset));
    // What the window holds from offset on is kept, not read again: pieces that cross its end
    // (strips, rows) would otherwise read the file over and over.
    size_t kept = 0;
    if (offset >= m_windowStart && offset < m_windowStart + m_windowUsed && bytes <= m_window.size()) {
        kept = size_t(m_windowStart + m_windowUsed - offset);
        std::memmove(m_window.data(), m_window.data() + (offset - m_windowStart), kept);
    } else {
        m_window.reserve(bytes);
    }
    m_windowUsed = 0;
    readDevice(offset + kept, m_window.data() + kept, bytes - kept);
    m_windowStart = offset;
    m_windowUsed = bytes;
}

void PictureSource::read(uint64_t offset, void* to, size_t n)
{
    if (offset > m_size || n > m_size - offset)
        fail();
    if (n == 0)
        return;
    if (m_data)
        std::memcpy(to, m_data + offset, n);
    else if (offset >= m_windowStart && offset + n <= m_windowStart + m_windowUsed)
        std::memcpy(to, m_window.data() + (offset - m_windowStart), n);
    else
        readDevice(offset, to, n);
}

QImage NewImage(int64_t width, int64_t height, QImage::Format format, const char* error, bool clear)
{
    if (width <= 0 || height <= 0 || width > 0x7fffff || height > 0x7fffff
        || int64_t(width) * int64_t(height) > GraphicPixelLimit())
        RaisePictureError(error);
    // Lines padded to 32 bits, as QImage makes them.
    const int64_t depth = QImage(1, 1, format).depth();
    ChargePictureMemory(width, height, int(depth));
    const int64_t lineBytes = (width * depth + 31) / 32 * 4;
    const size_t total = size_t(lineBytes * height);
    void* pixels;
    try {
        pixels = AllocateLarge(total);
    } catch (const std::bad_alloc&) {
        RaisePictureError(error);
    }
    if (clear || lineBytes * 8 != width * depth)
        std::memset(pixels, 0, total);
    QImage image(static_cast<uchar*>(pixels), int(width), int(height), qsizetype(lineBytes), format, FreeLarge,
                 pixels);
    if (image.isNull()) {
        FreeLarge(pixels);
        RaisePictureError(error);
    }
    if (format == QImage::Format_Indexed8)
        image.setColorTable(GreyTable());
    else if (format == QImage::Format_Mono)
        image.setColorTable(MonoTable());
    return image;
}

void CheckExpansion(uint64_t outputBytes, uint64_t inputBytes, uint64_t ratio, const char* error)
{
    // 4 KiB of slack lets tiny but honest pictures through.
    if (outputBytes > (inputBytes + 4096) * ratio)
        RaisePictureError(error);
}

QList<QRgb> GreyTable()
{
    QList<QRgb> t(256);
    for (int i = 0; i < 256; ++i)
        t[i] = qRgb(i, i, i);
    return t;
}

QList<QRgb> MonoTable()
{
    return {qRgb(255, 255, 255), qRgb(0, 0, 0)};
}

QList<QRgb> PadTable(QList<QRgb> table)
{
    if (table.size() > 256)
        table.resize(256);
    while (table.size() < 256)
        table.append(qRgb(0, 0, 0));
    return table;
}

} // namespace imgread

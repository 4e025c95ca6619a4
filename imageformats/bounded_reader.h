#pragma once
// Bounded access to a picture file held in memory, shared by the picture readers. Every read is
// checked against the end of the data and a failure raises the reader's own message, so a
// damaged file can never make a reader look outside its input or allocate more than its input
// can justify.
#include "imageformats/picture_error.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "platform/large_memory.h"

class QIODevice;

namespace imgread {

// The framework's text for reading past the end of a stream.
inline constexpr const char* kStreamReadError = "Stream read error";

class BoundedReader {
public:
    BoundedReader(const uint8_t* data, size_t size, const char* error)
        : m_data(data), m_size(size), m_error(error) {}

    size_t size() const { return m_size; }
    size_t pos() const { return m_pos; }
    size_t remaining() const { return m_size - m_pos; }
    bool atEnd() const { return m_pos >= m_size; }
    const uint8_t* data() const { return m_data; }
    const char* error() const { return m_error; }

    [[noreturn]] void fail() const { RaisePictureError(m_error); }

    void seek(uint64_t pos)
    {
        if (pos > m_size)
            fail();
        m_pos = size_t(pos);
    }
    void skip(uint64_t n)
    {
        if (n > remaining())
            fail();
        m_pos += size_t(n);
    }
    // Pointer to the next n bytes, which are taken.
    const uint8_t* take(uint64_t n)
    {
        if (n > remaining())
            fail();
        const uint8_t* p = m_data + m_pos;
        m_pos += size_t(n);
        return p;
    }
    void read(void* dst, size_t n);
    uint8_t u8() { return *take(1); }
    uint16_t u16le()
    {
        const uint8_t* p = take(2);
        return uint16_t(p[0] | (p[1] << 8));
    }
    uint16_t u16be()
    {
        const uint8_t* p = take(2);
        return uint16_t((p[0] << 8) | p[1]);
    }
    uint32_t u32be()
    {
        const uint8_t* p = take(4);
        return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
    const char* m_error;
};

// The program's one allocator for large blocks (platform/large_memory.h).
using ::AllocateLarge;
using ::FreeLarge;
using ::LargeBuffer;

// A stream's bytes held in memory, read in one piece when the size is known.
class StreamBytes {
public:
    const char* constData() const
    {
        return m_block.data() ? reinterpret_cast<const char*>(m_block.data()) : m_small.constData();
    }
    qsizetype size() const { return m_block.data() ? qsizetype(m_used) : m_small.size(); }
    // The same bytes as a decoder takes them.
    const uint8_t* data() const { return reinterpret_cast<const uint8_t*>(constData()); }
    size_t length() const { return size_t(size()); }

private:
    friend StreamBytes ReadRest(QIODevice& device);
    LargeBuffer m_block;
    size_t m_used = 0;
    QByteArray m_small;   // devices that cannot tell their size
};

// Everything from the device's current position to its end.
StreamBytes ReadRest(QIODevice& device);

// How much of a file a reader that reads as it decodes holds at a time, or reads in one piece.
inline constexpr size_t kReadAhead = size_t(256) << 10;

// A picture file's bytes as a decoder reaches them: held in memory, or read from a device while
// decoding goes on, so that a large file is never held whole beside its picture. Every read is
// checked against the end of the file; a failure raises the reader's message.
class PictureSource {
public:
    PictureSource(const uint8_t* data, size_t size, const char* error)
        : m_data(data), m_size(size), m_error(error)
    {
    }
    // The device's bytes from its current position to its end (a device that can seek). Reads
    // through at() and ahead() fill a window of at least window bytes ahead.
    PictureSource(QIODevice& device, const char* error, size_t window = kReadAhead);

    uint64_t size() const { return m_size; }
    const char* error() const { return m_error; }
    [[noreturn]] void fail() const { RaisePictureError(m_error); }

    // The n bytes at offset, valid until the next call.
    const uint8_t* at(uint64_t offset, size_t n)
    {
        if (offset > m_size || n > m_size - offset)
            fail();
        if (m_data)
            return m_data + offset;
        if (offset < m_windowStart || offset + n > m_windowStart + m_windowUsed)
            fill(offset, n);
        return m_window.data() + (offset - m_windowStart);
    }
    // The bytes from offset on that are at hand, valid until the next call: least of them at
    // least (fewer only where the file ends), and *got says how many.
    const uint8_t* ahead(uint64_t offset, size_t least, size_t* got)
    {
        if (offset > m_size)
            fail();
        const uint8_t* p = at(offset, size_t(std::min<uint64_t>(least, m_size - offset)));
        *got = size_t(m_data ? m_size - offset : m_windowStart + m_windowUsed - offset);
        return p;
    }
    // The n bytes at offset copied to to; bytes not in the window come from the device straight.
    void read(uint64_t offset, void* to, size_t n);

private:
    void fill(uint64_t offset, size_t n);
    void readDevice(uint64_t offset, void* to, size_t n);

    const uint8_t* m_data = nullptr;
    uint64_t m_size = 0;
    const char* m_error;
    QIODevice* m_device = nullptr;
    qint64 m_start = 0;
    size_t m_windowBytes = 0;
    LargeBuffer m_window;
    uint64_t m_windowStart = 0;
    size_t m_windowUsed = 0;
};

// A zero-filled image of the given size and format (Mono, Indexed8, RGB555, BGR888 or ARGB32);
// sizes of 0 or less, or beyond GraphicPixelLimit(), raise the message. Without clear, for a
// reader that writes every byte of every row itself, the pixels are left as they are, unless
// rows have padding at their ends (which a reader writing pixels would leave as it was).
QImage NewImage(int64_t width, int64_t height, QImage::Format format, const char* error, bool clear = true);

// Refuses output that the input cannot account for: more than ratio output bytes per input byte.
void CheckExpansion(uint64_t outputBytes, uint64_t inputBytes, uint64_t ratio, const char* error);

// Colour tables, always 256 entries (or 2 for 1-bit) so every index has a colour.
QList<QRgb> GreyTable();
QList<QRgb> MonoTable(); // entry 0 white, entry 1 black
// Pads a table read from a file with black up to 256 entries.
QList<QRgb> PadTable(QList<QRgb> table);

} // namespace imgread

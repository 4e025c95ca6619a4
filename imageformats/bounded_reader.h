#pragma once
// Bounded access to a picture file held in memory, shared by the SGI, Autodesk, portable map,
// GIF, CUT, Photo-CD, RLA and Photoshop readers. Every read is checked against the end of the
// data and a failure raises the reader's own message, so a damaged file can never make a
// reader look outside its input or allocate more than its input can justify.
#include <QImage>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>

class QIODevice;

namespace imgread {

// Raises the library's picture error with this message.
[[noreturn]] void Fail(const char* message);

// The framework's text for reading past the end of a stream.
inline constexpr const char* kStreamReadError = "Stream read error";

class BoundedReader {
public:
    BoundedReader(const uint8_t* data, size_t size, const char* error)
        : data_(data), size_(size), error_(error) {}

    size_t size() const { return size_; }
    size_t pos() const { return pos_; }
    size_t remaining() const { return size_ - pos_; }
    bool atEnd() const { return pos_ >= size_; }
    const uint8_t* data() const { return data_; }
    const char* error() const { return error_; }

    [[noreturn]] void fail() const { Fail(error_); }

    void seek(uint64_t pos)
    {
        if (pos > size_)
            fail();
        pos_ = size_t(pos);
    }
    void skip(uint64_t n)
    {
        if (n > remaining())
            fail();
        pos_ += size_t(n);
    }
    // Pointer to the next n bytes, which are taken.
    const uint8_t* take(uint64_t n)
    {
        if (n > remaining())
            fail();
        const uint8_t* p = data_ + pos_;
        pos_ += size_t(n);
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
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    const char* error_;
};

// Everything from the device's current position to its end.
QByteArray ReadRest(QIODevice& device);

// A zero-filled image of the given size and format (Mono, Indexed8, BGR888 or ARGB32);
// sizes of 0 or less, or beyond GraphicPixelLimit(), raise the message.
QImage NewImage(int64_t width, int64_t height, QImage::Format format, const char* error);

// Refuses output that the input cannot account for: more than ratio output bytes per input byte.
void CheckExpansion(uint64_t outputBytes, uint64_t inputBytes, uint64_t ratio, const char* error);

// Colour tables, always 256 entries (or 2 for 1-bit) so every index has a colour.
QList<QRgb> GreyTable();
QList<QRgb> MonoTable(); // entry 0 white, entry 1 black
// Pads a table read from a file with black up to 256 entries.
QList<QRgb> PadTable(QList<QRgb> table);

} // namespace imgread

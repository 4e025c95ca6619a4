#pragma once
// Bounded access to a picture file held in memory, shared by the SGI, Autodesk, portable map,
// GIF, CUT, Photo-CD, RLA and Photoshop readers. Every read is checked against the end of the
// data and a failure raises the reader's own message, so a damaged file can never make a
// reader look outside its input or allocate more than its input can justify.
#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <utility>

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

// Memory for the large buffers of a picture (file bytes, pixels). Blocks of some megabytes
// ask the system for huge pages: filled 4 KiB page by 4 KiB page, a picture of tens of
// megabytes costs thousands of page faults, which would take longer than decoding it.
// AllocateLarge raises std::bad_alloc when there is no memory; FreeLarge takes nullptr.
void* AllocateLarge(size_t bytes);
void FreeLarge(void* block);

// A block from AllocateLarge that the holder owns; its bytes are not cleared.
class LargeBuffer {
public:
    LargeBuffer() = default;
    explicit LargeBuffer(size_t size) : data_(static_cast<uint8_t*>(AllocateLarge(size))), size_(size) {}
    LargeBuffer(LargeBuffer&& other) noexcept { swap(other); }
    LargeBuffer& operator=(LargeBuffer&& other) noexcept
    {
        LargeBuffer(std::move(other)).swap(*this);
        return *this;
    }
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    ~LargeBuffer() { FreeLarge(data_); }

    uint8_t* data() { return data_; }
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }
    // At least size bytes; the contents are not kept.
    void reserve(size_t size)
    {
        if (size > size_)
            *this = LargeBuffer(size);
    }
    void swap(LargeBuffer& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
    }

private:
    uint8_t* data_ = nullptr;
    size_t size_ = 0;
};

// A stream's bytes held in memory, read in one piece when the size is known.
class StreamBytes {
public:
    const char* constData() const
    {
        return block_.data() ? reinterpret_cast<const char*>(block_.data()) : small_.constData();
    }
    qsizetype size() const { return block_.data() ? qsizetype(used_) : small_.size(); }

private:
    friend StreamBytes ReadRest(QIODevice& device);
    LargeBuffer block_;
    size_t used_ = 0;
    QByteArray small_;   // devices that cannot tell their size
};

// Everything from the device's current position to its end.
StreamBytes ReadRest(QIODevice& device);

// A zero-filled image of the given size and format (Mono, Indexed8, RGB555, BGR888 or ARGB32);
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

#pragma once
// Memory for large buffers (picture pixels, file bytes, rendered pages). Blocks of some
// megabytes ask the system for huge pages and are mapped in one call: filled 4 KiB page by
// 4 KiB page, a picture of tens of megabytes costs thousands of page faults, which would take
// longer than decoding or drawing it. A few freed blocks (128 MB at most) are kept for the
// next request of about their size, so repeated renders and decodes do not map them again.
#include <QImage>
#include <cstddef>
#include <cstdint>
#include <utility>

// Raises std::bad_alloc when there is no memory. The bytes are not cleared.
void* AllocateLarge(size_t bytes);
// Takes nullptr.
void FreeLarge(void* block);

// A block from AllocateLarge that the holder owns; its bytes are not cleared.
class LargeBuffer {
public:
    LargeBuffer() = default;
    explicit LargeBuffer(size_t size) : m_data(static_cast<uint8_t*>(AllocateLarge(size))), m_size(size) {}
    LargeBuffer(LargeBuffer&& other) noexcept { swap(other); }
    LargeBuffer& operator=(LargeBuffer&& other) noexcept
    {
        LargeBuffer(std::move(other)).swap(*this);
        return *this;
    }
    LargeBuffer(const LargeBuffer&) = delete;
    LargeBuffer& operator=(const LargeBuffer&) = delete;
    ~LargeBuffer() { FreeLarge(m_data); }

    uint8_t* data() { return m_data; }
    const uint8_t* data() const { return m_data; }
    size_t size() const { return m_size; }
    // At least size bytes; the contents are not kept.
    void reserve(size_t size)
    {
        if (size > m_size)
            *this = LargeBuffer(size);
    }
    void swap(LargeBuffer& other) noexcept
    {
        std::swap(m_data, other.m_data);
        std::swap(m_size, other.m_size);
    }

private:
    uint8_t* m_data = nullptr;
    size_t m_size = 0;
};

// A QImage over a block from AllocateLarge, rows padded to 32 bits as QImage makes them.
// The pixels are not cleared. A null image when the size is not positive or there is no
// memory; callers report that as they report any failed allocation.
QImage NewLargeImage(int width, int height, QImage::Format format);

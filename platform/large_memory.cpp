#include "platform/large_memory.h"

#include <cstdlib>
#include <new>
#ifdef __linux__
#include <sys/mman.h>
#endif

void* AllocateLarge(size_t bytes)
{
#ifdef __linux__
    constexpr size_t kHugePage = size_t(2) << 20;
    if (bytes >= 2 * kHugePage) {
        const size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        void* block = std::aligned_alloc(kHugePage, rounded);
        if (!block)
            throw std::bad_alloc();
        madvise(block, rounded, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
        // All pages in one call: without huge pages, still far fewer faults one by one.
        madvise(block, rounded, MADV_POPULATE_WRITE);
#endif
        return block;
    }
#endif
    void* block = std::malloc(bytes ? bytes : 1);
    if (!block)
        throw std::bad_alloc();
    return block;
}

void FreeLarge(void* block)
{
    std::free(block);
}

QImage NewLargeImage(int width, int height, QImage::Format format)
{
    if (width <= 0 || height <= 0 || format == QImage::Format_Invalid)
        return QImage();
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const uint64_t lineBytes = (uint64_t(width) * uint64_t(depth) + 31) / 32 * 4;
    if (lineBytes > uint64_t(INT32_MAX))
        return QImage();
    void* pixels;
    try {
        pixels = AllocateLarge(size_t(lineBytes * uint64_t(height)));
    } catch (const std::bad_alloc&) {
        return QImage();
    }
    QImage image(static_cast<uchar*>(pixels), width, height, qsizetype(lineBytes), format, FreeLarge, pixels);
    if (image.isNull())
        FreeLarge(pixels);
    return image;
}

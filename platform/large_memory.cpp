#include "platform/large_memory.h"

#include <array>
#include <cstdlib>
#include <mutex>
#include <unordered_map>
#include <new>
#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

constexpr size_t kHugePage = size_t(2) << 20;
// Freed blocks kept for the next request of about their size: the pages of a rendered page or
// a decoded picture are mapped and cleared by the system once, not on every render.
constexpr size_t kKeptBlocks = 4;
constexpr size_t kKeptBytes = size_t(128) << 20;

struct KeptBlock {
    void* block = nullptr;
    size_t size = 0;
};

struct Pool {
    std::mutex lock;
    std::array<KeptBlock, kKeptBlocks> kept{};
    size_t keptBytes = 0;
    // Sizes of the live large blocks, so that a freed one can be kept.
    std::unordered_map<void*, size_t> live;
};

Pool& ThePool()
{
    static Pool* pool = new Pool; // never destroyed: blocks may be freed during exit
    return *pool;
}

} // namespace

void* AllocateLarge(size_t bytes)
{
#ifdef __linux__
    if (bytes >= 2 * kHugePage) {
        const size_t rounded = (bytes + kHugePage - 1) & ~(kHugePage - 1);
        Pool& pool = ThePool();
        {
            const std::lock_guard<std::mutex> guard(pool.lock);
            // The smallest kept block that fits without wasting more than half of it.
            KeptBlock* best = nullptr;
            for (KeptBlock& k : pool.kept)
                if (k.block && k.size >= rounded && k.size / 2 <= rounded && (!best || k.size < best->size))
                    best = &k;
            if (best) {
                void* block = best->block;
                pool.live.emplace(block, best->size);
                pool.keptBytes -= best->size;
                *best = KeptBlock();
                return block;
            }
        }
        void* block = std::aligned_alloc(kHugePage, rounded);
        if (!block)
            throw std::bad_alloc();
        // Huge pages for the whole ones the request fills; the rest of the last one takes small
        // pages as far as it is used, so a block costs its own size, not the next 2 MiB.
        const size_t whole = bytes & ~(kHugePage - 1);
        madvise(block, whole, MADV_HUGEPAGE);
        madvise(static_cast<char*>(block) + whole, rounded - whole, MADV_NOHUGEPAGE);
#ifdef MADV_POPULATE_WRITE
        // All pages in one call: without huge pages, still far fewer faults one by one.
        madvise(block, bytes, MADV_POPULATE_WRITE);
#endif
        try {
            const std::lock_guard<std::mutex> guard(pool.lock);
            pool.live.emplace(block, rounded);
        } catch (...) {
            std::free(block);
            throw;
        }
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
    if (!block)
        return;
#ifdef __linux__
    Pool& pool = ThePool();
    {
        const std::lock_guard<std::mutex> guard(pool.lock);
        const auto it = pool.live.find(block);
        if (it != pool.live.end()) {
            const size_t size = it->second;
            pool.live.erase(it);
            if (size <= kKeptBytes / 2) {
                // Make room by dropping the oldest kept blocks first.
                for (KeptBlock& k : pool.kept) {
                    if (pool.keptBytes + size <= kKeptBytes)
                        break;
                    if (k.block) {
                        std::free(k.block);
                        pool.keptBytes -= k.size;
                        k = KeptBlock();
                    }
                }
                for (KeptBlock& k : pool.kept) {
                    if (!k.block && pool.keptBytes + size <= kKeptBytes) {
                        k = KeptBlock{block, size};
                        pool.keptBytes += size;
                        return;
                    }
                }
            }
        }
    }
#endif
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

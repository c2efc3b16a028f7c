// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/PixelPool.h"

#include "engine/core/LibraryMessages.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <sanitizer/asan_interface.h>
#include <sys/mman.h>
#include <utility>

namespace {

// Below this a frame is cheap to get from malloc; above it, fresh pages would be mapped for each frame.
constexpr std::size_t kPooledFrom = std::size_t(8) << 20;
constexpr std::size_t kHeader = 16; // the block's capacity, keeping the pixels 16-byte aligned
// Large blocks are mapped on boundaries of the processor's large pages and asked to be backed by them:
// a frame is written column by column when a photo is turned, and with 4 KB pages each step to the
// next upright row misses the address cache; the kernel also faults 2 MB in at a time.
constexpr std::size_t kLargePage = std::size_t(2) << 20;

std::size_t& capacityOf(unsigned char* block)
{
    return *reinterpret_cast<std::size_t*>(block);
}

std::size_t roundedUp(std::size_t size)
{
    return (size + kLargePage - 1) & ~(kLargePage - 1);
}

/// A block of at least \a bytes after its header, aligned to a large page; null when it cannot be had.
/// Twice the size is asked for first: only the pages written are ever taken from the kernel, and the next
/// photo, often larger, then finds the pages this one touched already in place instead of fresh ones
/// that the kernel has to clear.
unsigned char* mapBlock(std::size_t bytes)
{
    std::size_t size = roundedUp(kHeader + 2 * bytes);
    void* mapped = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE,
        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (mapped == MAP_FAILED) {
        size = roundedUp(kHeader + bytes);
        mapped = mmap(nullptr, size + kLargePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    }
    if (mapped == MAP_FAILED)
        return nullptr;
    // Keep the aligned part of the mapping and give back the rest on either side.
    const auto first = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t start = (first + kLargePage - 1) & ~std::uintptr_t(kLargePage - 1);
    if (start > first)
        munmap(mapped, start - first);
    if (const std::uintptr_t tail = first + size + kLargePage - (start + size); tail > 0)
        munmap(reinterpret_cast<void*>(start + size), tail);
    auto* block = reinterpret_cast<unsigned char*>(start);
    madvise(block, size, MADV_HUGEPAGE);
    capacityOf(block) = size - kHeader;
    return block;
}

void unmapBlock(unsigned char* block)
{
    ASAN_UNPOISON_MEMORY_REGION(block, kHeader + capacityOf(block));
    munmap(block, kHeader + capacityOf(block));
}

/// Under the address sanitizer, marks the block's bytes past a frame of \a bytes as out of bounds, so
/// that writing beyond the frame is found as in a block of the frame's own size.
void fenceFrame(unsigned char* block, std::size_t bytes)
{
    ASAN_UNPOISON_MEMORY_REGION(block, kHeader + capacityOf(block));
    ASAN_POISON_MEMORY_REGION(block + kHeader + bytes, capacityOf(block) - bytes);
}

// The last large block released on this thread, kept for the next frame.
struct Pool
{
    unsigned char* block = nullptr;
    bool alive = true;

    ~Pool()
    {
        if (block)
            unmapBlock(block);
        alive = false;
    }
};

thread_local Pool pool;

void releaseBlock(void* pixels)
{
    unsigned char* block = static_cast<unsigned char*>(pixels) - kHeader;
    if (!pool.alive) {
        unmapBlock(block);
        return;
    }
    // Keep the larger of the two: the next frame is likely as big as the last.
    if (pool.block && capacityOf(pool.block) >= capacityOf(block)) {
        unmapBlock(block);
        return;
    }
    if (pool.block)
        unmapBlock(pool.block);
    pool.block = block;
}

} // namespace

QImage pooledImage(int width, int height, QImage::Format format)
{
    if (width <= 0 || height <= 0)
        return {};
    const int depth = QImage::toPixelFormat(format).bitsPerPixel();
    const qint64 bytesPerLine = ((qint64(width) * depth + 31) / 32) * 4;
    const qint64 bytes = bytesPerLine * height;
    if (bytesPerLine > std::numeric_limits<int>::max() || bytes > (qint64(1) << 36))
        return {};
    if (std::size_t(bytes) < kPooledFrom) {
        QImage image(width, height, format);
        if (image.isNull())
            recordLibraryMessage(QStringLiteral("out of memory"));
        return image;
    }

    unsigned char* block = nullptr;
    if (pool.alive && pool.block) {
        block = std::exchange(pool.block, nullptr);
        if (capacityOf(block) < std::size_t(bytes)) {
            // The contents need not survive, so a larger block is mapped afresh rather than grown.
            unmapBlock(block);
            block = nullptr;
        }
    }
    if (!block)
        block = mapBlock(std::size_t(bytes));
    if (!block) {
        recordLibraryMessage(QStringLiteral("out of memory"));
        return {};
    }
    fenceFrame(block, std::size_t(bytes));
    return QImage(
        block + kHeader, width, height, qsizetype(bytesPerLine), format, releaseBlock, block + kHeader);
}

void releasePooledPixels()
{
    if (!pool.alive)
        return;
    if (unsigned char* block = std::exchange(pool.block, nullptr))
        unmapBlock(block);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/PixelPool.h"

#include "engine/LibraryMessages.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace {

// Below this a frame is cheap to get from malloc; above it malloc maps fresh pages each time.
constexpr std::size_t kPooledFrom = std::size_t(8) << 20;
constexpr std::size_t kHeader = 16; // the block's size, keeping the pixels 16-byte aligned

// The last large block released on this thread, kept for the next frame.
struct Pool
{
    unsigned char* block = nullptr;
    std::size_t size = 0;
    bool alive = true;

    ~Pool()
    {
        std::free(block);
        alive = false;
    }
};

thread_local Pool pool;

std::size_t& blockSize(unsigned char* block)
{
    return *reinterpret_cast<std::size_t*>(block);
}

void releaseBlock(void* pixels)
{
    unsigned char* block = static_cast<unsigned char*>(pixels) - kHeader;
    if (!pool.alive) {
        std::free(block);
        return;
    }
    // Keep the larger of the two: the next frame is likely as big as the last.
    if (pool.block && pool.size >= blockSize(block)) {
        std::free(block);
        return;
    }
    std::free(pool.block);
    pool.block = block;
    pool.size = blockSize(block);
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
        pool.size = 0;
        if (blockSize(block) < std::size_t(bytes)) {
            // Growing keeps the pages already touched (a large block is remapped, not copied).
            auto* grown = static_cast<unsigned char*>(std::realloc(block, kHeader + std::size_t(bytes)));
            if (!grown) {
                std::free(block);
                recordLibraryMessage(QStringLiteral("out of memory"));
                return {};
            }
            block = grown;
            blockSize(block) = std::size_t(bytes);
        }
    } else {
        block = static_cast<unsigned char*>(std::malloc(kHeader + std::size_t(bytes)));
        if (!block) {
            recordLibraryMessage(QStringLiteral("out of memory"));
            return {};
        }
        blockSize(block) = std::size_t(bytes);
    }
    return QImage(
        block + kHeader, width, height, qsizetype(bytesPerLine), format, releaseBlock, block + kHeader);
}

void releasePooledPixels()
{
    if (!pool.alive)
        return;
    std::free(std::exchange(pool.block, nullptr));
    pool.size = 0;
}

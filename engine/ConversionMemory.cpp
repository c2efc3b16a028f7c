// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ConversionMemory.h"

#include "engine/ImageSource.h"

#include <QFile>
#include <QImageReader>

#include <sys/stat.h>

namespace {

// Bytes per pixel besides the decoded frame: the 32-bit canvas, or the copy that turning a non-JPEG
// image upright makes. Measured peaks stay below the estimate: a 12 MP JPEG about 4 bytes per pixel
// (it is turned while decoding and drawn 1:1), a 6 MP PNG about 6 plus its file.
constexpr qint64 kDrawingBytesPerPixel = 4;

} // namespace

qint64 estimatedConversionBytes(const QString& path)
{
    initializeImageEngine();
    struct stat status = {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    const qint64 fileBytes = qint64(status.st_size);

    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QSize size = reader.size();
    if (!size.isValid()) {
        // Qt has no reader for HEIF: the engine's own opening reads its structure, no pixels.
        if (const std::unique_ptr<ImageSource> source = ImageSource::createWithPath(path))
            size = source->statedSize();
    }
    if (!size.isValid() || size.isEmpty())
        return fileBytes;
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > kMaxDecodedPixels)
        return fileBytes;
    const QImage::Format format = reader.imageFormat();
    const qint64 decodedBytesPerPixel = format == QImage::Format_Invalid
        ? 4
        : std::max(4, QImage::toPixelFormat(format).bitsPerPixel() / 8);
    return fileBytes + pixels * (decodedBytesPerPixel + kDrawingBytesPerPixel);
}

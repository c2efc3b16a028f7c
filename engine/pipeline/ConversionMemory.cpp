// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ConversionMemory.h"

#include "engine/core/NativePath.h"
#include "engine/formats/jpeg/JpegBands.h"
#include "engine/pipeline/ImageSource.h"

#include <QFile>
#include <QImageReader>

#include <sys/stat.h>

namespace {

// Bytes per pixel besides the decoded frame: the 32-bit canvas, or the copy that turning a non-JPEG
// image upright makes. Measured peaks stay below the estimate: a 12 MP JPEG about 4 bytes per pixel
// (it is turned while decoding and drawn 1:1), a 6 MP PNG about 6 plus its file.
constexpr qint64 kDrawingBytesPerPixel = 4;

// A JPEG copied in bands holds its file, a band of rows and the codecs' row buffers, and then its copy
// while that is checked: a 24 MP photo 6,000 pixels wide measured about 1 MB beyond its file.
constexpr qint64 kBandBytesPerColumn = 512;
constexpr qint64 kBandFixedBytes = qint64(1) << 20;
// The start of a file read to tell whether it is copied in bands: room for its EXIF and a profile.
constexpr qint64 kHeadBytes = qint64(256) << 10;

} // namespace

qint64 estimatedConversionBytes(const QString& path, bool fixOrientation)
{
    initializeImageEngine();
    struct stat status = {};
    if (::stat(encodePath(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    const qint64 fileBytes = qint64(status.st_size);

    // Read through the name's bytes: QImageReader(path) would open a name of its own encoding.
    QFile device;
    if (!openForReading(device, path))
        return fileBytes;
    QImageReader reader(&device);
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
    if (reader.format() == "jpeg"
        && (!fixOrientation || reader.transformation() == QImageIOHandler::TransformationNone)) {
        QFile file;
        int width = 0;
        if (openForReading(file, path) && jpegHeaderAllowsBands(file.read(kHeadBytes), width))
            return 2 * fileBytes + width * kBandBytesPerColumn + kBandFixedBytes;
    }
    const QImage::Format format = reader.imageFormat();
    const qint64 decodedBytesPerPixel = format == QImage::Format_Invalid
        ? 4
        : std::max(4, QImage::toPixelFormat(format).bitsPerPixel() / 8);
    return fileBytes + pixels * (decodedBytesPerPixel + kDrawingBytesPerPixel);
}

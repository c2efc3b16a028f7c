// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ConversionMemory.h"

#include "engine/core/HandedFiles.h"
#include "engine/core/ImageFormat.h"
#include "engine/core/NativePath.h"
#include "engine/formats/jpeg/JpegBands.h"
#include "engine/pipeline/ImageSource.h"
#include "engine/structure/HeifBoxes.h"

#include <QFile>
#include <QImageReader>
#include <QtEndian>

#include <limits>
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
// The start of a file read to tell whether it is copied in bands: space for its EXIF and a profile.
constexpr qint64 kHeadBytes = qint64(256) << 10;

// A HEIF file's 'ftyp' and 'meta' boxes are read, nothing else: the walk gives up on a larger 'meta' box
// (a few hundred kilobytes hold the items of the largest grids) and after this many top-level boxes.
constexpr qint64 kMaxHeifHeaderBytes = qint64(4) << 20;
constexpr int kMaxTopLevelBoxes = 64;

/// The size a HEIF file's primary image states ('ispe'; before any crop, which only makes it smaller),
/// from its 'ftyp' and 'meta' boxes alone: the top-level boxes are found by their headers, so a 'meta'
/// box after the image data costs no more to reach than one before it. Invalid when it cannot be told.
QSize heifStatedSize(QFile& file)
{
    const qint64 end = file.size();
    QByteArray boxes; // 'ftyp' and 'meta' in the file's order: a file of their own for the box walk
    qint64 offset = 0;
    bool haveMeta = false;
    for (int count = 0; count < kMaxTopLevelBoxes && !haveMeta && end - offset >= 8; ++count) {
        if (!file.seek(offset))
            return {};
        const QByteArray header = file.read(16);
        if (header.size() < 8)
            return {};
        quint64 size = qFromBigEndian<quint32>(header.constData());
        const quint32 type = qFromBigEndian<quint32>(header.constData() + 4);
        if (size == 1) {
            if (header.size() < 16)
                return {};
            size = qFromBigEndian<quint64>(header.constData() + 8);
        } else if (size == 0) {
            size = quint64(end - offset);
        }
        if (size < 8 || size > quint64(end - offset))
            return {};
        if (count == 0 || type == fourCC("meta")) {
            if (qint64(size) > kMaxHeifHeaderBytes || !file.seek(offset))
                return {};
            const QByteArray box = file.read(qint64(size));
            if (box.size() != qsizetype(size))
                return {};
            boxes += box;
            haveMeta = type == fourCC("meta");
        }
        offset += qint64(size);
    }
    if (!haveMeta)
        return {};
    const std::optional<HeifStructure> structure = readHeifStructure(boxes, nullptr);
    if (!structure)
        return {};
    const auto primary = structure->items.find(structure->primary);
    if (primary == structure->items.end())
        return {};
    for (const int index : primary->second.properties) {
        if (index < 0 || size_t(index) >= structure->properties.size())
            continue;
        const HeifProperty& property = structure->properties[size_t(index)];
        // Version and flags, then the width and height.
        if (property.type != fourCC("ispe") || property.payload.size() < 12)
            continue;
        const quint32 width = qFromBigEndian<quint32>(property.payload.constData() + 4);
        const quint32 height = qFromBigEndian<quint32>(property.payload.constData() + 8);
        if (width > quint32(std::numeric_limits<int>::max())
            || height > quint32(std::numeric_limits<int>::max()))
            return {};
        return QSize(int(width), int(height));
    }
    return {};
}

} // namespace

qint64 estimatedConversionBytes(const QString& path, bool fixOrientation)
{
    initializeImageEngine();
    struct stat status = {};
    if (statSourcePath(path, &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    const qint64 fileBytes = qint64(status.st_size);

    // One opening for every read, through the name's bytes: QImageReader(path) would open a name of its
    // own encoding.
    QFile device;
    if (!openForReading(device, path))
        return fileBytes;
    const std::optional<ImageFormat> sniffed = sniffImageFormat(device.peek(256));
    // Qt has no reader for HEIF: its boxes state the size.
    const bool heif = sniffed == ImageFormat::HEIC || sniffed == ImageFormat::AVIF;
    QImageReader reader;
    QSize size;
    if (heif) {
        size = heifStatedSize(device);
    } else {
        reader.setDevice(&device);
        reader.setDecideFormatFromContent(true);
        size = reader.size();
    }
    if (!size.isValid() || size.isEmpty())
        return fileBytes;
    const qint64 pixels = qint64(size.width()) * size.height();
    if (pixels > kMaxDecodedPixels)
        return fileBytes;
    // Asked before the JPEG's start is read again below, while the reader's handler still has the device
    // where it left it.
    const QImage::Format format = heif ? QImage::Format_Invalid : reader.imageFormat();
    if (!heif && reader.format() == "jpeg"
        && (!fixOrientation || reader.transformation() == QImageIOHandler::TransformationNone)) {
        int width = 0;
        if (device.seek(0) && jpegHeaderAllowsBands(device.read(kHeadBytes), width))
            return 2 * fileBytes + width * kBandBytesPerColumn + kBandFixedBytes;
    }
    const qint64 decodedBytesPerPixel = format == QImage::Format_Invalid
        ? 4
        : std::max(4, QImage::toPixelFormat(format).bitsPerPixel() / 8);
    return fileBytes + pixels * (decodedBytesPerPixel + kDrawingBytesPerPixel);
}

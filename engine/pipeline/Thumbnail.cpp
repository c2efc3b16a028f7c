// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/Thumbnail.h"

#include "engine/core/NativePath.h"
#include "engine/formats/jpeg/JpegPreview.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSource.h"

#include <QFile>
#include <QImageReader>

namespace {

// The picture at \a path upright as the engine decodes it: the formats other than JPEG, among them those
// Qt has no reader for (HEIC, AVIF: the file's own rotation, mirroring and crop) or whose orientation Qt's
// reader ignores (WebP's EXIF tag).
QImage decodeWithEngine(const QString& path)
{
    const ImageInfoPtr info(IICreateImage(path, true));
    return info ? info->image.pixels : QImage();
}

// The EXIF orientation whose turn Qt's reader names \a transformation.
Orientation orientationOf(QImageIOHandler::Transformations transformation)
{
    switch (int(transformation)) {
    case QImageIOHandler::TransformationMirror:
        return Orientation::MirrorAcross;
    case QImageIOHandler::TransformationRotate180:
        return Orientation::Rotate180;
    case QImageIOHandler::TransformationFlip:
        return Orientation::MirrorDown;
    case QImageIOHandler::TransformationFlipAndRotate90:
        return Orientation::Transpose;
    case QImageIOHandler::TransformationRotate90:
        return Orientation::Rotate90;
    case QImageIOHandler::TransformationMirrorAndRotate90:
        return Orientation::Transverse;
    case QImageIOHandler::TransformationRotate270:
        return Orientation::Rotate270;
    default:
        return Orientation::Normal;
    }
}

// The JPEG at \a path at an eighth of its size from its DC coefficients, upright; null when the engine
// cannot take it so (a progressive file, a damaged scan, ...).
QImage jpegEighth(const QString& path, QImageIOHandler::Transformations transformation)
{
    QFile file;
    if (!openForReading(file, path) || file.size() > kMaxSourceFileBytes)
        return {};
    return decodeJpegEighth(file.readAll(), orientationOf(transformation), kMaxDecodedPixels);
}

} // namespace

QImage decodeThumbnail(const QString& path, const QSize& box)
{
    if (box.isEmpty())
        return {};
    // Read through the name's bytes: QImageReader(path) would open a name of its own encoding.
    QFile device;
    if (!openForReading(device, path))
        return {};
    QImageReader reader(&device);
    reader.setAutoTransform(true);
    // Qt's reader only for JPEG, which it scales while decoding. Every other format goes through the
    // engine, which refuses a file that ends before its pixels do (Qt's BMP reader shows whatever the
    // memory held for the rows it did not get) and turns HEIF and WebP files upright.
    const bool qtReads = reader.canRead() && reader.format() == "jpeg";
    const QSize stored = qtReads ? reader.size() : QSize();
    if (!stored.isValid()) {
        // The engine, and a JPEG whose size Qt cannot tell beforehand, decode in full.
        const QImage full = qtReads ? reader.read() : decodeWithEngine(path);
        if (full.isNull())
            return {};
        return full.size().boundedTo(box) == full.size()
            ? full
            : full.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    // The box applies to the upright picture; the reader scales the stored one before turning it.
    const bool turns = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize upright = turns ? stored.transposed() : stored;
    QSize target = upright;
    if (upright.width() > box.width() || upright.height() > box.height())
        target = upright.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    if (target == upright)
        return reader.read();
    // A photo shown much smaller than it is: libjpeg's smallest scaling still decodes every coefficient,
    // while the eighth the engine makes from the DC coefficients alone is the same picture in about two
    // thirds of the time.
    if (reader.format() == "jpeg" && (upright.width() + 7) / 8 >= target.width()
        && (upright.height() + 7) / 8 >= target.height()) {
        const QImage eighth = jpegEighth(path, reader.transformation());
        if (!eighth.isNull())
            return eighth.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    reader.setScaledSize(turns ? target.transposed() : target);
    return reader.read();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QImage>
#include <QJsonObject>
#include <QList>
#include <QString>

#include <functional>
#include <vector>

/// A file of the dirty corpus, by its path in it ("jpeg/02_xmp.jpg").
[[nodiscard]] QString dirtyFile(const QString& relative);
/// exiftool's numeric, group-qualified view of one file ("IFD0:Orientation", "PNG:BitDepth"...).
[[nodiscard]] QJsonObject exiftoolTags(const QString& path);
/// exiftool's view of every file under \a dir, keyed by file name.
[[nodiscard]] QHash<QString, QJsonObject> exiftoolTagsUnder(const QString& dir);
/// The number of frames or pages ImageMagick finds in a file.
[[nodiscard]] int frameCount(const QString& path);
/// Four flat colour quadrants: red, green (top right), blue (bottom left), yellow.
[[nodiscard]] QImage quadrants(int width, int height);
/// \a image as stored with EXIF \a orientation turned upright by Qt's exact transforms.
[[nodiscard]] QImage turnedUpright(const QImage& image, int orientation);

/// Runs \a write on a new (or emptied) file at \a path; false when opening, writing or closing fails.
[[nodiscard]] bool writeThroughDescriptor(const QString& path, const std::function<bool(int fd)>& write);

/// The largest channel difference and the PSNR of \a actual against \a expected over the pixels that
/// \a counts accepts (given x, y and the expected ARGB32 pixel); alpha compared only when \a withAlpha.
/// Images of different sizes differ by 256 at 0 dB.
struct Difference
{
    int maximum = 0;
    double psnr = 0;
};
[[nodiscard]] Difference compareImages(const QImage& expected, const QImage& actual, bool withAlpha = false,
    const std::function<bool(int, int, QRgb)>& counts = {});

/// One segment of a JPEG: its marker, its payload (without the length field) and, for a scan header,
/// the entropy-coded data after it (restart markers included).
struct JpegSegment
{
    int marker = 0;
    QByteArray payload;
    QByteArray scan;
};
/// A byte walk of a JPEG from SOI through every scan to EOI; empty when the structure is broken or
/// anything follows EOI.
[[nodiscard]] std::vector<JpegSegment> jpegSegments(const QByteArray& file);
/// The ICC profile of the APP2 chunks, reassembled in the order of their numbers; "chunks out of order"
/// when they are not numbered 1, 2, ...
[[nodiscard]] QByteArray jpegIccProfile(const std::vector<JpegSegment>& segments);

/// One chunk of a PNG.
struct PngChunk
{
    QByteArray type;
    QByteArray data;
};
/// The chunks of a PNG after its signature, each CRC checked; empty when the signature, a length or a
/// CRC is wrong or anything follows IEND.
[[nodiscard]] QList<PngChunk> pngChunks(const QByteArray& file);
/// The types of pngChunks(), in order.
[[nodiscard]] QList<QByteArray> pngChunkTypes(const QByteArray& file);

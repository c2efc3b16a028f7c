// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/Image.h"
#include "engine/core/YCbCrPlanes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

// WebP files through libwebp: still images, lossy or lossless, and the first frame of an animation.

/// What a WebP file says, read without decoding any pixels.
struct WebpImageInfo
{
    /// The canvas: the image, or the area an animation's frames are drawn on.
    QSize size;
    bool hasAlpha = false;
    /// How many frames the file holds (1 for a still image); only the first is decoded.
    int frameCount = 1;
    /// The first frame is lossless (VP8L); a file written from it should stay lossless.
    bool lossless = false;
    /// IFD0's Orientation in the EXIF chunk, 1 when there is none. The pixels are decoded as stored:
    /// the caller turns them, as for a JPEG.
    int orientation = 1;
    /// The 'ICCP' chunk exactly as stored: not cleaned.
    QByteArray iccProfile;
    /// The 'EXIF' chunk's TIFF structure ("II*\0" or "MM\0*" first). Empty when none.
    QByteArray exif;
    /// The 'XMP ' chunk. Empty when none.
    QByteArray xmp;
};

/// A WebP file opened for decoding its first frame. open() walks the file's chunks (libwebp's demuxer)
/// and refuses, with a reason, a file cut short or damaged and a canvas of more than the pixel bound,
/// before any pixel memory is taken. Holds the file's bytes (shared, not copied). One thread at a time;
/// independent inputs may be used on different threads at once.
class WebpInput
{
public:
    /// Opens the WebP file in \a data. Null with the reason in \a reason (when given).
    [[nodiscard]] static std::unique_ptr<WebpInput> open(
        const QByteArray& data, qint64 maxPixels, QString* reason = nullptr);
    ~WebpInput();
    WebpInput(const WebpInput&) = delete;
    WebpInput& operator=(const WebpInput&) = delete;

    [[nodiscard]] const WebpImageInfo& info() const;

    /// Decodes the first frame as stored (not turned) onto a canvas of info().size: QImage::Format_RGB32
    /// without alpha, Format_ARGB32 (straight alpha) with it; what the first frame of an animation does
    /// not cover is transparent. The colour space is not set. Null with a reason on a decoding error.
    [[nodiscard]] std::optional<Image> decode(QString* reason = nullptr) const;

    /// Decodes every frame's bitstream on its own (not drawn on the canvas) and drops the pixels, one
    /// frame at a time: false, with the reason, when any of them does not decode whole. For a copy that
    /// carries the bitstreams over without decoding them.
    [[nodiscard]] bool decodesEveryFrame(QString* reason = nullptr) const;

    /// Whether decodePlanes() can give this file's pixels: a lossy, opaque frame covering the canvas.
    [[nodiscard]] bool hasJpegPlanes() const;
    /// Decodes the first frame as the VP8 decoder's YCbCr 4:2:0 planes (BT.601, limited range), without
    /// converting them, for encodeJpegFromPlanes. Null when hasJpegPlanes() is false, and with a reason
    /// on a decoding error.
    [[nodiscard]] std::optional<YCbCr420Planes> decodePlanes(QString* reason = nullptr) const;

private:
    struct Private;
    explicit WebpInput(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

/// What a WebP file is written with besides its pixels.
struct WebpEncodeOptions
{
    /// The JPEG encoder's quality scale, 0 to 100, used as libwebp's (whose scale was made to match it).
    int quality = 75;
    /// Lossless (VP8L) instead of lossy (VP8): for a lossless source. The quality is then ignored.
    bool lossless = false;
    /// Written as an 'ICCP' chunk, unchanged, when not empty.
    QByteArray iccProfile;
};

/// Encodes \a image as a still WebP file to the open file descriptor \a fd, with alpha when the image
/// has an alpha channel. The file holds the image, the profile when one is given, and nothing else: no
/// EXIF, no XMP. False with the reason in \a error on any failure, after which the file may hold a part
/// that the caller must remove. Writes through write(2), retrying on EINTR; never prints; thread-safe.
[[nodiscard]] bool encodeWebp(
    const QImage& image, const WebpEncodeOptions& options, int fd, QString* error = nullptr);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/Image.h"
#include "engine/core/YCbCrPlanes.h"
#include "engine/structure/HeifBoxes.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

// HEIF files: HEIC (HEVC-coded) and AVIF (AV1-coded) through libheif. Only the primary image is read;
// thumbnails, depth and gain maps, other auxiliary images, bursts and sequences are never decoded.

/// A colour description as an 'nclx' colour box states it: code points of ITU-T H.273.
struct HeifColourDescription
{
    int primaries = 2; ///< 1 BT.709 (sRGB), 9 BT.2020, 12 Display P3; 2 unspecified
    int transfer = 2; ///< 13 sRGB, 16 PQ, 18 HLG; 2 unspecified
    int matrix = 2; ///< the YCbCr coding: 1 BT.709, 5 and 6 BT.601, 9 BT.2020; 2 unspecified
    bool fullRange = true;

    bool operator==(const HeifColourDescription&) const = default;
};

/// What a HEIF file says about its primary image, read without decoding any pixels.
struct HeifImageInfo
{
    HeifCoding coding = HeifCoding::HEVC;
    /// The size as decoded: with the file's crop, rotation and mirroring applied.
    QSize size;
    bool hasAlpha = false;
    /// Bits per luma sample as coded (8, 10, 12); decoding gives 8 bits either way.
    int bitDepth = 8;
    /// Always 1. The file's rotation, mirroring and crop ('irot', 'imir', 'clap') are part of the image and
    /// always applied by decoding; an EXIF orientation inside the file is informative only and must never
    /// turn the image a second time.
    int orientation = 1;
    /// The colour profile ('prof' or 'rICC' colour box) exactly as stored: not cleaned.
    QByteArray iccProfile;
    /// The 'nclx' colour box, when the file has one.
    std::optional<HeifColourDescription> colour;
    /// The primary image's Exif block as its TIFF structure ("II*\0" or "MM\0*" first: the block's
    /// offset header skipped), with IFD0's Orientation, where it states one, set to 1. Empty when none.
    QByteArray exif;
    /// The primary image's XMP packet, with tiff:Orientation, where it states one, set to 1. Empty when none.
    QByteArray xmp;
};

/// A HEIF file opened for decoding its primary image. open() reads and checks the whole structure before
/// libheif sees the data: a file cut short, item references that loop or nest too deeply, items that
/// lie outside the file, a coding other than HEVC and AV1, and a primary image (or any image it is made
/// of: grid tiles, overlay inputs, its alpha) whose stated or coded size exceeds the pixel bound are
/// refused with a reason before any pixel memory is taken. libheif's messages never reach the terminal:
/// its decoding warnings are dropped, its errors become the reasons.
/// Holds the file's bytes (shared, not copied). One thread at a time; independent inputs may be used on
/// different threads at once.
class HeifInput
{
public:
    /// Opens the HEIF file in \a data. \a maxPixels bounds the primary image's pixels and, at twice that,
    /// the pixels of every image decoding it takes. Null with the reason in \a reason (when given).
    [[nodiscard]] static std::unique_ptr<HeifInput> open(
        const QByteArray& data, qint64 maxPixels, QString* reason = nullptr);
    ~HeifInput();
    HeifInput(const HeifInput&) = delete;
    HeifInput& operator=(const HeifInput&) = delete;

    [[nodiscard]] const HeifImageInfo& info() const;

    /// How many threads libheif may use for the tiles of one image (default 1: a batch runs one decoder
    /// per core).
    void setDecodingThreads(int threads);

    /// Decodes the primary image upright, 8 bits per channel: QImage::Format_RGB888 without alpha,
    /// Format_RGBA8888 (Format_RGBA8888_Premultiplied when the file says so) with it. The pixels are
    /// libheif's own buffer (no copy); the image keeps it alive. iccProfile is info().iccProfile; the
    /// colour space is not set. Null with a reason on any decoding error.
    [[nodiscard]] std::optional<Image> decode(QString* reason = nullptr) const;

    /// Whether decodePlanes() can give this file's pixels: an opaque, 8-bit 4:2:0 coding whose YCbCr is
    /// JPEG's (BT.601 or unspecified matrix; full or limited range).
    [[nodiscard]] bool hasJpegPlanes() const;
    /// Decodes the primary image upright as the coded YCbCr 4:2:0 planes, without converting them, for
    /// encodeJpegFromPlanes. Null when hasJpegPlanes() is false, and with a reason on a decoding error or
    /// when the decoder states another colour coding than the file did (decode() then gives the pixels).
    [[nodiscard]] std::optional<YCbCr420Planes> decodePlanes(QString* reason = nullptr) const;

private:
    struct Private;
    explicit HeifInput(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

/// What a HEIF file is written with besides its pixels.
struct HeifEncodeOptions
{
    HeifCoding coding = HeifCoding::HEVC;
    /// The JPEG encoder's quality scale, 0 to 100 (see heifQualityForJpegQuality).
    int quality = 75;
    /// Written as a 'prof' colour box, unchanged, when not empty.
    QByteArray iccProfile;
    /// The source's colour description: its primaries and transfer are written as an 'nclx' colour box
    /// (beside the profile, when there is one too) and the pixels are taken to be in them.
    std::optional<HeifColourDescription> colour;
};

/// libheif's quality (0 to 100) that gives about the fidelity the JPEG encoder gives at \a jpegQuality
/// (measured on photographs: the same SSIM against the original).
[[nodiscard]] int heifQualityForJpegQuality(int jpegQuality, HeifCoding coding);

/// Encodes \a image as a HEIF file with one item, the primary image, to the open file descriptor \a fd:
/// HEIC (x265) or AVIF (aom), 8 bits, 4:2:0 below libheif's quality 90 (JPEG-scale 98) and 4:4:4
/// from there, its alpha as an auxiliary image when the image has an alpha channel. The file holds the image,
/// its colour boxes and nothing else: no Exif, no XMP, no thumbnail, no other item. False with the reason in
/// \a error on any failure (a full disk, a file-size limit, an encoder error), after which the file may hold
/// a part that the caller must remove. Writes through write(2), retrying on EINTR; never prints; thread-safe.
[[nodiscard]] bool encodeHeif(
    const QImage& image, const HeifEncodeOptions& options, int fd, QString* error = nullptr);

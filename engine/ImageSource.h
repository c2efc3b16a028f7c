// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Image.h"
#include "engine/PlanarJpeg.h"
#include "engine/PropertyDictionary.h"

#include <QByteArray>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class HeifInput;
class WebpInput;

/// The file formats the engine reads and writes.
enum class ImageFormat { JPEG, PNG, GIF, BMP, TIFF, HEIC, AVIF, WebP };

/// Files above this many bytes are too large to be a photo: neither decoded nor inspected, never read.
inline constexpr qint64 kMaxSourceFileBytes = qint64(1) << 30;

/// Images whose first frame would decode to more pixels than this are refused unread (decompression
/// bombs). 2^28 pixels is a 1 GiB frame at 4 bytes per pixel: far above any camera's photo.
inline constexpr qint64 kMaxDecodedPixels = qint64(1) << 28;

/// An image file opened for decoding. Reads the whole file into memory once; recognises the format
/// by content, whatever the file is called; decodes only the first frame or page (a HEIF file's primary
/// image, with its rotation, mirroring and crop). Third-party
/// exceptions and decoder errors never escape: they become null results.
/// One thread at a time; independent sources may be used on different threads at once.
class ImageSource
{
public:
    /// Opens the file at \a path. Null when the file cannot be read or is not one of the formats; a HEIF
    /// or WebP file whose structure is refused gives null too, its reason passed to recordLibraryMessage.
    [[nodiscard]] static std::unique_ptr<ImageSource> createWithPath(const QString& path);
    /// The same, for a file already in memory.
    [[nodiscard]] static std::unique_ptr<ImageSource> createWithData(QByteArray data);

    ~ImageSource();

    [[nodiscard]] ImageFormat format() const { return m_format; }
    /// The file's bytes, as read.
    [[nodiscard]] const QByteArray& data() const { return m_data; }
    /// How many pages (TIFF) or frames (GIF, WebP) the file holds, of which only the first is decoded; 1
    /// for the other formats.
    [[nodiscard]] int frameCount() const;

    /// Decodes the first frame. Null when the data cannot be decoded or the frame is too large. The
    /// image's colour profile is the cleaned one (see cleanColorProfile), and so is its colour space.
    [[nodiscard]] std::optional<Image> createImageAtIndex0() const;
    /// True when createUprightImageAtIndex0 turns the pixels as it decodes them (JPEG).
    [[nodiscard]] bool decodesUpright() const { return m_format == ImageFormat::JPEG; }
    /// Decodes the first frame turned upright for EXIF \a orientation on the way (JPEG only; the same as
    /// createImageAtIndex0 for other formats and for values outside 2..8).
    [[nodiscard]] std::optional<Image> createUprightImageAtIndex0(int orientation) const;
    /// True when createJpegPlanesAtIndex0 can give the first frame (an opaque HEIF or lossy WebP whose
    /// decoder gives JPEG's YCbCr 4:2:0).
    [[nodiscard]] bool hasJpegPlanes() const;
    /// The first frame as its decoder's YCbCr 4:2:0 planes, decoded as createImageAtIndex0 decodes it (a
    /// HEIF's upright, a WebP's as stored), for a JPEG written without a round trip through RGB; in
    /// \a iccProfile the cleaned profile createImageAtIndex0 would give the image. Null when
    /// hasJpegPlanes() is false or decoding failed (the reason passed to recordLibraryMessage).
    [[nodiscard]] std::optional<YCbCr420Planes> createJpegPlanesAtIndex0(QByteArray* iccProfile) const;
    /// The size a HEIF or WebP file states for the image to decode (a HEIF's as turned, a WebP's canvas),
    /// read without decoding; invalid for the other formats.
    [[nodiscard]] QSize statedSize() const;
    /// True for a lossless WebP (its first frame): a WebP written from it stays lossless.
    [[nodiscard]] bool isLossless() const;

    /// The properties of the first frame: orientation, DPI (only what the file states), pixel size,
    /// and the {TIFF}, {Exif}, {GPS}, {IPTC} sub-dictionaries with the file's entries. A HEIF file
    /// states no orientation (its own transforms are part of the image; the EXIF tag inside it is
    /// informative only); a WebP file states its EXIF orientation and nothing else.
    [[nodiscard]] PropertyDictionary copyPropertiesAtIndex0() const;

private:
    ImageSource(QByteArray data, ImageFormat format);

    QByteArray m_data;
    ImageFormat m_format;
    std::unique_ptr<HeifInput> m_heif; ///< HEIC and AVIF: the structure, checked on opening
    std::unique_ptr<WebpInput> m_webp; ///< WebP: the chunks, checked on opening
};

/// The pages of a TIFF (thumbnails and masks left out) or the frames of a GIF in \a data, counted by
/// walking the file's structure without decoding; at least 1, and 1 for the other formats.
[[nodiscard]] int countFrames(const QByteArray& data, ImageFormat format);

/// Recognises one of the formats from the first bytes of a file (a HEIF file's whole 'ftyp' box: pass
/// at least the first 256 bytes).
[[nodiscard]] std::optional<ImageFormat> sniffImageFormat(const QByteArray& header);

/// Process-wide set-up of the libraries the engine uses (Qt's allocation limit, Exiv2's parser and log
/// handler). Idempotent and thread-safe; every entry point of the engine calls it.
void initializeImageEngine();

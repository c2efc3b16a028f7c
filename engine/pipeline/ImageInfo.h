// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/Image.h"
#include "engine/core/PropertyDictionary.h"
#include "engine/pipeline/ImageSource.h"

#include <QSize>
#include <QString>

#include <memory>
#include <optional>

struct JpegBands;

/// CGFloat: the coordinate type of the drawing code.
using CGFloat = double;

/// The engine's record of one decoded image: the pixels, the properties the file carried for them and
/// the parameters with which they are drawn into a new canvas. Created only by IICreateImage and
/// IICreateImageForSaving, freed only by IIRelease; one owner at a time, one thread at a time.
struct ImageInfo
{
    int orientation = 1; ///< meaningful only while orientationFixed is true
    bool orientationFixed = false; ///< the load turned the pixels upright
    CGFloat rotation = 0;
    CGFloat scaleX = 1.0;
    CGFloat scaleY = 1.0;
    CGFloat translateX = 0;
    CGFloat translateY = 0;
    CGFloat reserved = 0;
    Image image; ///< never null in a record handed out, except one with bands
    /// Set instead of the image by IICreateImageForSaving for a JPEG that a save may copy band by band:
    /// its pixels are decoded only while they are written. Never changed once set.
    std::shared_ptr<const JpegBands> bands;
    /// Set instead of the image by IICreateImageForSaving for a HEIF or lossy WebP whose decoder gives
    /// JPEG's planes: a JPEG save takes those (no round trip through RGB), any other save decodes the
    /// pixels as a load would. Never changed once set.
    std::shared_ptr<const ImageSource> source;
    std::optional<PropertyDictionary> properties; ///< absent when the decoder reported none
    ImageFormat sourceFormat = ImageFormat::JPEG; ///< what the file was, whatever its name said
    int frameCount = 1; ///< the file's pages (TIFF) or frames (GIF, WebP); only the first was decoded
    bool sourceLossless = false; ///< a lossless WebP: a WebP written from it stays lossless
};

/// Decodes the first image of the file at \a path with its properties, turned upright when
/// \a fixOrientation is set. Null when the file cannot be read or decoded.
[[nodiscard]] ImageInfo* IICreateImage(const QString& path, bool fixOrientation);

/// The same for a file already in memory.
[[nodiscard]] ImageInfo* IICreateImageWithData(QByteArray data, bool fixOrientation);

/// The same for a record that is only going to be saved: a JPEG that needs no turn gets no pixels but
/// its bands (see ImageInfo::bands), checked as far as decoding can check it before the first row; a
/// HEIF or lossy WebP that needs no turn and whose decoder gives JPEG's planes keeps its source (see
/// ImageInfo::source), its structure checked. Their saves decode them, and fail when the file cannot be
/// decoded (lastImageWriteFailedReading).
[[nodiscard]] ImageInfo* IICreateImageForSaving(const QString& path, bool fixOrientation);

/// The size of the record's pixels, decoded or not.
[[nodiscard]] QSize IIGetImageSize(const ImageInfo* info);

/// The orientation entry of the record's top-level properties, or 1 when there is none.
[[nodiscard]] int IIGetImageOrientation(const ImageInfo* info);

/// Frees a record made by IICreateImage. Null is accepted.
void IIRelease(ImageInfo* info);

struct ImageInfoDeleter
{
    void operator()(ImageInfo* info) const { IIRelease(info); }
};
using ImageInfoPtr = std::unique_ptr<ImageInfo, ImageInfoDeleter>;

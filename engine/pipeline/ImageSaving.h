// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSource.h"

#include <QString>

#include <atomic>
#include <cstddef>
#include <optional>

class WorkFile;

/// Output types, by the uniform type identifiers that name them.
inline constexpr ImageFormat kUTTypeJPEG = ImageFormat::JPEG;
inline constexpr ImageFormat kUTTypePNG = ImageFormat::PNG;
inline constexpr ImageFormat kUTTypeGIF = ImageFormat::GIF;
inline constexpr ImageFormat kUTTypeBMP = ImageFormat::BMP;
inline constexpr ImageFormat kUTTypeTIFF = ImageFormat::TIFF;
inline constexpr ImageFormat kUTTypeHEIC = ImageFormat::HEIC;
inline constexpr ImageFormat kUTTypeAVIF = ImageFormat::AVIF;
inline constexpr ImageFormat kUTTypeWebP = ImageFormat::WebP;

/// True from process start; set once at start-up from the toolkit's version, before any other thread.
/// Saving no longer depends on it: the two canvas layouts it once chose between write the same pixels.
extern std::atomic<bool> isRunningOnSnowLeopardOrLater;

/// Writes the record's image to \a path at \a width x \a height in \a type. In the normal mode
/// (\a withExif false) the file gets only the DPI of the source, the \a quality (0.0 to 1.0; JPEG, HEIC, AVIF
/// and lossy WebP) and, for pixels turned upright at load, orientation 1. With \a withExif the source's EXIF,
/// TIFF, GPS and IPTC entries are kept where the format can hold them. False when nothing could be written; a
/// failed save leaves nothing at \a path. Nothing that exists at \a path is ever replaced: the save fails.
[[nodiscard]] bool IISaveImage(const ImageInfo* info, const QString& path, std::size_t width,
    std::size_t height, ImageFormat type, bool withExif, float quality);

/// The same, written into \a file, which the caller gives its name afterwards (WorkFile::linkAs).
[[nodiscard]] bool IISaveImageToWorkFile(const ImageInfo* info, WorkFile& file, std::size_t width,
    std::size_t height, ImageFormat type, bool withExif, float quality);

/// The decoded record's image drawn at \a width x \a height into the canvas a save of it hands its writer:
/// the pixels and colour profile every output format is written from. Null for a record without decoded
/// pixels (bands, a source) or when the canvas cannot be had.
[[nodiscard]] std::optional<Image> IIDrawImageForSaving(
    const ImageInfo* info, std::size_t width, std::size_t height);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QtGlobal>

#include <optional>

/// The file formats the engine reads and writes.
enum class ImageFormat { JPEG, PNG, GIF, BMP, TIFF, HEIC, AVIF, WebP };

/// Files above this many bytes are too large to be a photo: neither decoded nor inspected, never read.
inline constexpr qint64 kMaxSourceFileBytes = qint64(1) << 30;

/// Images whose first frame would decode to more pixels than this are refused unread (decompression
/// bombs). 2^28 pixels is a 1 GiB frame at 4 bytes per pixel: far above any camera's photo.
inline constexpr qint64 kMaxDecodedPixels = qint64(1) << 28;

/// Recognises one of the formats from the first bytes of a file (a HEIF file's whole 'ftyp' box: pass
/// at least the first 256 bytes).
[[nodiscard]] std::optional<ImageFormat> sniffImageFormat(const QByteArray& header);

/// True when \a header (the first bytes of a file; the whole 'ftyp' box, at most a few hundred bytes) is
/// that of a HEIF still image: an 'ftyp' box naming a HEIC, HEIF or AVIF brand.
[[nodiscard]] bool isHeifFile(QByteArrayView header);

/// True when \a header (at least the first 12 bytes of a file) is that of a WebP file.
[[nodiscard]] bool isWebpFile(QByteArrayView header);

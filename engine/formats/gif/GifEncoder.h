// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>

/// Encodes \a image as a single-frame GIF to the open file descriptor \a fd: GIF89a when there is a
/// transparent index (its graphic control extension needs it), GIF87a otherwise.
///
/// The palette is that of indexedForGif() (GifPalette.h): exact for up to 256 colours, else quantised,
/// with one transparent index for pixels below half alpha. The file holds the header, the logical screen
/// with the global colour table, a graphic control extension only when there is a transparent index, one
/// image descriptor with its LZW data, and the trailer: no comment, no application extension, nothing else.
/// False for a null image or a side above 65535, and on any error (including a write error, after
/// which the caller must remove the partial file); \a reason, when given, receives why (for a failed
/// write the system's words). Writes through write(2), retrying on EINTR. Never prints; thread-safe.
[[nodiscard]] bool encodeGif(const QImage& image, int fd, QString* reason = nullptr);

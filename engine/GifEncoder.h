// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

/// Encodes \a image as a single-frame GIF89a to the open file descriptor \a fd with giflib.
///
/// The palette is exact when the image has at most 256 distinct opaque colours (a GIF source always
/// has), plus one transparent index when some pixels are transparent (alpha below 128); otherwise the
/// colours are quantised with libimagequant. The file holds the header, the logical screen with the
/// global colour table, a graphic control extension only when there is a transparent index, one image
/// descriptor with its LZW data, and the trailer: no comment, no application extension, nothing else.
/// False on any error (including a write error). Never prints; thread-safe.
[[nodiscard]] bool encodeGif(const QImage& image, int fd);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

/// Encodes \a image as a single-frame GIF to the open file descriptor \a fd with giflib: GIF89a when
/// there is a transparent index (its graphic control extension needs it), GIF87a otherwise.
///
/// The palette is exact when the image has at most 256 distinct opaque colours (a GIF source always
/// has), plus one transparent index when some pixels are transparent (alpha below 128); otherwise the
/// colours are quantised with libimagequant (dithered; transparent pixels take no part). Colours of
/// pixels with alpha 128 or more are taken un-premultiplied. The file holds the header, the logical screen
/// with the global colour table, a graphic control extension only when there is a transparent index, one
/// image descriptor with its LZW data, and the trailer: no comment, no application extension, nothing else.
/// False for a null image or a side above 65535, and on any error (including a write error, after
/// which the caller must remove the partial file). Never prints; thread-safe.
[[nodiscard]] bool encodeGif(const QImage& image, int fd);

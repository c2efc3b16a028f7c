// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/YCbCrPlanes.h"
#include "engine/formats/jpeg/JpegCodec.h"

#include <QtGlobal>

#include <memory>

/// Encodes \a planes as a baseline JPEG, 4:2:0, to the open file descriptor \a fd, with exactly the
/// markers encodeJpeg writes for \a options (JFIF, EXIF only with a payload, ICC only with a profile,
/// nothing else). The samples go to libjpeg-turbo as they are (jpeg_write_raw_data): no colour
/// conversion and no downsampling. False, before anything is written, for empty planes, a side above
/// 65500, an EXIF payload above 65527 bytes or a profile too large for 255 chunks; false on any encoder
/// or write error, after which the file holds a partial JPEG that the caller must remove. \a reason,
/// when given, receives why, as encodeJpeg says it. Writes through write(2), retrying on EINTR; never
/// prints; thread-safe.
[[nodiscard]] bool encodeJpegFromPlanes(
    const YCbCr420Planes& planes, const JpegEncodeOptions& options, int fd, QString* reason = nullptr);

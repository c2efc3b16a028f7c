// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/ImageFormat.h"

#include <QByteArray>

/// The pages of a TIFF (thumbnails and masks left out), the frames of a GIF or those an animated PNG
/// states in \a data, counted by walking the file's structure without decoding; at least 1, and 1 for the
/// other formats.
[[nodiscard]] int countFrames(const QByteArray& data, ImageFormat format);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/ImageFormat.h"

#include <QByteArray>
#include <QList>
#include <QSize>

/// The pages of a TIFF (thumbnails and masks left out), the frames of a GIF or those an animated PNG
/// states in \a data, counted by walking the file's structure without decoding; at least 1, and 1 for the
/// other formats.
[[nodiscard]] int countFrames(const QByteArray& data, ImageFormat format);

/// One page of a classic TIFF: where its directory lies and the size it states (invalid when the
/// directory states none).
struct TiffPageDirectory
{
    qsizetype offset = 0;
    QSize size;
};

/// The pages of a classic TIFF in \a data in file order, as countFrames counts them (reduced-resolution
/// images and masks left out, a loop in the chain ended); empty for data that is not a classic TIFF.
[[nodiscard]] QList<TiffPageDirectory> tiffPageDirectories(const QByteArray& data);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

/// The picture of the image file at \a path scaled to fit \a box (device pixels), keeping its proportions
/// and never enlarged, turned upright by its orientation tag: what the file list shows. A JPEG shown at an
/// eighth of its size or less comes from its DC coefficients alone, other JPEGs through DCT scaling; every
/// other format is decoded by the engine as a conversion decodes it. Null when the file cannot be read as
/// an image or \a box is empty. Any thread.
[[nodiscard]] QImage decodeThumbnail(const QString& path, const QSize& box);

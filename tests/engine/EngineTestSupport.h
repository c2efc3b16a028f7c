// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QImage>
#include <QJsonObject>
#include <QString>

/// exiftool's numeric, group-qualified view of one file ("IFD0:Orientation", "PNG:BitDepth"...).
[[nodiscard]] QJsonObject exiftoolTags(const QString& path);
/// exiftool's view of every file under \a dir, keyed by file name.
[[nodiscard]] QHash<QString, QJsonObject> exiftoolTagsUnder(const QString& dir);
/// The number of frames or pages ImageMagick finds in a file.
[[nodiscard]] int frameCount(const QString& path);
/// Four flat colour quadrants: red, green (top right), blue (bottom left), yellow.
[[nodiscard]] QImage quadrants(int width, int height);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QJsonObject>
#include <QString>
#include <QStringList>

/// Decodes \a path with Qt's own readers, as stored (no auto-transform): an oracle independent of
/// the engine's decoders.
[[nodiscard]] QImage decodeWithQt(const QString& path);

/// The mean absolute difference of two images' RGB channels (0..255), after scaling \a b to \a a's size.
/// Infinity when the sizes' orientation differs or an image is null.
[[nodiscard]] double meanAbsoluteDifference(const QImage& a, const QImage& b);

/// exiftool's numeric, group-qualified view of one file ("IFD0:Orientation", "PNG:BitDepth"...).
[[nodiscard]] QJsonObject exiftoolTags(const QString& path);
/// exiftool's view of every file under \a dir, keyed by file name.
[[nodiscard]] QHash<QString, QJsonObject> exiftoolTagsUnder(const QString& dir);

/// ImageMagick's estimate of a JPEG's quality (identify %Q).
[[nodiscard]] int estimatedJpegQuality(const QString& path);
/// The number of frames or pages ImageMagick finds in a file.
[[nodiscard]] int frameCount(const QString& path);
/// The file's embedded ICC profile bytes, as exiftool extracts them.
[[nodiscard]] QByteArray embeddedIccProfile(const QString& path);

/// The value of the first tag among \a keys that \a tags has, as a double; NaN when none.
[[nodiscard]] double firstNumber(const QJsonObject& tags, const QStringList& keys);

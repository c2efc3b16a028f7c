// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCache>
#include <QImage>
#include <QSize>
#include <QString>

/// Small pictures of image files for the file list, decoded at the size they are shown (JPEG files
/// decode straight to about that size through DCT scaling) and turned upright by their orientation tag.
///
/// Keeps the most recently used pictures up to a byte budget, each under its path and box and with the
/// size and modification time the file had when it was decoded: a file that changes is decoded again,
/// one that can no longer be read gives a null image. Owns the cached images. Not locked: one thread
/// (the main thread, which paints) uses an instance.
class ThumbnailCache
{
public:
    explicit ThumbnailCache(qsizetype maxBytes = 64 * 1024 * 1024);

    /// The file at \a path scaled to fit \a box (device pixels), keeping its proportions and never
    /// enlarged; null when the file cannot be read as an image or \a box is empty.
    [[nodiscard]] QImage thumbnail(const QString& path, const QSize& box);

    /// Decodes \a path to fit \a box without the cache: what thumbnail() stores.
    [[nodiscard]] static QImage decode(const QString& path, const QSize& box);

    /// How many files have been decoded so far (cache misses).
    [[nodiscard]] int decodeCount() const { return m_decodeCount; }
    void clear() { m_cache.clear(); }

private:
    struct Entry
    {
        qint64 size = -1;
        qint64 modifiedNs = 0;
        QImage image;
    };

    QCache<QString, Entry> m_cache;
    int m_decodeCount = 0;
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "batch/ImageWorkers.h"
#include "ui/BackgroundCache.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>

/// Small pictures of image files for the file list, decoded at the size they are shown (a JPEG shown at
/// an eighth of its size or less from its DC coefficients alone, other JPEGs through DCT scaling) and
/// turned upright by their orientation tag.
///
/// Decoding happens in confined worker processes (ImageWorkers), asked from a small pool of threads of
/// its own (one thread and one worker per core but one, at least one, at most four): asking for a picture
/// that is not ready queues its decode, most recent request first, and thumbnailReady() tells when it is
/// there. Keeps the most recently used pictures up to a byte budget, each under its path and box and with the
/// size and modification time the file had when it was asked for: a file that changes is decoded again, one
/// that can no longer be read gives a null image. Owns the cached images. Its functions are called on the
/// thread it lives on (the main thread).
class ThumbnailCache : public QObject
{
    Q_OBJECT

public:
    enum class State { Ready, Pending, Unreadable };

    explicit ThumbnailCache(qsizetype maxBytes = 64 * 1024 * 1024, QObject* parent = nullptr);
    /// Drops the queued decodes; those under way finish on their own and are thrown away.
    ~ThumbnailCache() override = default;

    /// The file at \a path scaled to fit \a box (device pixels), keeping its proportions and never
    /// enlarged. Null while the picture is being decoded (\a state Pending) and when the file cannot be
    /// read as an image or \a box is empty (Unreadable).
    [[nodiscard]] QImage thumbnail(const QString& path, const QSize& box, State* state = nullptr);

    /// Decodes \a path to fit \a box in one of the cache's workers, waiting for it, without the cache:
    /// what the pool computes.
    [[nodiscard]] QImage decode(const QString& path, const QSize& box) const;

    /// The view moved: decodes still queued are dropped, since what is asked for again comes first anyway.
    void dropQueued();
    /// True when no decode is queued or under way.
    [[nodiscard]] bool isIdle() const { return m_cache.isIdle(); }
    /// How many decodes have finished so far.
    [[nodiscard]] int decodeCount() const { return m_decodeCount; }
    /// Forgets every picture and every queued decode.
    void clear();

signals:
    /// The picture of \a path is in the cache (or is known to be unreadable).
    void thumbnailReady(const QString& path);

private:
    /// Shared with the decodes under way, which may outlast the cache.
    std::shared_ptr<ImageWorkers> m_workers;
    BackgroundCache<QImage> m_cache;
    int m_decodeCount = 0;
};

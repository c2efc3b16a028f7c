// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThumbnailCache.h"

#include "ui/FileStamp.h"

#include <QThread>

#include <algorithm>

namespace {

int decodingThreads()
{
    return std::clamp(QThread::idealThreadCount() - 1, 1, 4);
}

} // namespace

ThumbnailCache::ThumbnailCache(qsizetype maxBytes, QObject* parent)
    : QObject(parent)
    , m_workers(std::make_shared<ImageWorkers>(decodingThreads(), imageWorkerLimitsFromSettings()))
    , m_cache(
          this, decodingThreads(), maxBytes,
          [this](const QString&, const QString& path) {
              ++m_decodeCount;
              emit thumbnailReady(path);
          },
          // Failures are remembered too, so an unreadable file is not decoded again at every paint.
          [](const QString& key, const QImage& image) {
              return std::max<qsizetype>(image.sizeInBytes(), 1) + key.size() * 2;
          })
{ }

QImage ThumbnailCache::decode(const QString& path, const QSize& box) const
{
    return m_workers->thumbnail(path, box);
}

QImage ThumbnailCache::thumbnail(const QString& path, const QSize& box, State* state)
{
    const auto answer = [state](State s, QImage image = {}) {
        if (state)
            *state = s;
        return image;
    };
    qint64 size = -1;
    qint64 modifiedNs = 0;
    if (box.isEmpty() || !fileStamp(path, size, modifiedNs))
        return answer(State::Unreadable);
    const QString key = path + QLatin1Char('\n') + QString::number(box.width()) + QLatin1Char('x')
        + QString::number(box.height());
    if (const QImage* image = m_cache.find(key, size, modifiedNs))
        return answer(image->isNull() ? State::Unreadable : State::Ready, *image);
    m_cache.request(key, path, size, modifiedNs,
        [workers = m_workers, path, box] { return workers->thumbnail(path, box); });
    return answer(State::Pending);
}

void ThumbnailCache::dropQueued()
{
    m_cache.dropQueued();
}

void ThumbnailCache::clear()
{
    m_cache.clear();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThumbnailCache.h"

#include "engine/ImageInfo.h"
#include "engine/ImageSource.h"
#include "engine/JpegPreview.h"
#include "engine/NativePath.h"
#include "ui/FileStamp.h"

#include <QFile>
#include <QImageReader>
#include <QThread>

#include <algorithm>
#include <deque>
#include <mutex>

// The decodes waiting for a worker, newest request first; shared with the workers under its lock.
struct ThumbnailCache::Queue
{
    std::mutex lock;
    std::deque<Job> jobs;
    int workers = 0;
    bool closing = false;
};

ThumbnailCache::ThumbnailCache(qsizetype maxBytes, QObject* parent)
    : QObject(parent)
    , m_cache(maxBytes)
    , m_queue(std::make_shared<Queue>())
{
    m_pool.setMaxThreadCount(std::clamp(QThread::idealThreadCount() - 1, 1, 4));
}

ThumbnailCache::~ThumbnailCache()
{
    {
        const std::lock_guard guard(m_queue->lock);
        m_queue->closing = true;
        m_queue->jobs.clear();
    }
    m_pool.waitForDone();
}

namespace {

// The picture at \a path upright as the engine decodes it: the formats other than JPEG, among them those
// Qt has no reader for (HEIC, AVIF: the file's own rotation, mirroring and crop) or whose orientation Qt's
// reader ignores (WebP's EXIF tag).
QImage decodeWithEngine(const QString& path)
{
    const ImageInfoPtr info(IICreateImage(path, true));
    return info ? info->image.pixels : QImage();
}

// The EXIF orientation whose turn Qt's reader names \a transformation.
Orientation orientationOf(QImageIOHandler::Transformations transformation)
{
    switch (int(transformation)) {
    case QImageIOHandler::TransformationMirror:
        return Orientation::MirrorAcross;
    case QImageIOHandler::TransformationRotate180:
        return Orientation::Rotate180;
    case QImageIOHandler::TransformationFlip:
        return Orientation::MirrorDown;
    case QImageIOHandler::TransformationFlipAndRotate90:
        return Orientation::Transpose;
    case QImageIOHandler::TransformationRotate90:
        return Orientation::Rotate90;
    case QImageIOHandler::TransformationMirrorAndRotate90:
        return Orientation::Transverse;
    case QImageIOHandler::TransformationRotate270:
        return Orientation::Rotate270;
    default:
        return Orientation::Normal;
    }
}

// The JPEG at \a path at an eighth of its size from its DC coefficients, upright; null when the engine
// cannot take it so (a progressive file, a damaged scan, ...).
QImage jpegEighth(const QString& path, QImageIOHandler::Transformations transformation)
{
    QFile file;
    if (!openForReading(file, path) || file.size() > (qint64(1) << 30))
        return {};
    return decodeJpegEighth(file.readAll(), orientationOf(transformation), kMaxDecodedPixels);
}

} // namespace

QImage ThumbnailCache::decode(const QString& path, const QSize& box)
{
    if (box.isEmpty())
        return {};
    // Read through the name's bytes: QImageReader(path) would open a name of its own encoding.
    QFile device;
    if (!openForReading(device, path))
        return {};
    QImageReader reader(&device);
    reader.setAutoTransform(true);
    // Qt's reader only for JPEG, which it scales while decoding. Every other format goes through the
    // engine, which refuses a file that ends before its pixels do (Qt's BMP reader shows whatever the
    // memory held for the rows it did not get) and turns HEIF and WebP files upright.
    const bool qtReads = reader.canRead() && reader.format() == "jpeg";
    const QSize stored = qtReads ? reader.size() : QSize();
    if (!stored.isValid()) {
        // The engine, and a JPEG whose size Qt cannot tell beforehand, decode in full.
        const QImage full = qtReads ? reader.read() : decodeWithEngine(path);
        if (full.isNull())
            return {};
        return full.size().boundedTo(box) == full.size()
            ? full
            : full.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
    // The box applies to the upright picture; the reader scales the stored one before turning it.
    const bool turns = reader.transformation() & QImageIOHandler::TransformationRotate90;
    const QSize upright = turns ? stored.transposed() : stored;
    QSize target = upright;
    if (upright.width() > box.width() || upright.height() > box.height())
        target = upright.scaled(box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
    if (target == upright)
        return reader.read();
    // A photo shown much smaller than it is: libjpeg's smallest scaling still decodes every coefficient,
    // while the eighth the engine makes from the DC coefficients alone is the same picture in about two
    // thirds of the time.
    if (reader.format() == "jpeg" && (upright.width() + 7) / 8 >= target.width()
        && (upright.height() + 7) / 8 >= target.height()) {
        const QImage eighth = jpegEighth(path, reader.transformation());
        if (!eighth.isNull())
            return eighth.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    reader.setScaledSize(turns ? target.transposed() : target);
    return reader.read();
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
    if (const Entry* entry = m_cache.object(key);
        entry && entry->size == size && entry->modifiedNs == modifiedNs)
        return answer(entry->image.isNull() ? State::Unreadable : State::Ready, entry->image);

    const std::lock_guard guard(m_queue->lock);
    std::deque<Job>& jobs = m_queue->jobs;
    if (m_pending.contains(key)) {
        // Asked for again: to the front, unless a worker has it already.
        const auto queued
            = std::find_if(jobs.begin(), jobs.end(), [&key](const Job& job) { return job.key == key; });
        if (queued != jobs.end() && queued != jobs.begin()) {
            Job job = std::move(*queued);
            jobs.erase(queued);
            jobs.push_front(std::move(job));
        }
        return answer(State::Pending);
    }
    m_pending.insert(key);
    jobs.push_front({ key, path, box, size, modifiedNs });
    if (m_queue->workers < m_pool.maxThreadCount()) {
        ++m_queue->workers;
        // Each worker takes jobs until the queue is empty. The cache outlives its workers (its
        // destructor waits for them), so they may post their results to it.
        m_pool.start([this, queue = m_queue] {
            for (;;) {
                Job job;
                {
                    const std::lock_guard lock(queue->lock);
                    if (queue->closing || queue->jobs.empty()) {
                        --queue->workers;
                        return;
                    }
                    job = std::move(queue->jobs.front());
                    queue->jobs.pop_front();
                }
                QImage image = decode(job.path, job.box);
                QMetaObject::invokeMethod(
                    this, [this, job, image] { finished(job, image); }, Qt::QueuedConnection);
            }
        });
    }
    return answer(State::Pending);
}

void ThumbnailCache::finished(const Job& job, const QImage& image)
{
    if (!m_pending.remove(job.key))
        return; // cleared meanwhile
    ++m_decodeCount;
    // Failures are remembered too, so an unreadable file is not decoded again at every paint.
    const qsizetype cost = std::max<qsizetype>(image.sizeInBytes(), 1) + job.key.size() * 2;
    m_cache.insert(job.key, new Entry { job.size, job.modifiedNs, image }, cost);
    emit thumbnailReady(job.path);
}

void ThumbnailCache::dropQueued()
{
    const std::lock_guard guard(m_queue->lock);
    for (const Job& job : m_queue->jobs)
        m_pending.remove(job.key);
    m_queue->jobs.clear();
}

void ThumbnailCache::clear()
{
    dropQueued();
    m_pending.clear(); // decodes under way are not stored when they finish
    m_cache.clear();
}

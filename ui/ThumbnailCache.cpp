// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ThumbnailCache.h"

#include <QFile>
#include <QImageReader>

#include <sys/stat.h>

namespace {

/// Size and modification time (nanoseconds) of the file \a path leads to; false when it has none.
bool fileStamp(const QString& path, qint64& size, qint64& modifiedNs)
{
    struct stat status
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    size = qint64(status.st_size);
    modifiedNs = qint64(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return true;
}

} // namespace

ThumbnailCache::ThumbnailCache(qsizetype maxBytes)
    : m_cache(maxBytes)
{ }

QImage ThumbnailCache::decode(const QString& path, const QSize& box)
{
    if (box.isEmpty())
        return {};
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize stored = reader.size();
    if (!stored.isValid()) {
        // Readers that cannot tell the size beforehand decode in full.
        const QImage full = reader.read();
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
    if (target != upright)
        reader.setScaledSize(turns ? target.transposed() : target);
    return reader.read();
}

QImage ThumbnailCache::thumbnail(const QString& path, const QSize& box)
{
    qint64 size = -1;
    qint64 modifiedNs = 0;
    if (box.isEmpty() || !fileStamp(path, size, modifiedNs))
        return {};
    const QString key = path + QLatin1Char('\n') + QString::number(box.width()) + QLatin1Char('x')
        + QString::number(box.height());
    if (const Entry* entry = m_cache.object(key);
        entry && entry->size == size && entry->modifiedNs == modifiedNs)
        return entry->image;

    ++m_decodeCount;
    auto entry = std::make_unique<Entry>(Entry { size, modifiedNs, decode(path, box) });
    QImage image = entry->image;
    // Failures are remembered too, so an unreadable file is not decoded again at every paint.
    const qsizetype cost = std::max<qsizetype>(image.sizeInBytes(), 1) + key.size() * 2;
    m_cache.insert(key, entry.release(), cost);
    return image;
}

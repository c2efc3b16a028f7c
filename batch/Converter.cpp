// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/Converter.h"

#include "batch/Utility.h"
#include "engine/core/NativePath.h"

#include <QSet>

#include <sys/stat.h>

QVariant FileRecord::value(const QString& key) const
{
    if (key == kName)
        return name;
    if (key == kKind)
        return kind;
    if (key == kSize)
        return QVariant::fromValue(size);
    if (key == kModified)
        return modified;
    return {};
}

Converter* Converter::converter()
{
    // Created on first use and deliberately never destroyed: a run's worker may still read it at exit.
    static Converter* const instance = new Converter;
    return instance;
}

Converter::Converter()
    : m_supportedTypes { QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("bmp"),
        QStringLiteral("png"), QStringLiteral("gif"), QStringLiteral("tif"), QStringLiteral("tiff"),
        QStringLiteral("heic"), QStringLiteral("heif"), QStringLiteral("hif"), QStringLiteral("avif"),
        QStringLiteral("webp") }
{ }

void Converter::addFile(const QString& path, const QString& name, const QString& folder)
{
    if (path.isEmpty() || m_allFiles.contains(path))
        return;
    struct stat status
    {
    };
    if (::stat(encodePath(path).constData(), &status) != 0)
        return;

    FileRecord record;
    record.name = name.isEmpty() ? lastPathComponent(path) : name;
    record.folder = folder;
    record.size = static_cast<quint64>(status.st_size);
    if (m_describesFiles) {
        record.kind = Utility::GetReadableFileType(path);
        record.modified = QDateTime::fromMSecsSinceEpoch(
            qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000, Qt::LocalTime);
    }

    m_allFiles.insert(path, record);
    m_allFilePaths.append(path);
}

void Converter::removeFile(const QString& path)
{
    if (!m_allFiles.remove(path))
        return;
    m_allFilePaths.removeOne(path);
}

void Converter::clear()
{
    m_allFiles.clear();
    m_allFilePaths.clear();
}

bool Converter::arrange(const QStringList& order)
{
    if (order.size() != m_allFilePaths.size())
        return false;
    QSet<QString> seen;
    seen.reserve(order.size());
    for (const QString& path : order) {
        if (!m_allFiles.contains(path) || seen.contains(path))
            return false;
        seen.insert(path);
    }
    m_allFilePaths = order;
    return true;
}

QString Converter::pathExtension(const QString& path)
{
    const qsizetype nameStart = path.lastIndexOf(u'/') + 1;
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot <= nameStart)
        return {};
    return path.mid(dot + 1);
}

bool Converter::isSupportedPath(const QString& path) const
{
    const QString extension = pathExtension(path).toLower();
    return !extension.isEmpty() && m_supportedTypes.contains(extension);
}

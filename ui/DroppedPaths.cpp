// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DroppedPaths.h"

#include "engine/core/NativePath.h"

#include <QMimeData>

#include <optional>

namespace {

const QString kUriList = QStringLiteral("text/uri-list");

/// The path of one URI of the list, percent-decoded; null when it names no local file.
std::optional<QByteArray> localPathOf(QByteArray uri)
{
    if (uri.left(5).toLower() != "file:")
        return std::nullopt;
    uri.remove(0, 5);
    // Neither a query nor a fragment is part of a file's name (the name's own '?' and '#' are encoded).
    for (const char stop : { '?', '#' }) {
        const qsizetype at = uri.indexOf(stop);
        if (at >= 0)
            uri.truncate(at);
    }
    if (uri.startsWith("//")) {
        const qsizetype slash = uri.indexOf('/', 2);
        const QByteArray host = uri.mid(2, slash < 0 ? -1 : slash - 2);
        if (slash < 0 || !(host.isEmpty() || host.toLower() == "localhost"))
            return std::nullopt;
        uri.remove(0, slash);
    }
    if (!uri.startsWith('/'))
        return std::nullopt;
    return QByteArray::fromPercentEncoding(uri);
}

} // namespace

QStringList droppedPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasFormat(kUriList))
        return paths;
    for (const QByteArray& line : data->data(kUriList).split('\n')) {
        const QByteArray uri = line.trimmed();
        if (uri.isEmpty() || uri.startsWith('#'))
            continue;
        if (const std::optional<QByteArray> path = localPathOf(uri); path && !path->isEmpty())
            paths << decodePath(*path);
    }
    return paths;
}

QByteArray uriListOf(const QStringList& paths)
{
    QByteArray list;
    for (const QString& path : paths)
        list += "file://" + encodePath(path).toPercentEncoding("/") + "\r\n";
    return list;
}

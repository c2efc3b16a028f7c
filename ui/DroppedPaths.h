// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QMimeData;

/// The local files a drag carries, read from its "text/uri-list" (RFC 2483) with every byte of their
/// names: file managers percent-encode a name's bytes whatever they are, and QUrl::toLocalFile would turn
/// those that are no UTF-8 into U+FFFD. Each "file:" URI without a host or with "localhost" gives its
/// path in decodePath's spelling; other lines (comments, other schemes, other hosts) give nothing.
/// Stateless; any thread.
[[nodiscard]] QStringList droppedPaths(const QMimeData* data);

/// The "text/uri-list" that names \a paths (decodePath's spelling) exactly, each byte of a name that
/// needs it percent-encoded; what droppedPaths reads back.
[[nodiscard]] QByteArray uriListOf(const QStringList& paths);

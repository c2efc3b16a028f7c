// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QFile;

/// Paths as the file system spells them, carried through the program in QStrings without losing a byte.
///
/// Linux names are bytes, not text: archives and old cameras leave Latin-1 names ("caf\xe9.jpg") that
/// are no valid UTF-8. QFile::decodeName turns such bytes into U+FFFD, which cannot be turned back, so two
/// names that differ only there become one and a copy gets a name its source never had. decodePath keeps
/// them instead: valid UTF-8 is decoded as usual and each byte that is not part of it, 0xXY, becomes the
/// lone surrogate U+DCXY, which no valid UTF-8 decodes to; encodePath turns those back into the bytes.
/// So encodePath(decodePath(b)) == b for every b, and two different names stay two different QStrings.
///
/// Every place where a path crosses between the system's bytes and a QString goes through these two, and
/// files are opened, listed and linked through the bytes they give (never through QFile(path), QFileInfo,
/// QDir or QImageReader(path), which encode the name themselves and would lose them). What is shown to
/// a person goes through readablePath. Stateless; any thread.
[[nodiscard]] QString decodePath(const QByteArray& native);
/// The bytes of \a path (see decodePath). A lone surrogate that decodePath never makes becomes U+FFFD.
[[nodiscard]] QByteArray encodePath(const QString& path);

/// True when \a path holds bytes that are no valid UTF-8 (see decodePath).
[[nodiscard]] bool hasUndecodedBytes(const QString& path);
/// \a path for a person to read: each byte that is no valid UTF-8 as "\xNN" (lower-case hex), as the
/// command line prints it; the rest as it is.
[[nodiscard]] QString readablePath(const QString& path);

/// The last component of \a path, trailing slashes left out; "" for "/" and for "".
[[nodiscard]] QString lastPathComponent(const QString& path);
/// \a path made absolute against the current folder, with "." and ".." and doubled slashes taken out by
/// its text (links are not resolved); "" for "".
[[nodiscard]] QString absolutePath(const QString& path);
/// \a path with every link resolved, absolute and clean (realpath); "" with errno set when that cannot be
/// done (a missing item, a dangling link).
[[nodiscard]] QString canonicalPath(const QString& path);

/// Opens the item at \a path for reading through its bytes, without waiting (a named pipe with no writer
/// does not block), and hands the descriptor to \a file, which closes it. False with errno set when it
/// cannot be opened.
[[nodiscard]] bool openForReading(QFile& file, const QString& path);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>

/// What the file list shows about one file, built once when the file is added and never refreshed.
/// The key constants double as the identifiers of the list's columns.
struct FileRecord
{
    static inline const QString kName = QStringLiteral("name");
    static inline const QString kKind = QStringLiteral("kind");
    static inline const QString kSize = QStringLiteral("size");
    static inline const QString kModified = QStringLiteral("modified");

    /// The file's name as the user gave or saw it (a link's own name, not its target's), in decodePath's
    /// spelling: what the list shows (through readablePath) and what the copy is named after.
    QString name;
    /// The folder the file was found in, relative to the folder named for the walk that found it ("a/b"
    /// in decodePath's spelling); empty for a file named itself or at the top of a walk.
    QString folder;
    /// Utility::GetReadableFileType of the path; "" when no kind is known or none was asked for
    /// (Converter::setDescribesFiles)
    QString kind;
    quint64 size = 0; ///< in bytes
    QDateTime modified; ///< time of the last change of the content; invalid when none was asked for

    /// The value under one of the four keys (QString, quint64 or QDateTime); invalid for other keys.
    [[nodiscard]] QVariant value(const QString& key) const;
    friend bool operator==(const FileRecord&, const FileRecord&) = default;
};

/// The file list model: the ordered paths of the next conversion run with a record for each.
///
/// Owns the list and the records. Each path occurs once (compared as exact strings); the hash of
/// records doubles as the membership test, so adding n files takes linear time. Paths are in
/// decodePath's spelling, so they hold any bytes a name may have.
///
/// One shared instance per process, created on first use and never destroyed. Not locked: the list is
/// changed on the main thread only, and the conversion run reads it in place while no change can happen.
class Converter
{
public:
    /// The shared instance.
    static Converter* converter();

    /// Path to record, one entry for each path of allFilePaths().
    [[nodiscard]] const QHash<QString, FileRecord>& allFiles() const { return m_allFiles; }
    /// The files in the order in which they were added, or as they were arranged since: the order of the
    /// run and of the list's rows.
    [[nodiscard]] const QStringList& allFilePaths() const { return m_allFilePaths; }
    /// The accepted extensions, lower case: jpg, jpeg, bmp, png, gif, tif, tiff, heic, heif, hif, avif,
    /// webp.
    [[nodiscard]] const QStringList& supportedTypes() const { return m_supportedTypes; }

    /// Adds \a path with a new record unless it is listed already or its status cannot be read; the
    /// record's name is \a name, or the last component of \a path when \a name is empty; its folder
    /// \a folder.
    /// Does not look at the extension: callers filter. Size and date are those of the file a link
    /// points to, so a path through a link shows the image's own size.
    void addFile(const QString& path, const QString& name = {}, const QString& folder = {});
    /// Whether addFile() learns each file's kind and modification date (on by default). Only the window
    /// shows them; the command line turns it off and spares a lookup in the type database per file.
    void setDescribesFiles(bool describes) { m_describesFiles = describes; }
    /// Removes \a path and its record; a path that is not listed changes nothing.
    void removeFile(const QString& path);
    /// Removes every path.
    void clear();
    /// Puts the listed paths in \a order, which holds each of them exactly once; false, with nothing
    /// changed, for any other list.
    bool arrange(const QStringList& order);

    /// True when the lower-cased extension of \a path is one of supportedTypes().
    [[nodiscard]] bool isSupportedPath(const QString& path) const;

    /// The extension of the last component of \a path: the text after its last dot, case as written,
    /// "" when there is none. A leading dot starts a hidden name, not an extension (".jpg" has none).
    [[nodiscard]] static QString pathExtension(const QString& path);

    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

private:
    Converter();

    QHash<QString, FileRecord> m_allFiles;
    QStringList m_allFilePaths;
    const QStringList m_supportedTypes;
    bool m_describesFiles = true;
};

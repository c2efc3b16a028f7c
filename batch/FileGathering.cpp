// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileGathering.h"

#include "batch/Converter.h"
#include "batch/SkipReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/NativePath.h"
#include "engine/core/WorkFile.h"

#include <QByteArray>
#include <QSet>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <optional>
#include <sys/stat.h>

namespace {

QString systemError(int error)
{
    return systemErrorText(error);
}

/// \a native with every link resolved, "." and ".." removed, absolute; empty when that cannot be done.
QByteArray canonicalNative(const QByteArray& native)
{
    const std::unique_ptr<char, decltype(&std::free)> resolved(
        ::realpath(native.constData(), nullptr), &std::free);
    return resolved ? QByteArray(resolved.get()) : QByteArray();
}

QByteArray joinNative(const QByteArray& folder, const QByteArray& name)
{
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

/// True when the canonical path \a path is \a root or lies below it (\a root canonical too).
bool liesWithin(const QByteArray& path, const QByteArray& root)
{
    if (root == "/")
        return true;
    return path == root || (path.startsWith(root) && path.at(root.size()) == '/');
}

/// The names in the folder \a path in the order the listing gives them, "." and ".." left out, as the
/// file system spells them. Read in full before returning, so a deep walk holds no open descriptor per
/// level. Null with errno set when the folder cannot be listed.
std::optional<QList<QByteArray>> folderEntries(const QByteArray& path)
{
    DIR* folder = ::opendir(path.constData());
    if (!folder)
        return std::nullopt;
    QList<QByteArray> names;
    errno = 0;
    while (const dirent* entry = ::readdir(folder)) {
        const char* name = entry->d_name;
        if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))))
            names.append(QByteArray(name));
        errno = 0;
    }
    const int error = errno;
    ::closedir(folder);
    if (error != 0) {
        errno = error;
        return std::nullopt;
    }
    return names;
}

/// The folder walks of gatherFiles, with what they have seen.
class Walk
{
public:
    Walk(Converter& model, bool recursive, const SkippedInput& skipped, AddedFiles& added)
        : m_model(&model)
        , m_recursive(recursive)
        , m_skipped(skipped)
        , m_added(added)
    { }

    /// One path named by the caller: links are followed wherever they lead.
    void addNamed(const QString& given)
    {
        const QByteArray native = encodePath(given);
        struct stat target = {};
        if (::stat(native.constData(), &target) != 0) {
            const int error = errno;
            struct stat link = {};
            if (::lstat(native.constData(), &link) == 0 && S_ISLNK(link.st_mode))
                skip(native, SkipReasons::brokenLink());
            else
                skip(native,
                    error == ENOENT || error == ENOTDIR ? SkipReasons::notFound()
                                                        : SkipReasons::couldNotBeRead(systemError(error)));
            return;
        }
        const QByteArray real = canonicalNative(native);
        if (real.isEmpty()) {
            skip(native, SkipReasons::couldNotBeRead(systemError(errno)));
            return;
        }
        const QString path = decodePath(real);
        if (S_ISDIR(target.st_mode)) {
            m_root = real;
            walk(real, {});
        } else if (m_model->isSupportedPath(path)) {
            // Named by itself, anything with a supported extension is taken, even a pipe: the run will
            // find out whether it can be read. The copy is named as the user named the file.
            add(path, lastPathComponent(given));
        } else if (real != native && m_model->isSupportedPath(given)) {
            skip(native, SkipReasons::linkWithoutImageExtension(path));
        } else {
            skip(native, SkipReasons::notASupportedImage());
        }
    }

private:
    void skip(const QByteArray& path, const QString& reason)
    {
        if (m_skipped)
            m_skipped(path, reason);
    }

    bool supportedName(const QByteArray& name) const { return m_model->isSupportedPath(decodePath(name)); }

    /// \a folder is canonical, so its entries' paths are too unless they are links; \a relative is its
    /// path below the walk's root ("" for the root).
    void walk(const QByteArray& folder, const QByteArray& relative)
    {
        // Links aside, "." or ".." can lead back to a folder walked already.
        if (m_walkedFolders.contains(folder))
            return;
        m_walkedFolders.insert(folder);

        const std::optional<QList<QByteArray>> names = folderEntries(folder);
        if (!names) {
            skip(folder, SkipReasons::couldNotBeListed(systemError(errno)));
            return;
        }
        for (const QByteArray& name : *names) {
            // What an interrupted run left behind is no input (and has no image extension anyway).
            if (isWorkFileName(name))
                continue;
            const QByteArray entry = joinNative(folder, name);
            struct stat status = {};
            if (::lstat(entry.constData(), &status) != 0)
                continue;
            if (S_ISDIR(status.st_mode)) {
                if (m_recursive)
                    walk(entry, relative.isEmpty() ? name : relative + '/' + name);
                else
                    ++m_added.subfoldersSkipped;
            } else if (S_ISLNK(status.st_mode)) {
                addLinked(entry, name, relative);
            } else if (supportedName(name)) {
                if (!S_ISREG(status.st_mode))
                    skip(entry, SkipReasons::notARegularFile());
                else
                    add(decodePath(entry), decodePath(name), relative);
            }
        }
    }

    /// A link found in a folder and named \a name there: a file it leads to inside the walk's root is
    /// taken under that name; a folder is not walked; anything outside the root is left alone.
    void addLinked(const QByteArray& entry, const QByteArray& name, const QByteArray& relative)
    {
        struct stat target = {};
        if (::stat(entry.constData(), &target) != 0) {
            if (supportedName(name))
                skip(entry, SkipReasons::brokenLink());
            return;
        }
        if (S_ISDIR(target.st_mode)) {
            if (m_recursive)
                skip(entry, SkipReasons::linkToFolderNotFollowed());
            else
                ++m_added.subfoldersSkipped;
            return;
        }
        // A link is judged by its own name, as any entry: the copy is named after it.
        if (!supportedName(name))
            return;
        const QByteArray real = canonicalNative(entry);
        const QString path = decodePath(real);
        if (real.isEmpty() || !S_ISREG(target.st_mode))
            skip(entry, SkipReasons::notARegularFile());
        else if (!liesWithin(real, m_root))
            skip(entry, SkipReasons::linkOutsideFolder());
        else if (m_model->isSupportedPath(path))
            add(path, decodePath(name), relative);
        else
            skip(entry, SkipReasons::linkWithoutImageExtension(path));
    }

    /// Lists \a path, found among the caller's paths or a walked folder's entries, shown as \a name,
    /// found in the folder \a relative below the walk's root.
    void add(const QString& path, const QString& name, const QByteArray& relative = {})
    {
        ++m_added.found;
        m_model->addFile(path, name, relative.isEmpty() ? QString() : decodePath(relative));
    }

    Converter* const m_model;
    const bool m_recursive;
    const SkippedInput& m_skipped;
    AddedFiles& m_added;
    QSet<QByteArray> m_walkedFolders;
    QByteArray m_root; ///< the canonical folder named by the caller that is being walked
};

} // namespace

AddedFiles gatherFiles(Converter& list, const QStringList& paths, bool recursive, const SkippedInput& skipped)
{
    const qsizetype before = list.allFilePaths().size();
    AddedFiles added;
    Walk walk(list, recursive, skipped, added);
    for (const QString& path : paths)
        walk.addNamed(path);
    added.added = int(list.allFilePaths().size() - before);
    return added;
}

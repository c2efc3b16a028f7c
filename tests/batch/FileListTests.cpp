// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/Converter.h"
#include "batch/FileGathering.h"
#include "batch/FileManagerHelpers.h"
#include "engine/core/NativePath.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class FileList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        model()->clear();
    }
    void TearDown() override { model()->clear(); }

    static Converter* model() { return Converter::converter(); }

    /// Resolved stored paths are compared with these, so the root must not lead through a link itself.
    QString path(const QString& relative) const
    {
        return QFileInfo(m_dir.path()).canonicalFilePath() + u'/' + relative;
    }

    QString write(const QString& relative, const QByteArray& content = "data")
    {
        const QString file = path(relative);
        EXPECT_TRUE(writeFile(file, content)) << relative.toStdString();
        return file;
    }

    QString link(const QString& relative, const QString& target)
    {
        EXPECT_EQ(
            ::symlink(QFile::encodeName(target).constData(), QFile::encodeName(path(relative)).constData()),
            0);
        return path(relative);
    }

    QString fifo(const QString& relative)
    {
        EXPECT_EQ(::mkfifo(QFile::encodeName(path(relative)).constData(), 0644), 0);
        return path(relative);
    }

    /// Those of \a wanted that lie in \a folder, in directory order as GNU ls lists it unsorted.
    static QStringList inListingOrder(const QString& folder, const QStringList& wanted)
    {
        const ProcessResult ls = runProcess(QStringLiteral("ls"), { QStringLiteral("-1AU"), folder });
        EXPECT_EQ(ls.exitCode, 0) << ls.standardError.toStdString();
        QStringList paths;
        for (const QString& name : ls.standardOutput.split(u'\n', Qt::SkipEmptyParts))
            if (wanted.contains(folder + u'/' + name))
                paths << folder + u'/' + name;
        return paths;
    }

    QTemporaryDir m_dir;
};

TEST_F(FileList, AddsTheSupportedFilesOfAFolderAndItsSubfoldersOnlyWhenRecursive)
{
    const QStringList top = { write(QStringLiteral("in/a.jpg")), write(QStringLiteral("in/b.PNG")),
        write(QStringLiteral("in/.a.jpg")), write(QStringLiteral("in/IMG_1.JPG")) };
    for (const char* skipped : { "in/c.txt", "in/a.jpe", "in/a.jpg.txt", "in/.jpg", "in/jpg" })
        write(QString::fromLatin1(skipped));
    const QString pipe = fifo(QStringLiteral("in/p.jpg"));
    const QString deep = write(QStringLiteral("in/sub/deeper/e.tiff"));
    const QString sub = write(QStringLiteral("in/sub/d.gif"));

    gatherFiles(*model(), { path(QStringLiteral("in")) }, false);
    EXPECT_EQ(model()->allFilePaths(), inListingOrder(path(QStringLiteral("in")), top));

    model()->clear();
    gatherFiles(*model(), { path(QStringLiteral("in")) }, true);
    const QStringList all = model()->allFilePaths();
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()), QSet<QString>(top.begin(), top.end()) << sub << deep);
    EXPECT_EQ(all.size(), top.size() + 2);
    EXPECT_FALSE(all.contains(pipe));

    // Dropped by itself, the pipe is taken: only a folder's entries are tested for regular files.
    gatherFiles(*model(), { pipe }, false);
    EXPECT_EQ(model()->allFilePaths().last(), pipe);
}

TEST_F(FileList, StoresALinkUnderItsTargetWithItsOwnNameAndSkipsWhatCannotBeAdded)
{
    const QString photo = write(QStringLiteral("photo.png"), QByteArray(3000, 'x'));
    const QString empty = write(QStringLiteral("empty.jpg"), QByteArray());
    write(QStringLiteral("notes.txt"));
    const QString toPhoto = link(QStringLiteral("link.jpg"), photo);
    const QString toNotes = link(QStringLiteral("notes.jpg"), path(QStringLiteral("notes.txt")));
    const QString dangling = link(QStringLiteral("gone.jpg"), path(QStringLiteral("nowhere.jpg")));

    gatherFiles(*model(), { toPhoto, toNotes, dangling, path(QStringLiteral("missing.jpg")), empty }, false);

    ASSERT_EQ(model()->allFilePaths(), (QStringList { photo, empty }));
    const FileRecord record = model()->allFiles().value(photo);
    EXPECT_EQ(record.name, QStringLiteral("link.jpg"));
    EXPECT_EQ(record.size, 3000u);
    EXPECT_EQ(record.kind, QStringLiteral("PNG image"));
    EXPECT_EQ(record.modified, QFileInfo(photo).lastModified());
    EXPECT_EQ(model()->allFiles().value(empty).size, 0u);

    // A path already listed keeps its first record, however the file changed since.
    write(QStringLiteral("photo.png"), "changed");
    gatherFiles(*model(), { photo, toPhoto }, false);
    model()->addFile(photo);
    EXPECT_EQ(model()->allFilePaths(), (QStringList { photo, empty }));
    EXPECT_EQ(model()->allFiles().value(photo).value(FileRecord::kSize).toULongLong(), 3000u);

    model()->removeFile(path(QStringLiteral("not-listed.jpg")));
    EXPECT_EQ(model()->allFilePaths().size(), 2);
    model()->removeFile(photo);
    EXPECT_EQ(model()->allFilePaths(), QStringList { empty });
    EXPECT_EQ(model()->allFiles().keys(), QStringList { empty });
}

TEST_F(FileList, WalksEachFolderOnceWhenLinksLeadBackToAnAncestor)
{
    const QString inner = write(QStringLiteral("root/sub/x.jpg"));
    const QString outer = write(QStringLiteral("root/y.gif"));
    link(QStringLiteral("root/sub/up"), path(QStringLiteral("root")));
    link(QStringLiteral("root/sub/self"), QStringLiteral("."));

    gatherFiles(*model(), { path(QStringLiteral("root")), path(QStringLiteral("root/sub/up")) }, true);

    const QStringList all = model()->allFilePaths();
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()), (QSet<QString> { inner, outer }));
    EXPECT_EQ(all.size(), 2);
}

// A folder received from someone else may hold links into its receiver's files: a walk takes a link
// only while its target lies inside the folder named, and names it after the link. (A link the user
// names is followed wherever it leads: the test above, and the command line's link tests.)
class LinkScope : public FileList, public ::testing::WithParamInterface<bool>
{
};

TEST_P(LinkScope, AWalkTakesLinksOnlyToFilesInsideTheFolderNamedAfterThemselves)
{
    const bool recursive = GetParam();
    const QString own = write(QStringLiteral("share/a.jpg"));
    const QString inner = write(QStringLiteral("share/sub/real.jpg"));
    const QString passport = write(QStringLiteral("private/passport_scan.jpg"));
    write(QStringLiteral("private/secret.png"));
    link(QStringLiteral("share/IMG_0002.jpg"), passport);
    link(QStringLiteral("share/inside.jpg"), QStringLiteral("sub/real.jpg"));
    // A chain whose last step leaves the folder, and one that leaves it and comes back to a.jpg.
    link(QStringLiteral("share/chain.jpg"), QStringLiteral("next.png"));
    link(QStringLiteral("share/next.png"), QStringLiteral("../private/secret.png"));
    link(QStringLiteral("elsewhere.jpg"), path(QStringLiteral("share/a.jpg")));
    link(QStringLiteral("share/comeback.jpg"), QStringLiteral("../elsewhere.jpg"));

    QHash<QString, QString> skipped;
    gatherFiles(*model(), { path(QStringLiteral("share")) }, recursive,
        [&](const QByteArray& item, const QString& reason) {
            skipped.insert(QString::fromUtf8(item), reason);
        });

    const QStringList all = model()->allFilePaths();
    EXPECT_EQ(QSet<QString>(all.begin(), all.end()), (QSet<QString> { own, inner }));
    EXPECT_EQ(all.size(), 2);
    const QString outside = QStringLiteral("a link to a file outside the folder");
    EXPECT_EQ(skipped,
        (QHash<QString, QString> { { path(QStringLiteral("share/IMG_0002.jpg")), outside },
            { path(QStringLiteral("share/chain.jpg")), outside },
            { path(QStringLiteral("share/next.png")), outside } }));
    // One level deep, sub/real.jpg is reached only through the link and is listed under its name; a
    // walk of the subfolder may list it under its own name first.
    if (!recursive)
        EXPECT_EQ(model()->allFiles().value(inner).name, QStringLiteral("inside.jpg"));
    else
        EXPECT_TRUE(
            QStringList({ "inside.jpg", "real.jpg" }).contains(model()->allFiles().value(inner).name));
    EXPECT_TRUE(QStringList({ "a.jpg", "comeback.jpg" }).contains(model()->allFiles().value(own).name));
}

INSTANTIATE_TEST_SUITE_P(OneLevelAndRecursive, LinkScope, ::testing::Bool());

// Latin-1 names are listed with their bytes inside a walk, folders too; two names that differ only in
// such a byte stay two files. (Named directly: the command line's and the window's input tests.)
TEST_F(FileList, NamesThatAreNoUtf8AreListedWithTheirBytes)
{
    const QByteArray root = QFile::encodeName(path(QStringLiteral("in")));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("in"))));
    const auto cleanUp = qScopeGuard([&] { removeTree(path(QStringLiteral("in"))); });
    ASSERT_EQ(::mkdir((root + "/d\xe9").constData(), 0755), 0);
    const QList<QByteArray> files { root + "/caf\xe9.jpg", root + "/caf\xe8.jpg", root + "/d\xe9/x\xff.png" };
    for (const QByteArray& file : files) {
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    QStringList reasons;
    gatherFiles(*model(), { decodePath(root) }, true,
        [&](const QByteArray&, const QString& reason) { reasons << reason; });
    EXPECT_TRUE(reasons.isEmpty()) << reasons.join(u'|').toStdString();
    QSet<QByteArray> listed;
    for (const QString& listedPath : model()->allFilePaths())
        listed.insert(encodePath(listedPath));
    EXPECT_EQ(listed, QSet<QByteArray>(files.begin(), files.end()));
    EXPECT_EQ(encodePath(model()->allFiles().value(decodePath(files[0])).name), QByteArray("caf\xe9.jpg"));
    EXPECT_EQ(model()->allFiles().value(decodePath(files[0])).kind, QStringLiteral("JPEG image"));
}

// What a link resolves to, against readlink -e; a dangling link stays as it is.
TEST_F(FileList, RealPathResolvesEveryLinkOnTheWay)
{
    write(QStringLiteral("dir/file.jpg"));
    link(QStringLiteral("dirlink"), path(QStringLiteral("dir")));
    link(QStringLiteral("chain"), path(QStringLiteral("dirlink/../dirlink/file.jpg")));
    link(QStringLiteral("dangling"), path(QStringLiteral("nowhere")));
    for (const char* item : { "chain", "dirlink/file.jpg", "dir/../dirlink" }) {
        SCOPED_TRACE(item);
        const ProcessResult oracle = runProcess(
            QStringLiteral("readlink"), { QStringLiteral("-e"), path(QString::fromLatin1(item)) });
        ASSERT_EQ(oracle.exitCode, 0);
        EXPECT_EQ(FileManagerHelpers::RealPathForSymbolLink(path(QString::fromLatin1(item))),
            oracle.standardOutput.trimmed());
    }
    EXPECT_EQ(FileManagerHelpers::RealPathForSymbolLink(path(QStringLiteral("dangling"))),
        path(QStringLiteral("dangling")));
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/Converter.h"
#include "batch/FileGathering.h"
#include "batch/FileManagerHelpers.h"
#include "tests/common/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

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

TEST_F(FileList, StoresALinkUnderItsTargetAndSkipsWhatCannotBeAdded)
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
    EXPECT_EQ(record.name, QStringLiteral("photo.png"));
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

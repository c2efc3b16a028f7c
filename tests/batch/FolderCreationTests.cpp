// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FolderCreation.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

/// A folder asked for below a temporary folder holding a plain file "plain" and a link "dangling" to a
/// name that does not exist.
struct FolderCase
{
    const char* name;
    const char* asked; ///< below the temporary folder
    FolderCreation::Failure failure;
    const char* level; ///< the level named by the failure, below the temporary folder
    const char* reason; ///< the system's words the window shows
};

void checkFolderCreationTest(const FolderCase& param)
{
    const FolderCase& c = param;
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QFile plain(root.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    ASSERT_EQ(::symlink("/nonexistent/folder",
                  QFile::encodeName(root.filePath(QStringLiteral("dangling"))).constData()),
        0);

    const FolderCreation creation = createFolderWithParents(root.filePath(QString::fromUtf8(c.asked)));
    EXPECT_EQ(creation.failure, c.failure);
    if (c.failure == FolderCreation::Failure::None) {
        EXPECT_TRUE(QFileInfo(root.filePath(QString::fromUtf8(c.asked))).isDir());
        return;
    }
    EXPECT_EQ(creation.level, root.filePath(QString::fromUtf8(c.level)));
    EXPECT_EQ(creation.systemReason(), QString::fromUtf8(c.reason));
    // Nothing below the level in the way was made.
    if (std::string(c.asked) != c.level) {
        EXPECT_FALSE(QFileInfo::exists(root.filePath(QString::fromUtf8(c.asked))));
    }
}

TEST(FolderCreationTest, CreatesMissingLevelsOrNamesTheOneInTheWay)
{
    const FolderCase cases[] = { FolderCase { "existing", ".", FolderCreation::Failure::None, "", "" },
        FolderCase { "missingParents", "a/b/c", FolderCreation::Failure::None, "", "" },
        FolderCase {
            "fileIsTheFolder", "plain", FolderCreation::Failure::NotAFolder, "plain", "File exists" },
        FolderCase {
            "fileOnTheWay", "plain/sub", FolderCreation::Failure::NotAFolder, "plain", "Not a directory" },
        FolderCase { "danglingLinkIsTheFolder", "dangling", FolderCreation::Failure::BrokenLink, "dangling",
            "File exists" },
        FolderCase { "danglingLinkOnTheWay", "dangling/sub", FolderCreation::Failure::BrokenLink, "dangling",
            "Not a directory" } };
    for (const FolderCase& param : cases) {
        SCOPED_TRACE(param.name);
        checkFolderCreationTest(param);
    }
}

TEST(FolderCreation, NamesTheLinkTargetOfABrokenLevel)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString link = root.filePath(QStringLiteral("dangling"));
    ASSERT_EQ(::symlink("/nonexistent/folder", QFile::encodeName(link).constData()), 0);
    const FolderCreation creation = createFolderWithParents(link + QStringLiteral("/sub"));
    EXPECT_EQ(creation.linkTarget, QStringLiteral("/nonexistent/folder"));
    EXPECT_FALSE(creation.lastLevel);
}

} // namespace

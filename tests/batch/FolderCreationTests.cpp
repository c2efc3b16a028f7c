// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FolderCreation.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <unistd.h>

namespace {

/// Each folder is asked for below a temporary folder holding a plain file "plain" and a link "dangling"
/// to /nonexistent/folder.
TEST(FolderCreation, CreatesMissingLevelsOrNamesTheOneInTheWay)
{
    const struct
    {
        const char* asked; ///< below the temporary folder
        FolderCreation::Failure failure;
        const char* level; ///< the level named by the failure, below the temporary folder
        const char* reason; ///< the system's words the window shows
    } cases[] = { { ".", FolderCreation::Failure::None, "", "" },
        { "a/b/c", FolderCreation::Failure::None, "", "" },
        { "plain", FolderCreation::Failure::NotAFolder, "plain", "File exists" },
        { "plain/sub", FolderCreation::Failure::NotAFolder, "plain", "Not a directory" },
        { "dangling", FolderCreation::Failure::BrokenLink, "dangling", "File exists" },
        { "dangling/sub", FolderCreation::Failure::BrokenLink, "dangling", "Not a directory" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.asked);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        QFile plain(root.filePath(QStringLiteral("plain")));
        ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
        plain.close();
        ASSERT_EQ(::symlink("/nonexistent/folder",
                      QFile::encodeName(root.filePath(QStringLiteral("dangling"))).constData()),
            0);

        const QString asked = root.filePath(QString::fromUtf8(c.asked));
        const FolderCreation creation = createFolderWithParents(asked);
        EXPECT_EQ(creation.failure, c.failure);
        if (c.failure == FolderCreation::Failure::None) {
            EXPECT_TRUE(QFileInfo(asked).isDir());
            continue;
        }
        EXPECT_EQ(creation.level, root.filePath(QString::fromUtf8(c.level)));
        EXPECT_EQ(creation.systemReason(), QString::fromUtf8(c.reason));
        const bool lastLevel = std::string(c.asked) == c.level;
        EXPECT_EQ(creation.lastLevel, lastLevel);
        if (!lastLevel) {
            EXPECT_FALSE(QFileInfo::exists(asked)) << "nothing below the level in the way is made";
        }
        if (c.failure == FolderCreation::Failure::BrokenLink) {
            EXPECT_EQ(creation.linkTarget, QStringLiteral("/nonexistent/folder"));
        }
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// TIFFs of several pages through morvane-cli: every page kept in a TIFF, the first page with a note in
// another format or when the pages cannot all be written; judged by ImageMagick and the independent checker.
#include "tests/cli/CliFixture.h"
#include "tests/common/TestSupport.h"
#include "tests/engine/TiffPageFixtures.h"

#include <QHash>
#include <QJsonObject>
#include <QTemporaryDir>

#include <functional>
#include <gtest/gtest.h>

namespace {

using Kind = TiffPageLayout::Kind;

const QList<TiffPageLayout> kPages = {
    { 48, 32, Kind::Rgb, 2, 300, 300, 6, false, "MORVANE-MARK-PAGE-ONE" },
    { 12, 8, Kind::Rgb, 2, 72, 72, 1, true, "MORVANE-MARK-THUMB" },
    { 20, 12, Kind::Gray, 3, 50, 40, 1, false, "MORVANE-MARK-PAGE-TWO" },
    { 16, 24, Kind::Rgba, 0, 0, 0, 8, false, "MORVANE-MARK-PAGE-THREE" },
};

struct PagesCase
{
    const char* name; ///< the source's file name
    std::function<bool(QByteArray&)> damage; ///< null for an undamaged source
    const char* format; ///< --format
    int pages; ///< in the output
    const char* note; ///< empty for none
};

const PagesCase kCases[] = {
    { "three.tif", nullptr, "same", 3, "" },
    { "three_as_jpeg.tif", nullptr, "jpeg", 1, "first of 3 pages" },
    { "strip_missing.tif", [](QByteArray& bytes) { return patchTiffEntry(bytes, 2, 273, 0); }, "same", 1,
        "first of 3 pages: page 2 could not be decoded (Part of the image data is missing from the file)" },
    { "page_bomb.tif",
        [](QByteArray& bytes) {
            return patchTiffEntry(bytes, 2, 256, 16384) && patchTiffEntry(bytes, 2, 257, 16384)
                && patchTiffEntry(bytes, 3, 256, 16384) && patchTiffEntry(bytes, 3, 257, 16384);
        },
        "same", 1, "first of 3 pages: the pages together are too large" },
};

} // namespace

// One run per output format over every source, one checker run over all outputs.
TEST(TiffPagesCli, KeepsEveryPageOrSaysWhyOnlyTheFirst)
{
    QTemporaryDir work;
    QHash<QString, QByteArray> before;
    for (const PagesCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const QString source = work.filePath(QStringLiteral("in-%1/%2").arg(c.format, c.name));
        ASSERT_TRUE(writeFile(source, {}));
        ASSERT_TRUE(writeTiffFixture(source, kPages));
        if (c.damage) {
            QByteArray bytes = fileBytes(source);
            ASSERT_TRUE(c.damage(bytes));
            ASSERT_TRUE(writeFile(source, bytes));
        }
        before.insert(source, fileBytes(source));
    }
    const QString out = work.filePath(QStringLiteral("out"));
    QHash<QString, QJsonObject> outcomes;
    for (const char* format : { "same", "jpeg" }) {
        const ProcessResult run = runCli({ "--json", "--fix-orientation", "--format", format, "-o", out,
                                             work.filePath(QStringLiteral("in-") + format) },
            work.filePath(QStringLiteral("config")));
        ASSERT_EQ(run.exitCode, 0) << run.standardError.toStdString();
        outcomes.insert(jsonBySource(run.standardOutput));
    }
    QStringList outputs;
    for (const QJsonObject& outcome : std::as_const(outcomes))
        outputs << outcome.value("output").toString();
    const QHash<QString, int> pages = frameCounts(outputs);
    for (const PagesCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const QJsonObject outcome = outcomes.value(QLatin1String(c.name));
        ASSERT_EQ(outcome.value("status").toString(), QStringLiteral("written"));
        EXPECT_EQ(outcome.value("note").toString(), QLatin1String(c.note));
        const QString output = outcome.value("output").toString();
        EXPECT_EQ(pages.value(output), c.pages);
        EXPECT_FALSE(fileBytes(output).contains("MORVANE-MARK"));
    }
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        EXPECT_EQ(fileBytes(it.key()), it.value()) << "the source was changed: " << it.key().toStdString();
    const ProcessResult clean = checkClean(out);
    EXPECT_EQ(clean.exitCode, 0) << clean.standardOutput.toStdString() << clean.standardError.toStdString();
}

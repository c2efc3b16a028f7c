// SPDX-License-Identifier: GPL-3.0-or-later
// Paths between the file system's bytes and QString: every byte kept, the escapes of the bytes that are
// no UTF-8 as Python's surrogateescape makes them (the table below is written out by hand from that
// rule), and files opened through the bytes, checked against files made through the bytes here.
#include "engine/core/NativePath.h"
#include "tests/common/TestSupport.h"

#include <QFile>
#include <QScopeGuard>
#include <QSet>
#include <QTemporaryDir>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
#include <vector>

namespace {

struct Spelling
{
    const char* name;
    QByteArray bytes;
    std::u16string units; ///< what the QString holds
    const char* readable;
};

void checkPathSpellings(const Spelling& param)
{
    const Spelling& c = param;
    const QString decoded = decodePath(c.bytes);
    EXPECT_EQ(decoded.toStdU16String(), c.units);
    EXPECT_EQ(encodePath(decoded), c.bytes);
    EXPECT_EQ(readablePath(decoded), QString::fromUtf8(c.readable));
    EXPECT_EQ(hasUndecodedBytes(decoded), QByteArray(c.readable) != c.bytes);
}

TEST(PathSpellings, DecodeToTheEscapesAndBackToTheSameBytes)
{
    const Spelling cases[] = { Spelling {
                                   "ascii", "/tmp/IMG_0001.jpg", u"/tmp/IMG_0001.jpg", "/tmp/IMG_0001.jpg" },
        Spelling {
            "utf8", "caf\xc3\xa9 \xe6\x97\xa5.jpg", u"caf\u00e9 \u65e5.jpg", "caf\xc3\xa9 \xe6\x97\xa5.jpg" },
        Spelling { "latin1", "caf\xe9.jpg", u"caf\xdce9.jpg", "caf\\xe9.jpg" },
        Spelling { "latin1Grave", "caf\xe8.jpg", u"caf\xdce8.jpg", "caf\\xe8.jpg" },
        Spelling { "emoji", "\xf0\x9f\x98\x80\xff", u"\U0001F600\xdcff", "\xf0\x9f\x98\x80\\xff" },
        Spelling { "overlong", "a\xc0\xaf", u"a\xdcc0\xdcaf", "a\\xc0\\xaf" },
        Spelling { "encodedSurrogate", "\xed\xb3\xa9", u"\xdced\xdcb3\xdca9", "\\xed\\xb3\\xa9" },
        Spelling { "truncated", "x\xe6\x97", u"x\xdce6\xdc97", "x\\xe6\\x97" },
        Spelling { "aboveUnicode", "\xf4\x90\x80\x80", u"\xdcf4\xdc90\xdc80\xdc80", "\\xf4\\x90\\x80\\x80" },
        Spelling { "loneContinuation", "\x80z", u"\xdc80z", "\\x80z" } };
    for (const Spelling& param : cases) {
        SCOPED_TRACE(param.name);
        checkPathSpellings(param);
    }
}

// Every single byte, and every string of two bytes (three after a lead byte) drawn from the edges of UTF-8's
// byte classes (ASCII, continuation bytes by the ranges that make lead bytes overlong or surrogates, each
// lead byte's first and last, the bytes that never occur), bare and with valid characters around them, comes
// back whole; different bytes never meet in one QString.
TEST(NativePath, EveryShortByteStringComesBackWholeAndStaysApart)
{
    static const unsigned char kEdges[] = { 0x01, 0x2F, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1,
        0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF8, 0xFE, 0xFF };
    std::vector<QByteArray> strings;
    for (int byte = 1; byte < 256; ++byte)
        strings.emplace_back(1, char(byte));
    for (const unsigned char first : kEdges) {
        for (const unsigned char second : kEdges) {
            const QByteArray pair = QByteArray(1, char(first)) + char(second);
            strings.push_back(pair);
            // A third byte matters after a lead byte; after any other the pair's end starts afresh.
            for (const unsigned char third : kEdges) {
                if (first >= 0xC0)
                    strings.push_back(pair + char(third));
            }
        }
    }
    QSet<QString> seen;
    int count = 0;
    for (const QByteArray& bytes : strings) {
        for (const QByteArray& around : { bytes, "\xc3\xa9" + bytes + "\xe2\x82\xac" }) {
            const QString decoded = decodePath(around);
            ASSERT_EQ(encodePath(decoded), around) << around.toHex().constData();
            seen.insert(decoded);
            ++count;
        }
    }
    EXPECT_EQ(seen.size(), count);
}

TEST(NativePath, LastComponentAndAbsolutePathsKeepTheBytes)
{
    const QString latin1 = decodePath("/a/caf\xe9");
    EXPECT_EQ(encodePath(lastPathComponent(latin1 + QStringLiteral("//"))), QByteArray("caf\xe9"));
    EXPECT_EQ(lastPathComponent(QStringLiteral("/")), QString());
    EXPECT_EQ(lastPathComponent(QStringLiteral("name.jpg")), QStringLiteral("name.jpg"));
    EXPECT_EQ(
        encodePath(absolutePath(latin1 + QStringLiteral("/./b/../x.jpg"))), QByteArray("/a/caf\xe9/x.jpg"));
    EXPECT_TRUE(absolutePath(QStringLiteral("rel.jpg")).endsWith(QStringLiteral("/rel.jpg")));
    EXPECT_TRUE(absolutePath(QStringLiteral("rel.jpg")).startsWith(u'/'));
}

// A file made through its bytes here is found, resolved and read through the QString that stands for them.
TEST(NativePath, OpensAndResolvesFilesWhoseNamesAreNoUtf8)
{
    QTemporaryDir dir;
    const auto cleanUp = qScopeGuard([&] { removeTree(dir.path()); });
    const QByteArray folder = QFile::encodeName(dir.path());
    const QByteArray file = folder + "/caf\xe9.jpg";
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, "latin", 5), 5);
    ::close(fd);
    ASSERT_EQ(::symlink("caf\xe9.jpg", (folder + "/link").constData()), 0);

    QFile opened;
    ASSERT_TRUE(openForReading(opened, decodePath(file)));
    EXPECT_EQ(opened.readAll(), QByteArray("latin"));
    EXPECT_EQ(encodePath(canonicalPath(decodePath(folder + "/link"))), file);
    QFile missing;
    EXPECT_FALSE(openForReading(missing, decodePath(folder + "/caf\xe8.jpg")));
    EXPECT_TRUE(canonicalPath(decodePath(folder + "/caf\xe8.jpg")).isEmpty());
}

} // namespace

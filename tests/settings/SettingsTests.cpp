// SPDX-License-Identifier: GPL-3.0-or-later
// The preferences store, checked against the INI file itself: the file's text is read and edited here
// directly, without QSettings, and a second process writes through its own Settings.
#include "settings/Settings.h"
#include "tests/common/StoreTestSupport.h"
#include "tests/common/TestSupport.h"

#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace {

QVariant readSetting(const QString& key)
{
    const Settings* settings = Settings::settings();
    if (key == Settings::kImageQuality)
        return settings->quality();
    if (key == Settings::kFixOrientation)
        return settings->fixOrientation();
    if (key == Settings::kKeepJpegQuality)
        return settings->keepJpegQuality();
    if (key == Settings::kIgnoreWarning)
        return settings->ignoreWarning();
    return settings->isFirstRun();
}

void writeSetting(const QString& key, const QVariant& value)
{
    Settings* settings = Settings::settings();
    if (key == Settings::kImageQuality)
        settings->setQuality(value.toFloat());
    else if (key == Settings::kFixOrientation)
        settings->setFixOrientation(value.toBool());
    else if (key == Settings::kKeepJpegQuality)
        settings->setKeepJpegQuality(value.toBool());
    else if (key == Settings::kIgnoreWarning)
        settings->setIgnoreWarning(value.toBool());
    else
        settings->setIsFirstRun(value.toBool());
}

/// Writes through Settings in a process of its own, into this process's store.
void writeFromAnotherProcess(const QString& key, const QString& value)
{
    // The store lies at CONFIG/Morvane/Morvane.ini.
    const QString configDir = QFileInfo(QFileInfo(storePath()).absolutePath()).absolutePath();
    const ProcessResult result
        = runProcess(QStringLiteral(MORVANE_SETTINGS_WRITER), { configDir, key, value });
    ASSERT_EQ(result.exitCode, 0) << qPrintable(result.standardError);
}

class SettingsStore : public ::testing::Test
{
protected:
    void SetUp() override { clearStore(); }
    void TearDown() override { clearStore(); }
};

TEST_F(SettingsStore, EmptyStoreGivesTheDefaultsAndWritesNothing)
{
    const Settings* settings = Settings::settings();
    EXPECT_EQ(settings->quality(), 70.0f);
    EXPECT_TRUE(settings->fixOrientation());
    EXPECT_FALSE(settings->keepJpegQuality());
    EXPECT_FALSE(settings->ignoreWarning());
    EXPECT_TRUE(settings->isFirstRun());
    EXPECT_FALSE(QFileInfo::exists(storePath())) << "reading must not put defaults into the store";
    EXPECT_TRUE(storePath().endsWith(QLatin1String("/Morvane/Morvane.ini"))) << qPrintable(storePath());
}

struct KeyCase
{
    const char* name;
    QString key;
    QVariant defaultValue;
    QVariant written; ///< differs from the default, so a read of the default shows up
    QString writtenText; ///< how the INI file spells it
    QVariant other; ///< what another process writes afterwards
    QString otherText;
};

class SettingsKeys : public SettingsStore, public ::testing::WithParamInterface<KeyCase>
{
};

TEST_P(SettingsKeys, WritesAtOnceReadsWhatOthersWroteAndFallsBackWhenTheLineIsRemoved)
{
    const KeyCase& c = GetParam();
    // Another key stays, so the file itself remains when the key's line goes.
    Settings::settings()->setIsFirstRun(c.key != Settings::kIsFirstRun);
    writeSetting(c.key, c.written);
    EXPECT_EQ(storedText(c.key), c.writtenText) << qPrintable(storeText());
    EXPECT_EQ(readSetting(c.key), c.written);

    writeFromAnotherProcess(c.key, c.otherText);
    EXPECT_EQ(storedText(c.key), c.otherText);
    EXPECT_EQ(readSetting(c.key), c.other);

    QString text = storeText();
    const QString line = c.key + u'=' + c.otherText + u'\n';
    ASSERT_TRUE(text.contains(line)) << qPrintable(text);
    setStoreText(text.remove(line));
    EXPECT_EQ(readSetting(c.key), c.defaultValue);
}

INSTANTIATE_TEST_SUITE_P(EveryKey, SettingsKeys,
    ::testing::Values(KeyCase { "quality", Settings::kImageQuality, 70.0f, 0.0f, QStringLiteral("0"), 42.5f,
                          QStringLiteral("42.5") },
        KeyCase { "fixOrientation", Settings::kFixOrientation, true, false, QStringLiteral("false"), true,
            QStringLiteral("true") },
        KeyCase { "keepJpegQuality", Settings::kKeepJpegQuality, false, true, QStringLiteral("true"), false,
            QStringLiteral("false") },
        KeyCase { "ignoreWarning", Settings::kIgnoreWarning, false, true, QStringLiteral("true"), false,
            QStringLiteral("false") },
        KeyCase { "isFirstRun", Settings::kIsFirstRun, true, false, QStringLiteral("false"), true,
            QStringLiteral("true") }),
    [](const ::testing::TestParamInfo<KeyCase>& param) { return std::string(param.param.name); });

} // namespace

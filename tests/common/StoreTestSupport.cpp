// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/common/StoreTestSupport.h"

#include "settings/Settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <gtest/gtest.h>

QString storePath()
{
    return Settings::settings()->defaults()->fileName();
}

QString storeText()
{
    QFile file(storePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

void setStoreText(const QString& text)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
    QFile file(storePath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(storePath());
    ASSERT_EQ(file.write(text.toUtf8()), text.toUtf8().size());
}

QString storedText(const QString& key)
{
    bool inGeneral = false;
    const QStringList lines = storeText().split(u'\n');
    for (const QString& line : lines) {
        if (line.startsWith(u'['))
            inGeneral = line.trimmed() == QLatin1String("[General]");
        else if (inGeneral && line.startsWith(key + u'='))
            return line.mid(key.size() + 1).trimmed();
    }
    return {};
}

void clearStore()
{
    QFile::remove(storePath());
}

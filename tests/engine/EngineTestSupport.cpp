// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/engine/EngineTestSupport.h"

#include "tests/common/TestSupport.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

QJsonObject exiftoolTags(const QString& path)
{
    return exiftoolTagsUnder(path).value(QFileInfo(path).fileName());
}

QHash<QString, QJsonObject> exiftoolTagsUnder(const QString& dir)
{
    const ProcessResult result
        = runProcess(QStringLiteral("exiftool"), { "-j", "-n", "-G1", "-a", "-r", dir });
    QHash<QString, QJsonObject> tags;
    for (const QJsonValue& file : QJsonDocument::fromJson(result.standardOutput.toUtf8()).array()) {
        const QJsonObject object = file.toObject();
        tags.insert(QFileInfo(object.value("SourceFile").toString()).fileName(), object);
    }
    return tags;
}

int frameCount(const QString& path)
{
    return frameCounts({ path }).value(path, -1);
}

QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    const QRgb colours[4] = { qRgb(200, 0, 0), qRgb(0, 200, 0), qRgb(0, 0, 200), qRgb(220, 200, 0) };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, colours[(y >= height / 2) * 2 + (x >= width / 2)]);
    return image;
}

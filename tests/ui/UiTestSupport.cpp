// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/ui/UiTestSupport.h"

#include <QFile>
#include <QUrl>

bool writePng(const QString& path, QColor colour)
{
    QImage image(24, 16, QImage::Format_RGB32);
    image.fill(colour);
    return image.save(path, "PNG");
}

bool touchFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

std::unique_ptr<QMimeData> fileDrag(const QStringList& paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls << QUrl::fromLocalFile(path);
    data->setUrls(urls);
    return data;
}

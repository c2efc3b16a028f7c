// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/MetadataContainers.h"

#include "engine/core/ImageFormat.h"
#include "engine/inspect/ContainerWalksPrivate.h"

#include <QCoreApplication>

#include <algorithm>

using namespace containers;

bool walkImageContainer(QByteArrayView data, MetadataBlocks& blocks, QString* reason)
{
    if (data.isEmpty()) {
        *reason = QCoreApplication::translate("MetadataInspector", "the file is empty");
        return false;
    }
    if (data.startsWith(QByteArrayView("\xFF\xD8\xFF", 3))) {
        (void)walkJpeg(data, blocks, 0);
        return true;
    }
    if (data.startsWith(QByteArrayView("\x89PNG\r\n\x1A\n", 8))) {
        walkPng(data, blocks);
        return true;
    }
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a")) {
        walkGif(data, blocks);
        return true;
    }
    if (data.startsWith(QByteArrayView("II*\0", 4)) || data.startsWith(QByteArrayView("MM\0*", 4))) {
        walkTiff(data, blocks);
        return true;
    }
    if (data.startsWith("BM")) {
        walkBmp(data, blocks);
        return true;
    }
    if (data.size() >= 12 && data.startsWith("RIFF") && data.sliced(8).startsWith("WEBP")) {
        walkWebp(data, blocks);
        return true;
    }
    if (isHeifFile(data.first(std::min<qsizetype>(data.size(), 4096))))
        return walkHeif(data, blocks, reason);
    *reason = QCoreApplication::translate("MetadataInspector", "not an image in a format Morvane reads");
    return false;
}

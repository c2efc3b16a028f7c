// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/ContainerWalksPrivate.h"
#include "engine/inspect/MetadataContainers.h"

#include <QCoreApplication>

#include <algorithm>

namespace containers {

// --- WebP --------------------------------------------------------------------------------------------

/// Walks the chunks of a WebP file (or of one animation frame, \a inFrame): its EXIF, XMP and ICCP
/// chunks go to the blocks; chunks outside the format's own are reported.
void walkWebpChunks(QByteArrayView chunks, MetadataBlocks& blocks, bool inFrame)
{
    qsizetype pos = 0;
    while (pos + 8 <= chunks.size()) {
        const QByteArrayView fourcc = chunks.sliced(pos, 4);
        const quint32 size = readLE32(bytesOf(chunks) + pos + 4);
        const qsizetype available = chunks.size() - pos - 8;
        const QByteArrayView payload
            = chunks.sliced(pos + 8, std::min<qsizetype>(qsizetype(size), available));
        if (fourcc == "EXIF" && !inFrame) {
            QByteArrayView tiff = payload;
            if (tiff.startsWith(QByteArrayView("Exif\0\0", 6)))
                tiff = tiff.sliced(6);
            if (tiff.startsWith(QByteArrayView("II*\0", 4)) || tiff.startsWith(QByteArrayView("MM\0*", 4)))
                blocks.exif.append(QByteArray(tiff.data(), tiff.size()));
            else if (!tiff.isEmpty())
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "EXIF chunk"), sizeWithExcerpt(tiff));
        } else if (fourcc == "XMP " && !inFrame) {
            blocks.xmp.append(QByteArray(payload.data(), payload.size()));
        } else if (fourcc == "ICCP" && !inFrame) {
            blocks.profiles.append(QByteArray(payload.data(), payload.size()));
        } else if (fourcc == "ANMF" && !inFrame) {
            if (payload.size() > 16)
                walkWebpChunks(payload.sliced(16), blocks, true);
        } else if (fourcc != "VP8 " && fourcc != "VP8L" && fourcc != "ALPH" && fourcc != "VP8X"
            && fourcc != "ANIM") {
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Chunk '%1'")
                    .arg(readableText(QString::fromLatin1(fourcc))),
                sizeWithExcerpt(payload));
        }
        if (qsizetype(size) > available)
            break; // cut short: what was there is walked
        pos += 8 + qsizetype(size) + qsizetype(size & 1);
    }
}

/// Walks a WebP file ("RIFF", size, "WEBP", chunks) and what follows the RIFF structure.
void walkWebp(QByteArrayView data, MetadataBlocks& blocks)
{
    const quint64 riffEnd = std::min<quint64>(8 + quint64(readLE32(bytesOf(data) + 4)), quint64(data.size()));
    walkWebpChunks(data.sliced(12, qsizetype(riffEnd) - 12), blocks, false);
    if (qsizetype(riffEnd) < data.size())
        reportTrailingData(data.sliced(qsizetype(riffEnd)), blocks, 0);
}

} // namespace containers

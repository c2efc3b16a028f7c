// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/ContainerWalksPrivate.h"
#include "engine/inspect/MetadataContainers.h"

#include <QCoreApplication>

#include <algorithm>
#include <limits>

namespace containers {

// --- BMP ---------------------------------------------------------------------------------------------

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one branch per header field
void walkBmp(QByteArrayView data, MetadataBlocks& blocks)
{
    const uchar* u = bytesOf(data);
    const qsizetype size = data.size();
    if (size < 14 + 12)
        return;
    const qsizetype pixelsAt = readLE32(u + 10);
    const qsizetype headerSize = readLE32(u + 14);
    if (headerSize < 12 || 14 + headerSize > size)
        return;
    qint64 width = 0;
    qint64 height = 0;
    quint32 bitsPerPixel = 0;
    quint32 compression = 0;
    qsizetype imageSize = 0;
    quint32 coloursUsed = 0;
    if (headerSize == 12) {
        width = readLE16(u + 18);
        height = readLE16(u + 20);
        bitsPerPixel = readLE16(u + 24);
    } else {
        width = qint32(readLE32(u + 18));
        height = qint32(readLE32(u + 22));
        bitsPerPixel = readLE16(u + 28);
        compression = readLE32(u + 30);
        imageSize = readLE32(u + 34);
        if (headerSize >= 40)
            coloursUsed = readLE32(u + 46);
    }
    // Where the header, the bit masks and the palette end.
    qsizetype headerEnd = 14 + headerSize;
    if (headerSize == 40 && (compression == 3 || compression == 6))
        headerEnd += compression == 3 ? 12 : 16;
    if (bitsPerPixel <= 8)
        headerEnd += qsizetype(coloursUsed ? std::min<quint32>(coloursUsed, 256) : 1u << bitsPerPixel)
            * (headerSize == 12 ? 3 : 4);
    // Where the pixels end: uncompressed rows are padded to four bytes. Sides and depth as a header may
    // state them (31 bits each, 16 bits of depth) multiply past 64 bits: such pixels end beyond any file.
    const qint64 stride = (std::abs(width) * bitsPerPixel + 31) / 32 * 4;
    qint64 pixelBytes = qint64(imageSize);
    if ((compression == 0 || compression == 3 || compression == 6)
        && __builtin_mul_overflow(stride, std::abs(height), &pixelBytes))
        pixelBytes = std::numeric_limits<qint64>::max() / 2;
    qint64 end = qint64(pixelsAt) + pixelBytes;
    // A version 5 header may hold an embedded profile or a linked profile's file name after the pixels.
    if (headerSize >= 124) {
        const quint32 colourSpace = readLE32(u + 14 + 56);
        const qsizetype profileAt = 14 + qsizetype(readLE32(u + 14 + 112));
        const qsizetype profileSize = readLE32(u + 14 + 116);
        if ((colourSpace == 0x4D424544 || colourSpace == 0x4C494E4B) && profileAt <= size
            && profileSize <= size - profileAt) {
            const QByteArrayView profile = data.sliced(profileAt, profileSize);
            if (colourSpace == 0x4D424544) // 'MBED'
                blocks.profiles.append(profile.toByteArray());
            else { // 'LINK': the file name of the profile, which may name a person's folder
                const qsizetype nul = profile.indexOf('\0');
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "Linked colour profile"),
                    readableText(QString::fromLatin1(nul >= 0 ? profile.first(nul) : profile)));
            }
            end = std::max<qint64>(end, profileAt + profileSize);
            if (profileAt > headerEnd && profileAt < pixelsAt)
                headerEnd = std::max<qsizetype>(headerEnd, profileAt + profileSize);
        }
    }
    if (pixelsAt > headerEnd && pixelsAt <= size && !isPadding(data.sliced(headerEnd, pixelsAt - headerEnd)))
        report(blocks, PersonalGroup::Hidden,
            QCoreApplication::translate("MetadataInspector", "Data between the header and the pixels"),
            sizeWithExcerpt(data.sliced(headerEnd, pixelsAt - headerEnd)));
    if (end > 0 && end < size)
        reportTrailingData(data.sliced(end), blocks, 0);
}

} // namespace containers

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/ContainerWalksPrivate.h"
#include "engine/inspect/MetadataContainers.h"

#include <QCoreApplication>

#include <algorithm>

namespace containers {

// --- GIF ---------------------------------------------------------------------------------------------

/// Skips the sub-blocks starting at \a pos and returns the position after their terminator (or the end
/// of the data); their payload goes to \a payload when given.
qsizetype skipSubBlocks(QByteArrayView data, qsizetype pos, QByteArray* payload = nullptr)
{
    const uchar* u = bytesOf(data);
    while (pos < data.size()) {
        const qsizetype length = u[pos++];
        if (length == 0)
            return pos;
        const qsizetype available = std::min(length, data.size() - pos);
        if (payload)
            payload->append(data.sliced(pos, available));
        pos += length;
    }
    return data.size();
}

namespace {

    /// Reads an application extension whose sub-blocks run from \a start to \a end and hold \a payload.
    void readApplicationExtension(QByteArrayView data, qsizetype start, qsizetype end,
        const QByteArray& payload, MetadataBlocks& blocks)
    {
        const QByteArray application
            = start < data.size() && uchar(data[start]) == 11 ? payload.left(11) : QByteArray();
        const QByteArray content = payload.mid(11);
        if (application == "NETSCAPE2.0" || application == "ANIMEXTS1.0")
            return; // the loop count
        if (application == "XMP DataXMP") {
            // The packet is stored raw, its bytes read as sub-block lengths, ended by a "magic
            // trailer" that makes the sub-block walk land on the terminator.
            const QByteArrayView raw
                = start + 12 <= end ? data.sliced(start + 12, end - start - 12) : QByteArrayView();
            const qsizetype packetEnd = raw.lastIndexOf(QByteArrayView("<?xpacket end"));
            const qsizetype close = packetEnd < 0 ? -1 : raw.indexOf(QByteArrayView("?>"), packetEnd);
            if (close >= 0)
                blocks.xmp.append(raw.first(close + 2).toByteArray());
            else
                report(blocks, PersonalGroup::Hidden, QStringLiteral("XMP"), sizeWithExcerpt(raw));
        } else if (application == "ICCRGBG1012") {
            blocks.profiles.append(content);
        } else if (application == "MGK8BIM0000") {
            walkPhotoshopResources(content, blocks);
        } else if (application == "MGKIPTC0000") {
            blocks.iptc.append(content);
        } else {
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Application data \"%1\"")
                    .arg(readableText(QString::fromLatin1(application), 11)),
                sizeWithExcerpt(content));
        }
    }

    /// Reads the extension at \a pos (its introducer) and returns the position after it.
    qsizetype readExtension(QByteArrayView data, qsizetype pos, MetadataBlocks& blocks)
    {
        const uchar label = uchar(data[pos + 1]);
        const qsizetype start = pos + 2;
        QByteArray payload;
        const qsizetype end = skipSubBlocks(data, start, &payload);
        switch (label) {
        case 0xF9: // graphic control: frame timing and transparency
            break;
        case 0xFE:
            report(blocks, PersonalGroup::Text, QCoreApplication::translate("MetadataInspector", "Comment"),
                readableText(QString::fromLatin1(payload)));
            break;
        case 0x01: // plain text: a 12-byte header block, then the text
            report(blocks, PersonalGroup::Text,
                QCoreApplication::translate("MetadataInspector", "Plain text"),
                readableText(QString::fromLatin1(payload.mid(12))));
            break;
        case 0xFF:
            readApplicationExtension(data, start, end, payload, blocks);
            break;
        default:
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Extension 0x%1")
                    .arg(label, 2, 16, QLatin1Char('0')),
                sizeWithExcerpt(payload));
            break;
        }
        return end;
    }

} // namespace

void walkGif(QByteArrayView data, MetadataBlocks& blocks)
{
    const uchar* u = bytesOf(data);
    const qsizetype size = data.size();
    if (size < 13)
        return;
    qsizetype pos = 13;
    if (u[10] & 0x80)
        pos += 3 * (qsizetype(1) << ((u[10] & 7) + 1));
    while (pos < size) {
        const uchar introducer = u[pos];
        if (introducer == 0x3B) {
            reportTrailingData(data.sliced(pos + 1), blocks, 0);
            return;
        }
        if (introducer == 0x2C) {
            if (pos + 10 > size)
                return;
            const uchar packed = u[pos + 9];
            pos += 10;
            if (packed & 0x80)
                pos += 3 * (qsizetype(1) << ((packed & 7) + 1));
            pos = skipSubBlocks(data, pos + 1); // after the LZW minimum code size
            continue;
        }
        if (introducer != 0x21 || pos + 2 > size) {
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Data between blocks"),
                sizeWithExcerpt(data.sliced(pos, std::min<qsizetype>(size - pos, 4096))));
            return;
        }
        pos = readExtension(data, pos, blocks);
    }
}

} // namespace containers

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/ContainerWalksPrivate.h"
#include "engine/inspect/MetadataContainers.h"
#include "engine/metadata/ColorProfile.h"

#include <algorithm>
#include <cstring>

namespace containers {

// --- JPEG --------------------------------------------------------------------------------------------

/// The identifier an APPn segment starts with by convention ("Ducky", "FPXR", "MPF"): up to 24 printable
/// characters ended by a zero byte. Empty when the segment has none.
QByteArrayView segmentIdentifier(QByteArrayView payload)
{
    qsizetype length = 0;
    while (length < payload.size() && length < 24 && payload[length] >= 0x20 && payload[length] < 0x7F)
        ++length;
    return length >= 2 && length < payload.size() && payload[length] == 0 ? payload.first(length)
                                                                          : QByteArrayView();
}

/// Where the entropy-coded data that starts at \a pos ends: the next marker that is neither a stuffed
/// byte nor a restart marker, or the end of the data.
qsizetype endOfEntropyCodedData(QByteArrayView data, qsizetype pos)
{
    const uchar* u = bytesOf(data);
    const qsizetype size = data.size();
    while (pos < size) {
        const auto* found = static_cast<const uchar*>(std::memchr(u + pos, 0xFF, size_t(size - pos)));
        if (!found)
            return size;
        const qsizetype at = found - u;
        if (at + 1 >= size)
            return size;
        const uchar next = u[at + 1];
        if (next == 0x00 || (next >= 0xD0 && next <= 0xD7))
            pos = at + 2;
        else if (next == 0xFF)
            pos = at + 1;
        else
            return at;
    }
    return size;
}

struct ExtendedXmp
{
    quint32 fullLength = 0;
    QByteArray data;
    qsizetype received = 0;
};

qsizetype walkJpeg(QByteArrayView data, MetadataBlocks& blocks, int depth)
{
    const uchar* u = bytesOf(data);
    const qsizetype size = data.size();
    QList<QByteArrayView> iccChunks;
    QByteArray photoshop;
    std::map<QByteArray, ExtendedXmp> extended;
    qsizetype extendedBudget = size;
    qsizetype end = -1;
    qsizetype pos = 2;
    while (pos < size) {
        if (u[pos] != 0xFF) {
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Data between segments"),
                sizeWithExcerpt(data.sliced(pos, std::min<qsizetype>(size - pos, 4096))));
            break;
        }
        while (pos < size && u[pos] == 0xFF)
            ++pos;
        if (pos >= size)
            break;
        const uchar marker = u[pos++];
        if (marker == 0xD9) {
            end = pos;
            break;
        }
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7))
            continue;
        if (pos + 2 > size)
            break;
        const qsizetype length = readBE16(u + pos);
        if (length < 2 || pos + length > size)
            break; // a segment cut short: a truncated file, nothing more to follow
        const QByteArrayView payload = data.sliced(pos + 2, length - 2);
        pos += length;
        if (marker == 0xDA) {
            pos = endOfEntropyCodedData(data, pos);
            continue;
        }
        if (marker == 0xFE) {
            report(blocks, PersonalGroup::Text, QStringLiteral("Comment"),
                readableText(QString::fromUtf8(payload.data(), payload.size())));
            continue;
        }
        if (marker >= 0xF0 && marker <= 0xFD) {
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Reserved segment 0x%1").arg(marker, 2, 16),
                sizeWithExcerpt(payload));
            continue;
        }
        if (marker < 0xE0 || marker > 0xEF)
            continue; // frame, tables, restart interval: the image itself
        const int app = marker - 0xE0;
        if (app == 0 && payload.startsWith(QByteArrayView("JFIF\0", 5))) {
            if (payload.size() >= 14 && (payload[12] != 0 || payload[13] != 0))
                report(blocks, PersonalGroup::Hidden, QStringLiteral("Thumbnail (JFIF)"),
                    QStringLiteral("%1 x %2 pixels").arg(uchar(payload[12])).arg(uchar(payload[13])));
            continue;
        }
        if (app == 0 && payload.startsWith(QByteArrayView("JFXX\0", 5))) {
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Thumbnail (JFIF extension)"),
                byteCount(payload.size()));
            continue;
        }
        if (app == 1 && payload.startsWith(QByteArrayView("Exif\0", 5)) && payload.size() > 6) {
            blocks.exif.append(rawBytes(payload.sliced(6)));
            continue;
        }
        static constexpr QByteArrayView kXmp("http://ns.adobe.com/xap/1.0/\0", 29);
        static constexpr QByteArrayView kExtendedXmp("http://ns.adobe.com/xmp/extension/\0", 35);
        if (app == 1 && payload.startsWith(kXmp)) {
            blocks.xmp.append(rawBytes(payload.sliced(kXmp.size())));
            continue;
        }
        if (app == 1 && payload.startsWith(kExtendedXmp) && payload.size() >= kExtendedXmp.size() + 40) {
            // A GUID of 32 characters, the full length and this part's offset, then the part.
            const QByteArrayView part = payload.sliced(kExtendedXmp.size());
            ExtendedXmp& whole = extended[part.first(32).toByteArray()];
            const quint32 fullLength = readBE32(bytesOf(part) + 32);
            const quint32 offset = readBE32(bytesOf(part) + 36);
            const QByteArrayView piece = part.sliced(40);
            // The parts of all extended packets together cannot be longer than the file.
            if (whole.data.isEmpty() && fullLength <= quint64(extendedBudget)) {
                whole = { fullLength, QByteArray(qsizetype(fullLength), ' '), 0 };
                extendedBudget -= fullLength;
            }
            if (whole.fullLength == fullLength && quint64(offset) + quint64(piece.size()) <= fullLength) {
                std::memcpy(whole.data.data() + offset, piece.data(), size_t(piece.size()));
                whole.received += piece.size();
            }
            continue;
        }
        if (app == 2 && payload.startsWith(QByteArrayView("ICC_PROFILE\0", 12))) {
            iccChunks.append(payload);
            continue;
        }
        if (app == 13 && payload.startsWith(QByteArrayView("Photoshop 3.0\0", 14))) {
            photoshop.append(payload.sliced(14));
            continue;
        }
        if (app == 14 && payload.startsWith(QByteArrayView("Adobe")) && payload.size() == 12)
            continue; // the colour transform of CMYK and YCCK data
        const QByteArrayView identifier = segmentIdentifier(payload);
        const QString excerpt
            = printableExcerpt(payload.sliced(identifier.isEmpty() ? 0 : identifier.size() + 1));
        report(blocks, PersonalGroup::Hidden,
            identifier.isEmpty()
                ? QStringLiteral("APP%1 segment").arg(app)
                : QStringLiteral("APP%1 segment \"%2\"").arg(app).arg(QString::fromLatin1(identifier)),
            byteCount(payload.size()) + (excerpt.isEmpty() ? QString() : QStringLiteral(": ") + excerpt));
    }

    if (!iccChunks.isEmpty()) {
        // Chunks in file order; joinJpegIccChunks wants them in sequence, so sort by sequence number.
        std::stable_sort(iccChunks.begin(), iccChunks.end(), [](QByteArrayView a, QByteArrayView b) {
            return (a.size() > 12 ? uchar(a[12]) : 0) < (b.size() > 12 ? uchar(b[12]) : 0);
        });
        const QByteArray profile = joinJpegIccChunks(iccChunks);
        if (profile.isEmpty())
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Colour profile"),
                QStringLiteral("incomplete chain of %1 segments").arg(iccChunks.size()));
        else
            blocks.profiles.append(profile);
    }
    for (const auto& [guid, whole] : extended) {
        if (whole.received >= qsizetype(whole.fullLength) && whole.fullLength > 0)
            blocks.xmp.append(whole.data);
        else
            report(blocks, PersonalGroup::Hidden, QStringLiteral("Extended XMP"),
                QStringLiteral("incomplete, %1 of %2")
                    .arg(byteCount(whole.received), byteCount(whole.fullLength)));
    }
    if (!photoshop.isEmpty())
        walkPhotoshopResources(photoshop, blocks);

    if (end < 0)
        return size;
    if (depth == 0)
        reportTrailingData(data.sliced(end), blocks, depth);
    return end;
}

} // namespace containers

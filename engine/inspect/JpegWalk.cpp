// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/ContainerWalksPrivate.h"
#include "engine/inspect/MetadataContainers.h"
#include "engine/metadata/ColorProfile.h"

#include <QCoreApplication>

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

namespace {

    struct ExtendedXmp
    {
        quint32 fullLength = 0;
        QByteArray data;
        qsizetype received = 0;
    };

    /// The application segments (APPn) of one JPEG, read one by one, and what only their sum tells: the
    /// chunks of a colour profile, the Photoshop resources and the parts of extended XMP packets.
    class ApplicationSegments
    {
    public:
        explicit ApplicationSegments(qsizetype fileSize)
            : m_extendedBudget(fileSize)
        { }

        /// Reads the payload of an APP\a app segment.
        void read(int app, QByteArrayView payload, MetadataBlocks& blocks);
        /// Reports what the segments read make up together.
        void finish(MetadataBlocks& blocks);

    private:
        void readExtendedXmpPart(QByteArrayView part);

        QList<QByteArrayView> m_iccChunks;
        QByteArray m_photoshop;
        std::map<QByteArray, ExtendedXmp> m_extended;
        qsizetype
            m_extendedBudget; ///< the parts of all extended packets together are no longer than the file
    };

    void ApplicationSegments::read(int app, QByteArrayView payload, MetadataBlocks& blocks)
    {
        static constexpr QByteArrayView kXmp("http://ns.adobe.com/xap/1.0/\0", 29);
        static constexpr QByteArrayView kExtendedXmp("http://ns.adobe.com/xmp/extension/\0", 35);
        if (app == 0 && payload.startsWith(QByteArrayView("JFIF\0", 5))) {
            if (payload.size() >= 14 && (payload[12] != 0 || payload[13] != 0))
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "Thumbnail (JFIF)"),
                    QCoreApplication::translate("MetadataInspector", "%1 x %2 pixels")
                        .arg(uchar(payload[12]))
                        .arg(uchar(payload[13])));
        } else if (app == 0 && payload.startsWith(QByteArrayView("JFXX\0", 5))) {
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Thumbnail (JFIF extension)"),
                byteCount(payload.size()));
        } else if (app == 1 && payload.startsWith(QByteArrayView("Exif\0", 5)) && payload.size() > 6) {
            blocks.exif.append(rawBytes(payload.sliced(6)));
        } else if (app == 1 && payload.startsWith(kXmp)) {
            blocks.xmp.append(rawBytes(payload.sliced(kXmp.size())));
        } else if (app == 1 && payload.startsWith(kExtendedXmp)
            && payload.size() >= kExtendedXmp.size() + 40) {
            readExtendedXmpPart(payload.sliced(kExtendedXmp.size()));
        } else if (app == 2 && payload.startsWith(QByteArrayView("ICC_PROFILE\0", 12))) {
            m_iccChunks.append(payload);
        } else if (app == 13 && payload.startsWith(QByteArrayView("Photoshop 3.0\0", 14))) {
            m_photoshop.append(payload.sliced(14));
        } else if (!(app == 14 && payload.startsWith(QByteArrayView("Adobe")) && payload.size() == 12)) {
            // (Adobe's segment of 12 bytes is the colour transform of CMYK and YCCK data.)
            const QByteArrayView identifier = segmentIdentifier(payload);
            const QString excerpt
                = printableExcerpt(payload.sliced(identifier.isEmpty() ? 0 : identifier.size() + 1));
            report(blocks, PersonalGroup::Hidden,
                identifier.isEmpty()
                    ? QCoreApplication::translate("MetadataInspector", "APP%1 segment").arg(app)
                    : QCoreApplication::translate("MetadataInspector", "APP%1 segment \"%2\"")
                          .arg(app)
                          .arg(QString::fromLatin1(identifier)),
                byteCount(payload.size()) + (excerpt.isEmpty() ? QString() : QStringLiteral(": ") + excerpt));
        }
    }

    void ApplicationSegments::readExtendedXmpPart(QByteArrayView part)
    {
        // A GUID of 32 characters, the full length and this part's offset, then the part.
        ExtendedXmp& whole = m_extended[part.first(32).toByteArray()];
        const quint32 fullLength = readBE32(bytesOf(part) + 32);
        const quint32 offset = readBE32(bytesOf(part) + 36);
        const QByteArrayView piece = part.sliced(40);
        if (whole.data.isEmpty() && fullLength <= quint64(m_extendedBudget)) {
            whole = { fullLength, QByteArray(qsizetype(fullLength), ' '), 0 };
            m_extendedBudget -= fullLength;
        }
        if (whole.fullLength == fullLength && quint64(offset) + quint64(piece.size()) <= fullLength) {
            std::memcpy(whole.data.data() + offset, piece.data(), size_t(piece.size()));
            whole.received += piece.size();
        }
    }

    void ApplicationSegments::finish(MetadataBlocks& blocks)
    {
        if (!m_iccChunks.isEmpty()) {
            // Chunks in file order; joinJpegIccChunks wants them in sequence, so sort by sequence number.
            std::stable_sort(m_iccChunks.begin(), m_iccChunks.end(), [](QByteArrayView a, QByteArrayView b) {
                return (a.size() > 12 ? uchar(a[12]) : 0) < (b.size() > 12 ? uchar(b[12]) : 0);
            });
            const QByteArray profile = joinJpegIccChunks(m_iccChunks);
            if (profile.isEmpty())
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "Colour profile"),
                    QCoreApplication::translate("MetadataInspector", "incomplete chain of %1 segments")
                        .arg(m_iccChunks.size()));
            else
                blocks.profiles.append(profile);
        }
        for (const auto& [guid, whole] : m_extended) {
            if (whole.received >= qsizetype(whole.fullLength) && whole.fullLength > 0)
                blocks.xmp.append(whole.data);
            else
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "Extended XMP"),
                    QCoreApplication::translate("MetadataInspector", "incomplete, %1 of %2")
                        .arg(byteCount(whole.received), byteCount(whole.fullLength)));
        }
        if (!m_photoshop.isEmpty())
            walkPhotoshopResources(m_photoshop, blocks);
    }

    /// Reads a segment other than an APPn or the start of a scan; \a payload follows its length.
    void readOtherSegment(uchar marker, QByteArrayView payload, MetadataBlocks& blocks)
    {
        if (marker == 0xFE) {
            report(blocks, PersonalGroup::Text, QCoreApplication::translate("MetadataInspector", "Comment"),
                readableText(QString::fromUtf8(payload.data(), payload.size())));
        } else if (marker >= 0xF0 && marker <= 0xFD) {
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Reserved segment 0x%1").arg(marker, 2, 16),
                sizeWithExcerpt(payload));
        }
        // Anything else is the frame, the tables or the restart interval: the image itself.
    }

} // namespace

qsizetype walkJpeg(QByteArrayView data, MetadataBlocks& blocks, int depth)
{
    const uchar* u = bytesOf(data);
    const qsizetype size = data.size();
    ApplicationSegments applications(size);
    qsizetype end = -1;
    qsizetype pos = 2;
    while (pos < size) {
        if (u[pos] != 0xFF) {
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Data between segments"),
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
        if (marker == 0xDA)
            pos = endOfEntropyCodedData(data, pos);
        else if (marker >= 0xE0 && marker <= 0xEF)
            applications.read(marker - 0xE0, payload, blocks);
        else
            readOtherSegment(marker, payload, blocks);
    }
    applications.finish(blocks);

    if (end < 0)
        return size;
    if (depth == 0)
        reportTrailingData(data.sliced(end), blocks, depth);
    return end;
}

} // namespace containers

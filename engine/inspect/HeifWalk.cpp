// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/ContainerWalksPrivate.h"
#include "engine/inspect/HeifCodedData.h"
#include "engine/inspect/MetadataContainers.h"
#include "engine/structure/HeifBoxes.h"

#include <QCoreApplication>

#include <algorithm>
#include <set>

namespace containers {

// --- HEIF (HEIC, AVIF) -------------------------------------------------------------------------------

/// Metadata items above this size are not read (no Exif or XMP item of a photo comes near it).
constexpr quint64 kMaxHeifMetadataItem = 16 << 20;

QString fourCCName(quint32 type)
{
    QString name;
    for (const int shift : { 24, 16, 8, 0 }) {
        const uchar c = uchar(type >> shift);
        name.append(c >= 0x20 && c < 0x7F ? QChar(c) : QChar(u'?'));
    }
    return name;
}

bool isHeifImageType(quint32 type)
{
    static const std::set<quint32> kImageTypes
        = { fourCC("hvc1"), fourCC("av01"), fourCC("grid"), fourCC("iovl"), fourCC("iden"), fourCC("jpeg"),
              fourCC("avc1"), fourCC("unci"), fourCC("j2k1"), fourCC("vvc1") };
    return kImageTypes.contains(type);
}

/// The TIFF structure of a HEIF Exif item: after a 4-byte offset to the TIFF header (usually past
/// "Exif\0\0"). Empty when the item holds none.
QByteArrayView tiffOfHeifExif(QByteArrayView item)
{
    if (item.size() < 4)
        return {};
    const quint32 offset = readBE32(bytesOf(item));
    const auto isTiff = [](QByteArrayView at) {
        return at.startsWith(QByteArrayView("II*\0", 4)) || at.startsWith(QByteArrayView("MM\0*", 4));
    };
    if (quint64(offset) + 4 < quint64(item.size()) && isTiff(item.sliced(4 + offset)))
        return item.sliced(4 + offset);
    // Writers disagree on what the offset counts: look for the header near the start instead.
    for (qsizetype at = 4; at < std::min<qsizetype>(item.size() - 4, 64); ++at) {
        if (isTiff(item.sliced(at)))
            return item.sliced(at);
    }
    return {};
}

bool looksLikeXmp(QByteArrayView data)
{
    return data.indexOf("<x:xmpmeta") >= 0 || data.indexOf("<?xpacket") >= 0 || data.indexOf("rdf:RDF") >= 0;
}

/// The zero-ended strings of a HEIF 'udes' property (language, name, description, tags), joined.
QString heifDescription(QByteArrayView payload)
{
    QStringList texts;
    qsizetype pos = 4; // version and flags
    for (int i = 0; i < 4 && pos < payload.size(); ++i) {
        qsizetype end = payload.indexOf('\0', pos);
        if (end < 0)
            end = payload.size();
        if (i > 0 && end > pos)
            texts.append(readableText(QString::fromUtf8(payload.sliced(pos, end - pos))));
        pos = end + 1;
    }
    texts.removeAll(QString());
    return texts.join(QStringLiteral("; "));
}

namespace {

    /// The top-level boxes, whole ones only (the structure walk has checked their sizes): boxes outside the
    /// standard ones, and free space that holds more than padding.
    void walkHeifTopLevelBoxes(QByteArrayView data, qsizetype boxesEnd, MetadataBlocks& blocks)
    {
        qsizetype pos = 0;
        while (pos + 8 <= boxesEnd) {
            quint64 size = readBE32(bytesOf(data) + pos);
            const quint32 type = readBE32(bytesOf(data) + pos + 4);
            qsizetype header = 8;
            if (size == 1 && pos + 16 <= boxesEnd) {
                size = quint64(readBE32(bytesOf(data) + pos + 8)) << 32 | readBE32(bytesOf(data) + pos + 12);
                header = 16;
            } else if (size == 0) {
                size = quint64(boxesEnd - pos);
            }
            if (size < quint64(header) || size > quint64(boxesEnd - pos))
                break;
            const QByteArrayView payload = data.sliced(pos + header, qsizetype(size) - header);
            if (type == fourCC("moov"))
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "Image sequence"),
                    byteCount(payload.size()));
            else if ((type == fourCC("free") || type == fourCC("skip")) && !isPadding(payload))
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "Box '%1'").arg(fourCCName(type)),
                    sizeWithExcerpt(payload));
            else if (type != fourCC("ftyp") && type != fourCC("meta") && type != fourCC("mdat")
                && type != fourCC("free") && type != fourCC("skip"))
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "Box '%1'").arg(fourCCName(type)),
                    sizeWithExcerpt(payload));
            pos += qsizetype(size);
        }
    }

    /// What lies after the boxes and the data the items name: a box that runs past the end of the file, or
    /// bytes that are no box at all.
    void reportHeifTail(QByteArrayView tail, MetadataBlocks& blocks)
    {
        // A box's header: a size that is no text and a type of letters, digits and spaces.
        const auto isText = [](char c) { return c >= 0x20 && c < 0x7F; };
        const auto isTypeCharacter = [](char c) {
            return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ';
        };
        const bool startsLikeABox = tail.size() >= 8 && !std::all_of(tail.begin(), tail.begin() + 4, isText)
            && std::all_of(tail.begin() + 4, tail.begin() + 8, isTypeCharacter);
        if (startsLikeABox)
            reportTrailingData(tail, blocks, 0,
                QCoreApplication::translate("MetadataInspector", "beginning like a box '%1'")
                    .arg(fourCCName(readBE32(bytesOf(tail) + 4))),
                8);
        else
            reportTrailingData(tail, blocks, 0);
    }

    const HeifProperty* propertyOf(const HeifStructure& s, const HeifItem& item, quint32 type)
    {
        for (const int index : item.properties) {
            if (index >= 0 && size_t(index) < s.properties.size() && s.properties[size_t(index)].type == type)
                return &s.properties[size_t(index)];
        }
        return nullptr;
    }

    /// An image's size as its 'ispe' property states it; empty when it has none.
    QString statedSize(const HeifStructure& s, const HeifItem& item)
    {
        const HeifProperty* ispe = propertyOf(s, item, fourCC("ispe"));
        if (!ispe || ispe->payload.size() < 12)
            return QString();
        return QCoreApplication::translate("MetadataInspector", "%1 × %2 pixels")
            .arg(readBE32(bytesOf(ispe->payload) + 4))
            .arg(readBE32(bytesOf(ispe->payload) + 8));
    }

    /// Reports thumbnails and auxiliary images other than alpha, and returns the items that are parts of
    /// other images (grid tiles, overlay inputs), alpha channels, thumbnails and other auxiliary images: none
    /// of them is a picture of its own.
    std::set<quint32> reportHeifImageParts(const HeifStructure& s, MetadataBlocks& blocks)
    {
        std::set<quint32> parts;
        for (const HeifReference& reference : s.references) {
            if (reference.type == fourCC("dimg") || reference.type == fourCC("base"))
                parts.insert(reference.to.begin(), reference.to.end());
            if (reference.type != fourCC("thmb") && reference.type != fourCC("auxl"))
                continue;
            parts.insert(reference.from);
            const auto item = s.items.find(reference.from);
            if (item == s.items.end())
                continue;
            const QString size = statedSize(s, item->second);
            if (reference.type == fourCC("thmb")) {
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "Thumbnail"),
                    size.isEmpty() ? QCoreApplication::translate("MetadataInspector", "an embedded preview")
                                   : size);
                continue;
            }
            const HeifProperty* auxC = propertyOf(s, item->second, fourCC("auxC"));
            QByteArrayView type;
            if (auxC && auxC->payload.size() > 4) {
                type = auxC->payload.sliced(4);
                type = type.first(
                    std::max<qsizetype>(0, type.indexOf('\0') < 0 ? type.size() : type.indexOf('\0')));
            }
            if (isHeifAlphaType(type))
                continue;
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Auxiliary image"),
                (type.isEmpty() ? QCoreApplication::translate("MetadataInspector", "of no stated kind")
                                : readableText(QString::fromLatin1(type)))
                    + (size.isEmpty() ? QString() : QStringLiteral(", ") + size));
        }
        return parts;
    }

    /// Reads a metadata item: Exif, XMP (a 'mime' item that holds it) or any other.
    void readHeifMetadataItem(
        QByteArrayView data, const HeifStructure& s, const HeifItem& item, MetadataBlocks& blocks)
    {
        QString ignored;
        const std::optional<QByteArray> bytes
            = heifItemData(s, item, std::min<quint64>(kMaxHeifMetadataItem, quint64(data.size())), &ignored);
        if (!bytes) {
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Metadata item"),
                QCoreApplication::translate("MetadataInspector", "'%1', whose data lies outside the file")
                    .arg(fourCCName(item.type)));
            return;
        }
        if (item.type == fourCC("Exif")) {
            const QByteArrayView tiff = tiffOfHeifExif(*bytes);
            if (!tiff.isEmpty())
                blocks.exif.append(QByteArray(tiff.data(), tiff.size()));
            else if (!bytes->isEmpty())
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "EXIF item"), sizeWithExcerpt(*bytes));
        } else if (item.type == fourCC("mime") && looksLikeXmp(*bytes)) {
            blocks.xmp.append(QByteArray(bytes->constData(), bytes->size()));
        } else if (!bytes->isEmpty()) {
            report(blocks, PersonalGroup::Hidden,
                QCoreApplication::translate("MetadataInspector", "Metadata item '%1'")
                    .arg(fourCCName(item.type).trimmed()),
                sizeWithExcerpt(*bytes));
        }
    }

    /// The items: metadata, and images beside the primary one that are no part of another.
    void readHeifItems(QByteArrayView data, const HeifStructure& s, MetadataBlocks& blocks)
    {
        const std::set<quint32> parts = reportHeifImageParts(s, blocks);
        for (const auto& [id, item] : s.items) {
            if (item.type == fourCC("Exif") || item.type == fourCC("mime") || item.type == fourCC("uri "))
                readHeifMetadataItem(data, s, item, blocks);
            else if (id != s.primary && !parts.contains(id) && isHeifImageType(item.type))
                report(blocks, PersonalGroup::Hidden,
                    QCoreApplication::translate("MetadataInspector", "Another image"),
                    QCoreApplication::translate("MetadataInspector", "item %1 ('%2')")
                        .arg(id)
                        .arg(fourCCName(item.type)));
        }
    }

    /// The properties: colour profiles and descriptions.
    void readHeifProperties(const HeifStructure& s, MetadataBlocks& blocks)
    {
        for (const HeifProperty& property : s.properties) {
            if (property.type == fourCC("colr") && property.payload.size() > 4
                && (property.payload.startsWith("prof") || property.payload.startsWith("rICC")))
                blocks.profiles.append(QByteArray(property.payload.data() + 4, property.payload.size() - 4));
            else if (property.type == fourCC("udes")) {
                const QString text = heifDescription(property.payload);
                if (!text.isEmpty())
                    report(blocks, PersonalGroup::Text,
                        QCoreApplication::translate("MetadataInspector", "Description (HEIF)"), text);
            }
        }
    }

} // namespace

/// Walks a HEIF file: its metadata items (Exif, XMP and any other), thumbnails and auxiliary images
/// other than alpha, images beside the primary one, colour profiles and descriptions, boxes outside the
/// standard ones and data after the last box. The item structure is read by the engine's own HEIF walk,
/// which follows every item location kind libheif writes. False, with the reason, when that structure
/// cannot be read.
bool walkHeif(QByteArrayView data, MetadataBlocks& blocks, QString* reason)
{
    QString why;
    const std::optional<HeifStructure> structure = readHeifStructure(data, &why);
    if (!structure) {
        *reason = why.isEmpty() ? QCoreApplication::translate("MetadataInspector", "not a HEIF image") : why;
        return false;
    }
    walkHeifTopLevelBoxes(data, structure->boxesEnd, blocks);
    reportHeifTail(data.sliced(heifDataEnd(*structure)), blocks);
    readHeifItems(data, *structure, blocks);
    reportHeifCodedMetadata(*structure, blocks);
    readHeifProperties(*structure, blocks);
    return true;
}

} // namespace containers

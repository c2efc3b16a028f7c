// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// HEIF files written box by box for the tests: coded images taken from small files that libheif encodes,
// then put together with whatever a test plants around them (metadata items, thumbnails, auxiliary
// images, supplemental NAL units, AV1 metadata OBUs, boxes and bytes outside the image), or with the
// damage a hostile file carries. Independent of the engine's HEIF code.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QtGlobal>

#include <optional>
#include <vector>

/// Every text the tests plant starts with this: none of it may reach a clean copy.
inline const QByteArray kPlantPrefix = "MORVANE-PLANT";

/// One coded image as a HEIF item holds it.
struct CodedImage
{
    QByteArray type; ///< "hvc1" or "av01"
    QByteArray configuration; ///< the payload of its 'hvcC' or 'av1C' box
    QByteArray data; ///< the item's data
    quint32 width = 0;
    quint32 height = 0;
};

/// A test pattern of \a width x \a height (gradients and a diagonal, varied by \a seed): no turn or mirror
/// of it looks like itself.
[[nodiscard]] QImage testPattern(int width, int height, int seed);

/// \a image encoded by libheif (x265 or aom, 4:2:0, 8 bits) and taken out of the file it writes. Empty
/// data when encoding failed.
[[nodiscard]] CodedImage encodeCodedImage(const QImage& image, bool av1);

/// A prefix SEI NAL unit with user data that holds \a text.
[[nodiscard]] QByteArray seiUserDataNal(const QByteArray& text);
/// \a configuration (an 'hvcC' payload) with one more array holding \a nal.
[[nodiscard]] QByteArray hvcCWithNal(const QByteArray& configuration, const QByteArray& nal);
/// \a data (length-prefixed NAL units, \a lengthSize bytes each) with \a nal put first.
[[nodiscard]] QByteArray withNalFirst(const QByteArray& data, const QByteArray& nal, int lengthSize = 4);
/// An AV1 metadata OBU (ITU-T T.35) that holds \a text.
[[nodiscard]] QByteArray av1MetadataObu(const QByteArray& text);
/// \a obus (an AV1 OBU stream) with \a obu put after the first OBU.
[[nodiscard]] QByteArray withObuSecond(const QByteArray& obus, const QByteArray& obu);
/// \a configuration (an 'av1C' payload) with \a obu added to its configuration OBUs.
[[nodiscard]] QByteArray av1CWithObu(const QByteArray& configuration, const QByteArray& obu);

/// A HEIF Exif item's data: the offset field, "Exif\0\0" and a TIFF structure whose IFD0 holds Artist
/// \a artist and whose GPS directory holds a latitude.
[[nodiscard]] QByteArray exifItem(const QByteArray& artist);
/// An XMP packet with dc:creator \a creator.
[[nodiscard]] QByteArray xmpPacket(const QByteArray& creator);

/// Payloads of property boxes (full-box version and flags included where the box has them).
[[nodiscard]] QByteArray ispePayload(quint32 width, quint32 height);
[[nodiscard]] QByteArray auxCPayload(const QByteArray& urn);
[[nodiscard]] QByteArray colrProfilePayload(const QByteArray& icc);
[[nodiscard]] QByteArray colrNclxPayload(int primaries, int transfer, int matrix, bool fullRange);
/// The grid description of \a rows x \a columns tiles making an image of \a width x \a height.
[[nodiscard]] QByteArray gridDescription(int rows, int columns, quint32 width, quint32 height);

/// Builds a HEIF file: 'ftyp', 'meta' ('hdlr', 'pitm', 'iinf', 'iref', 'iprp', 'iloc', 'idat'), the boxes
/// added after it, one 'mdat' with the items' data in the order they were added, and trailing bytes.
class HeifFileBuilder
{
public:
    explicit HeifFileBuilder(QByteArray majorBrand = "heic", QList<QByteArray> brands = { "mif1", "heic" });

    /// Adds an item with \a data in 'mdat' (or in 'idat'); returns its id.
    quint32 addItem(const QByteArray& type, const QByteArray& data, bool hidden = false, bool inIdat = false);
    /// An item of type 'mime' with content type \a contentType.
    quint32 addMimeItem(const QByteArray& contentType, const QByteArray& data);
    /// Replaces item \a id's location by extents at offsets relative to the start of the 'mdat' data (they
    /// may lie anywhere, inside or outside the file).
    void setExtents(quint32 id, const std::vector<std::pair<qint64, quint64>>& extents);
    /// Adds a property box; returns its index (1-based, as 'ipma' counts).
    int addProperty(const QByteArray& type, const QByteArray& payload);
    void associate(quint32 item, int property, bool essential = false);
    void reference(const QByteArray& type, quint32 from, const std::vector<quint32>& to);
    void setPrimary(std::optional<quint32> id) { m_primary = id; }
    /// A box inside 'meta' after the standard ones.
    void addMetaBox(const QByteArray& type, const QByteArray& payload);
    /// A top-level box between 'meta' and 'mdat'.
    void addBox(const QByteArray& type, const QByteArray& payload);
    void setTrailing(const QByteArray& bytes) { m_trailing = bytes; }

    /// A coded image as an item with its configuration and size properties; returns its id.
    quint32 addCodedImage(const CodedImage& image, bool hidden = false);

    [[nodiscard]] QByteArray build() const;

private:
    struct Item
    {
        quint32 id = 0;
        QByteArray type;
        QByteArray contentType;
        QByteArray data;
        bool hidden = false;
        bool inIdat = false;
        std::optional<std::vector<std::pair<qint64, quint64>>> extents;
        std::vector<std::pair<int, bool>> properties;
    };
    struct Reference
    {
        QByteArray type;
        quint32 from = 0;
        std::vector<quint32> to;
    };

    [[nodiscard]] QByteArray meta(qint64 mdatData) const;

    QByteArray m_major;
    QList<QByteArray> m_brands;
    std::vector<Item> m_items;
    std::vector<QByteArray> m_properties;
    std::vector<Reference> m_references;
    std::vector<QByteArray> m_metaBoxes;
    std::vector<QByteArray> m_boxes;
    std::optional<quint32> m_primary;
    QByteArray m_trailing;
};

/// A box: its 32-bit size, \a type and \a payload.
[[nodiscard]] QByteArray box(const QByteArray& type, const QByteArray& payload);

/// The top-level boxes of \a file as (type, size); the last entry's type is "?" when bytes are left over
/// that are no whole box.
[[nodiscard]] std::vector<std::pair<QByteArray, quint64>> topLevelBoxes(const QByteArray& file);

/// What libheif's decoder makes of a file: the primary image's pixels as interleaved RGB(A) rows and
/// what else it finds.
struct Decoded
{
    bool ok = false;
    int width = 0;
    int height = 0;
    bool alpha = false;
    QByteArray pixels;
    int topLevelImages = 0;
    int thumbnails = 0;
    int auxiliaryOtherThanAlpha = 0;
    bool depth = false;
    int metadataBlocks = 0;
};

/// \a file decoded by libheif with its transforms applied; ok false when it cannot be decoded.
[[nodiscard]] Decoded decodeWithLibheif(const QByteArray& file);

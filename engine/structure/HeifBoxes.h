// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The structure of a HEIF file (HEIC, AVIF) read with bounds checks on every field, without libheif: the
// boxes, the items of the 'meta' box and how they relate, and the check that the primary image can be
// decoded within a pixel bound. The HEIF reader checks every file with it before libheif sees the data;
// the metadata inspector walks a file's items with it.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>

#include <map>
#include <optional>
#include <vector>

/// How a HEIF file codes its primary image.
enum class HeifCoding { HEVC, AV1 };

constexpr quint32 fourCC(const char (&name)[5])
{
    return quint32(uchar(name[0])) << 24 | quint32(uchar(name[1])) << 16 | quint32(uchar(name[2])) << 8
        | quint32(uchar(name[3]));
}

/// The part of an item's data in one extent: absolute in the file, or in the 'idat' box.
struct HeifExtent
{
    quint64 offset = 0;
    quint64 length = 0;
};

/// One item of the file's 'meta' box, as 'iinf', 'iloc' and 'ipma' describe it.
struct HeifItem
{
    quint32 id = 0;
    quint32 type = 0;
    bool hidden = false;
    bool located = false; ///< 'iloc' has an entry for it
    int constructionMethod = 0; ///< 0 file offsets, 1 'idat' offsets, 2 item offsets (unsupported)
    std::vector<HeifExtent> extents;
    std::vector<int> properties; ///< indexes into HeifStructure::properties, in the order 'ipma' gives
    std::vector<bool> essential; ///< for each of properties: whether a reader must understand it
};

/// A property box of the 'ipco' container: its type and its payload (the bytes after the box header).
struct HeifProperty
{
    quint32 type = 0;
    QByteArrayView payload;
};

/// One 'iref' entry: \a from refers to each of \a to by \a type ('dimg', 'auxl', 'thmb', 'cdsc'...).
struct HeifReference
{
    quint32 type = 0;
    quint32 from = 0;
    std::vector<quint32> to;
};

/// The items of a HEIF file and how they relate, read with bounds checks on every field.
struct HeifStructure
{
    QByteArrayView file;
    quint32 primary = 0;
    std::map<quint32, HeifItem> items;
    std::vector<HeifProperty> properties;
    std::vector<HeifReference> references;
    QByteArrayView idat;
    /// Where the last whole top-level box ends: bytes after it (that are no item's data) are no part of
    /// the image.
    qsizetype boxesEnd = 0;
};

/// Reads the box structure of the HEIF file \a file: 'ftyp' must come first and name a HEIF brand, and
/// one 'meta' box must hold a primary item. The structure ends at the first box that runs past the end
/// of the file or has no name for a type, once the 'meta' box was read (the file is cut short before);
/// what follows is data after the image. Null with the reason in \a reason otherwise. Views into
/// \a file, which must outlive the result.
[[nodiscard]] std::optional<HeifStructure> readHeifStructure(QByteArrayView file, QString* reason);

/// Where the image's data ends in the file: after the last whole top-level box or the furthest byte an
/// item's extents name in the file, whichever lies further. The bytes after it are data after the image,
/// never read by the decoder.
[[nodiscard]] qsizetype heifDataEnd(const HeifStructure& structure);

/// The data of \a item: a view into the file when it lies in one extent, else a copy of its extents. Null
/// with the reason in \a reason when an extent lies outside the file (or 'idat'), the item has no location
/// or one of a kind not read here, or the data is longer than \a maxBytes.
[[nodiscard]] std::optional<QByteArray> heifItemData(
    const HeifStructure& structure, const HeifItem& item, quint64 maxBytes, QString* reason);

/// Whether an auxiliary image of the type \a auxiliaryType (an 'auxC' URN) is an alpha channel.
[[nodiscard]] bool isHeifAlphaType(QByteArrayView auxiliaryType);

/// What decoding the primary image involves, as far as the structure tells.
struct HeifDecodingPlan
{
    HeifCoding coding = HeifCoding::HEVC;
    int chromaFormat = 1; ///< of the coded images: 0 monochrome, 1 4:2:0, 2 4:2:2, 3 4:4:4
    int bitDepth = 8;
    bool sameCodingEverywhere = true; ///< every coded image has the coding, chroma and depth above
    bool hasAlpha = false;
};

/// Checks that the primary image of \a structure can be decoded within \a maxPixels: the data of every
/// item lies inside the file, and every image the primary image is made of (grid tiles, overlay and
/// identity inputs, alpha) exists, references no item that refers back to it, nests at most a few levels
/// deep, is coded with HEVC or AV1 (or derived from such images), and states (ispe, grid and overlay sizes)
/// and codes (the HEVC sequence parameter sets and AV1 sequence headers, in the configuration and in the
/// data) sizes whose pixels stay within \a maxPixels each and within twice that together. Null with the
/// reason in \a reason otherwise.
[[nodiscard]] std::optional<HeifDecodingPlan> checkHeifPrimaryImage(
    const HeifStructure& structure, qint64 maxPixels, QString* reason);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The container walks of the metadata inspector: each follows one format's structure (JPEG segments,
// PNG chunks, GIF blocks, TIFF directories, BMP headers, HEIF boxes and items, WebP chunks) without decoding
// pixels, hands the metadata blocks it meets to MetadataBlocks for Exiv2, and reports by itself what Exiv2
// never sees: comments, text chunks, thumbnails, unknown segments, chunks and extensions, and data after the
// end of the image. Private to the inspector (engine/MetadataInspector.cpp).

#include "engine/inspect/MetadataInspector.h"

#include <QByteArrayView>

#include <vector>

/// Walks \a data as the container its first bytes name and fills \a blocks. False, with the reason in
/// \a reason, when the bytes are no container the inspector knows or a HEIF file whose item structure
/// cannot be read.
[[nodiscard]] bool walkImageContainer(QByteArrayView data, MetadataBlocks& blocks, QString* reason);

/// The role in which a walk of a TIFF structure reached a directory. The same bytes may be named in
/// several roles (a GPS directory also named as the interoperability directory); each role is read for
/// what it is.
enum class TiffRole { Page, SubImage, Exif, Gps, Interoperability };

/// One entry of a TIFF directory: its tag, type and count, and the bytes of its values in the structure's
/// byte order (empty when they do not lie inside the data).
struct TiffEntry
{
    quint16 tag = 0;
    quint16 type = 0;
    quint32 count = 0;
    QByteArrayView value;
};

/// A directory as the walk reached it, and the way there: the page it belongs to (0 for the first
/// image directory, IFD0), the role of the directory that named it (a page's predecessor is a page), and
/// whether a sub-image directory (tag 330) lies on the way.
struct TiffDirectory
{
    TiffRole role = TiffRole::Page;
    int page = 0;
    TiffRole namedBy = TiffRole::Page;
    bool underSubImage = false;
    std::vector<TiffEntry> entries;
};

/// What a walk of a TIFF structure found. The walk reaches every directory by (offset, role): the page
/// chain, sub-images and their chains, and the Exif, GPS and interoperability directories, whichever
/// directory names them (pages, sub-images, Exif and interoperability directories all may). Each role has
/// a budget of its own and all of them together a budget of entries, so that loops in the pointers and
/// huge counts end the walk early; what is then left unread makes the walk incomplete.
struct TiffWalk
{
    /// A tag outside what describes the pixels, their resolution and orientation in a page, sub-image or
    /// Exif directory, any tag but the version in a GPS directory, a directory that runs past the data,
    /// or (an EXIF block) a second page, which holds a thumbnail.
    bool metadata = false;
    /// Directories were left unread: more of them, or of their entries, than the budgets allow, or a
    /// directory that runs past the data.
    bool incomplete = false;
    bool littleEndian = false;
    /// Every directory reached as a GPS directory, with its entries, in the order they were reached.
    std::vector<TiffDirectory> gps;
    /// The page, sub-image and Exif directories that hold metadata, with their entries.
    std::vector<TiffDirectory> described;
    /// Colour profiles (tag 34675) and Photoshop resources (tag 34377) of a whole file's pages.
    QList<QByteArray> profiles;
    QList<QByteArray> photoshopResources;
};

/// Walks the directories of the TIFF structure in \a tiff: a whole TIFF file (\a wholeFile) or an EXIF
/// block. Cheap: it reads the directories only, so that a clean file never reaches Exiv2.
[[nodiscard]] TiffWalk walkTiffStructure(QByteArrayView tiff, bool wholeFile);

/// Tags of a TIFF image directory that describe the pixels, their layout, resolution and orientation.
[[nodiscard]] bool isTiffPixelTag(quint32 tag);
/// Tags of the Exif directory that describe the pixels only (versions, component order, colour space,
/// pixel dimensions) and the pointer to the interoperability directory.
[[nodiscard]] bool isExifPixelTag(quint32 tag);

/// The findings of the walk itself for a colour profile: nothing for a well-known standard profile
/// (isStandardColorProfile) or one whose texts name only colour spaces and profile makers; else a Hidden
/// field for each text that names something else (a person, a device; a registered tag of a text type is
/// read as text whatever its signature), each private or device tag, data hidden outside the tags and a
/// profile ID that is not the profile's checksum. The numbers of colour tags are not judged: a profile
/// with no findings is not thereby proven clean (which is why every profile a writer sees is rebuilt).
[[nodiscard]] std::vector<InspectedField> colourProfileFindings(const QByteArray& profile);

/// \a text made fit for one line of a list: control characters become spaces, runs of spaces one, and
/// text beyond \a limit characters is cut with an ellipsis.
[[nodiscard]] QString readableText(const QString& text, qsizetype limit = 300);

/// Text a person can read from arbitrary bytes: the runs of at least four printable ASCII characters,
/// joined by spaces, at most \a limit characters.
[[nodiscard]] QString printableExcerpt(QByteArrayView bytes, qsizetype limit = 160);

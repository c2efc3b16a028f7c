// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The container walks of the metadata inspector: each follows one format's structure (JPEG segments,
// PNG chunks, GIF blocks, TIFF directories, BMP headers, HEIF boxes and items, WebP chunks) without decoding
// pixels, hands the metadata blocks it meets to MetadataBlocks for Exiv2, and reports by itself what Exiv2
// never sees: comments, text chunks, thumbnails, unknown segments, chunks and extensions, and data after the
// end of the image. Private to the inspector (engine/MetadataInspector.cpp).

#include "engine/MetadataInspector.h"

#include <QByteArrayView>

/// Walks \a data as the container its first bytes name and fills \a blocks. False, with the reason in
/// \a reason, when the bytes are no container the inspector knows or a HEIF file whose item structure
/// cannot be read.
[[nodiscard]] bool walkImageContainer(QByteArrayView data, MetadataBlocks& blocks, QString* reason);

/// Whether the TIFF structure in \a tiff holds anything beyond what describes the pixels, their
/// resolution and orientation: a tag outside that set in any directory it reaches (every page, SubIFDs,
/// the Exif and GPS directories), or, for an EXIF block (\a wholeFile false), a second directory (a
/// thumbnail). Colour profiles (tag 34675) of a whole file are appended to \a profiles. Cheap: it reads
/// the directories only, so that a clean file never reaches Exiv2.
[[nodiscard]] bool tiffHoldsMetadata(QByteArrayView tiff, bool wholeFile, QList<QByteArray>* profiles);

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

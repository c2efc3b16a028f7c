// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the inspector's container walks share: bounded byte reads, the way a finding is reported, zlib
// inflation within budgets, Photoshop resources and data after the end of an image (both met in several
// containers), and the walk of each container. Private to engine/inspect/.

#include "engine/inspect/MetadataInspector.h"
#include "engine/structure/ByteOrder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

namespace containers {

/// Images embedded in an image (a second JPEG after the end of the first) are walked to this depth only.
inline constexpr int kMaxEmbeddingDepth = 1;
/// At most this many embedded images are walked in one image's trailing data.
inline constexpr int kMaxEmbeddedImages = 8;
/// Of data that is shown as an excerpt, at most this much is looked at.
inline constexpr qsizetype kMaxExcerptSource = 64 << 10;
/// Compressed PNG texts and profiles are inflated up to this size each (a longer text is read in part),
/// and up to the second size in all for one file: a file of many small chunks that inflate to huge texts
/// must not keep the list's reader busy for minutes.
inline constexpr qsizetype kMaxInflatedSize = 16 << 20;
inline constexpr qsizetype kMaxInflatedPerFile = 64 << 20;

[[nodiscard]] const uchar* bytesOf(QByteArrayView data);
[[nodiscard]] inline quint16 readBE16(const uchar* p)
{
    return byteorder::read16(p, false);
}
[[nodiscard]] inline quint32 readBE32(const uchar* p)
{
    return byteorder::read32(p, false);
}
[[nodiscard]] inline quint16 readLE16(const uchar* p)
{
    return byteorder::read16(p, true);
}
[[nodiscard]] inline quint32 readLE32(const uchar* p)
{
    return byteorder::read32(p, true);
}
/// \a data as a byte array that refers to it without copying: for blocks of the inspected data, which
/// outlives the blocks.
[[nodiscard]] QByteArray rawBytes(QByteArrayView data);
void report(MetadataBlocks& blocks, PersonalGroup group, const QString& name, const QString& value);
[[nodiscard]] QString byteCount(qsizetype count);
/// "N bytes" with what can be read of them.
[[nodiscard]] QString sizeWithExcerpt(QByteArrayView bytes);
/// Whether \a bytes are zeros or 0xFF only, as writers pad.
[[nodiscard]] bool isPadding(QByteArrayView bytes);
/// Inflates a zlib stream, at most \a limit bytes of it. Null when the stream is damaged before its end
/// or longer than the limit and \a whole is asked for.
[[nodiscard]] std::optional<QByteArray> inflateZlib(
    QByteArrayView compressed, bool whole, qsizetype limit = kMaxInflatedSize);

/// Walks a block of Photoshop image resources (copying what it keeps: the block may be a joined copy
/// that does not outlive the walk): IPTC (unless \a iptcElsewhere: Exiv2 reads the IPTC of a TIFF
/// file's resources itself), EXIF, XMP and a profile go to their blocks; thumbnails and every other resource
/// except the resolution and the IPTC digest are reported as hidden.
void walkPhotoshopResources(QByteArrayView resources, MetadataBlocks& blocks, bool iptcElsewhere = false);

/// Data after the end of an image: padding is left alone, JPEG images in it are walked as embedded
/// images, and the rest is reported with what can be read of it. \a kind, when given, says what the data
/// begins with, and its first \a header bytes are left out of the excerpt.
void reportTrailingData(
    QByteArrayView tail, MetadataBlocks& blocks, int depth, const QString& kind = {}, qsizetype header = 0);

/// Walks the JPEG in \a data and returns where it ends (after its end-of-image marker, or the size of the
/// data when it has none). Data after the end is reported at depth 0 only: an embedded image's end is
/// where its container's trailing data goes on.
qsizetype walkJpeg(QByteArrayView data, MetadataBlocks& blocks, int depth);
void walkPng(QByteArrayView data, MetadataBlocks& blocks);
void walkGif(QByteArrayView data, MetadataBlocks& blocks);
void walkTiff(QByteArrayView data, MetadataBlocks& blocks);
void walkBmp(QByteArrayView data, MetadataBlocks& blocks);
/// Walks a HEIF file's items, properties and boxes. False, with the reason, when its item structure
/// cannot be read.
[[nodiscard]] bool walkHeif(QByteArrayView data, MetadataBlocks& blocks, QString* reason);
void walkWebp(QByteArrayView data, MetadataBlocks& blocks);

} // namespace containers

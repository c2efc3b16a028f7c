// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/structure/HeifBoxes.h"

#include <QByteArrayView>
#include <QString>

#include <optional>

// A HEIF file (HEIC, AVIF) cleaned by building a new container around the source's coded image data,
// without decoding it: the pixels a decoder gives are those of the source, bit for bit, and nothing the
// new file holds was copied unless it is needed to decode them.

enum class HeifRewriteResult {
    Written, ///< the new file is complete
    NeedsReencode, ///< nothing fit to copy: the file must be decoded and encoded again (the reason says why)
    Failed, ///< writing failed; the descriptor may hold part of a file
};

/// Writes to the open descriptor \a fd (at its position) a HEIF file holding the primary image of the
/// HEIF file \a file and nothing else: its 'ftyp' brands that still apply, and in 'meta' the primary
/// image item, the tiles and descriptor of a grid primary, and an alpha image of the primary, with only
/// the properties that shape the decoded picture (decoder configuration, size, channels, colour, with a
/// colour profile replaced by its cleaned version, rotation, mirroring, crop and pixel aspect, the alpha
/// image's type), each item's data in one new 'mdat' box. Supplemental NAL units (SEI) and AV1 metadata
/// and padding OBUs are left out of the coded data and decoder configurations. Exif and XMP items,
/// thumbnails, depth and gain maps, other auxiliary images, groups, tracks and every other byte are
/// dropped.
///
/// NeedsReencode, with nothing written, for a file that is not understood through and through: no
/// primary image, a derived image other than a grid, coded data whose units do not parse exactly from
/// start to end, unknown units or properties a decoder must understand, item data that overlaps or lies
/// outside the file, a grid of more than a few thousand tiles or pixels beyond kMaxDecodedPixels, and
/// primary images coded otherwise than \a coding when that is given. Failed, with the system's reason,
/// when writing fails. Memory: the new 'meta' box and copies of items stored in several extents.
[[nodiscard]] HeifRewriteResult rewriteHeif(
    QByteArrayView file, int fd, std::optional<HeifCoding> coding = std::nullopt, QString* reason = nullptr);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QtEndian>

/// One chunk of a PNG file as walkPngChunks() finds it.
struct PngChunk
{
    QByteArrayView type; ///< four bytes
    QByteArrayView data; ///< without the length, type and CRC
};

/// Walks the chunks of the PNG file in \a png, in file order, handing each to \a visit (which returns
/// whether to go on), up to and including IEND; bytes after IEND, and a tail too short for a chunk's
/// length and type, are not looked at. CRCs are not checked. False when a chunk runs past the end of the
/// data, also one of which only the length and type are there (libpng reads those and allocates what the
/// length claims): the chunks before it have been visited then. Any thread.
template<typename Visit> bool walkPngChunks(QByteArrayView png, Visit visit)
{
    constexpr qsizetype kSignatureSize = 8;
    constexpr qsizetype kChunkHeader = 8; // length, type
    constexpr qsizetype kChunkOverhead = 12; // length, type, CRC
    const qsizetype size = png.size();
    for (qsizetype pos = kSignatureSize; pos + kChunkHeader <= size;) {
        const quint32 length = qFromBigEndian<quint32>(png.data() + pos);
        if (pos + kChunkOverhead > size || length > quint64(size - pos - kChunkOverhead))
            return false;
        const PngChunk chunk { png.sliced(pos + 4, 4), png.sliced(pos + 8, qsizetype(length)) };
        if (!visit(chunk) || chunk.type == QByteArrayView("IEND"))
            return true;
        pos += kChunkOverhead + qsizetype(length);
    }
    return true;
}

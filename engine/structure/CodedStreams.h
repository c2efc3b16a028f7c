// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The coded streams inside HEIF items: HEVC NAL units with length prefixes and AV1 OBUs, walked unit by
// unit with bounds checks, and the picture sizes their sequence headers state.

#include "engine/structure/BoxReader.h"

#include <QByteArrayView>
#include <QtGlobal>

#include <limits>
#include <optional>
#include <vector>

struct CodedSize
{
    qint64 width = 0;
    qint64 height = 0;
};

/// \a width times \a height (both not negative), at most the largest qint64: sides of 32 bits each
/// would overflow.
inline qint64 areaOf(qint64 width, qint64 height)
{
    return width > 0 && height > std::numeric_limits<qint64>::max() / width
        ? std::numeric_limits<qint64>::max()
        : width * height;
}

/// The picture size an HEVC sequence parameter set (a whole NAL unit, header included) states.
[[nodiscard]] std::optional<CodedSize> hevcSpsSize(QByteArrayView nal);

/// The largest frame an AV1 sequence header OBU's payload allows.
[[nodiscard]] std::optional<CodedSize> av1SequenceHeaderSize(QByteArrayView payload);

/// Calls \a visit with each HEVC NAL unit of a length-prefixed stream; false when the stream is damaged.
template<typename Visit> bool forEachNal(QByteArrayView stream, int lengthSize, Visit visit)
{
    ByteReader r(stream);
    while (!r.atEnd()) {
        const quint64 length = r.read(lengthSize);
        if (r.failed() || length > quint64(r.remaining()))
            return false;
        const QByteArrayView nal = stream.sliced(r.position(), qsizetype(length));
        r.skip(qsizetype(length));
        if (!visit(nal))
            return false;
    }
    return true;
}

/// Calls \a visit with the type, the payload and the whole bytes (header included) of each AV1 OBU of
/// \a stream; false when it is damaged.
template<typename Visit> bool forEachObu(QByteArrayView stream, Visit visit)
{
    ByteReader r(stream);
    while (!r.atEnd()) {
        const qsizetype start = r.position();
        const quint8 header = r.u8();
        if (header & 0x80)
            return false; // the forbidden bit
        const int type = (header >> 3) & 15;
        if (header & 4)
            r.u8(); // extension
        quint64 size = quint64(r.remaining());
        if (header & 2) {
            size = 0;
            for (int i = 0; i < 8; ++i) {
                const quint8 byte = r.u8();
                size |= quint64(byte & 0x7F) << (7 * i);
                if (!(byte & 0x80))
                    break;
            }
        }
        if (r.failed() || size > quint64(r.remaining()))
            return false;
        const QByteArrayView payload = stream.sliced(r.position(), qsizetype(size));
        r.skip(qsizetype(size));
        if (!visit(type, payload, stream.sliced(start, r.position() - start)))
            return false;
    }
    return true;
}

/// The type of an HEVC NAL unit (from its header); -1 when it is too short to have one or the forbidden
/// bit is set.
[[nodiscard]] inline int hevcNalType(QByteArrayView nal)
{
    return nal.size() < 2 || (uchar(nal[0]) & 0x80) ? -1 : (uchar(nal[0]) >> 1) & 0x3F;
}

/// An HEVC decoder configuration ('hvcC' payload), read exactly: its fixed fields, then its arrays of
/// parameter sets and other NAL units.
struct HevcConfiguration
{
    struct Array
    {
        quint8 header = 0; ///< completeness bit and NAL unit type, as stored
        std::vector<QByteArrayView> units;
    };
    QByteArrayView fixedFields; ///< the 22 bytes before the array count
    int lengthSize = 4; ///< bytes of each NAL unit's length prefix in the coded data: 1, 2 or 4
    std::vector<Array> arrays;
};

/// Reads \a payload as an HEVC decoder configuration. Null when it is not one from its first byte to its
/// last: a version other than 1, a length prefix of 3 bytes, a unit or array that does not fit, or bytes
/// after the last array.
[[nodiscard]] std::optional<HevcConfiguration> readHevcConfiguration(QByteArrayView payload);

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/ImageFormat.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr quint32 brand(const char (&name)[5])
{
    return quint32(uchar(name[0])) << 24 | quint32(uchar(name[1])) << 16 | quint32(uchar(name[2])) << 8
        | quint32(uchar(name[3]));
}

} // namespace

bool isWebpFile(QByteArrayView header)
{
    return header.size() >= 12 && header.startsWith("RIFF") && header.sliced(8, 4) == QByteArrayView("WEBP");
}

bool isHeifFile(QByteArrayView header)
{
    if (header.size() < 16 || header.sliced(4, 4) != QByteArrayView("ftyp"))
        return false;
    const auto read32 = [&](qsizetype at) {
        return quint32(uchar(header[at])) << 24 | quint32(uchar(header[at + 1])) << 16
            | quint32(uchar(header[at + 2])) << 8 | quint32(uchar(header[at + 3]));
    };
    const qsizetype end = std::min<qsizetype>(header.size(), read32(0));
    for (qsizetype at = 8; at + 4 <= end; at += 4) {
        if (at == 12)
            continue; // the minor version
        switch (read32(at)) {
        case brand("heic"):
        case brand("heix"):
        case brand("heim"):
        case brand("heis"):
        case brand("mif1"):
        case brand("avif"):
            return true;
        default:
            break;
        }
    }
    return false;
}

std::optional<ImageFormat> sniffImageFormat(const QByteArray& header)
{
    const auto* b = reinterpret_cast<const uchar*>(header.constData());
    const qsizetype n = header.size();
    if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
        return ImageFormat::JPEG;
    if (n >= 8 && std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0)
        return ImageFormat::PNG;
    if (n >= 6 && (std::memcmp(b, "GIF87a", 6) == 0 || std::memcmp(b, "GIF89a", 6) == 0))
        return ImageFormat::GIF;
    if (n >= 4 && (std::memcmp(b, "II*\0", 4) == 0 || std::memcmp(b, "MM\0*", 4) == 0))
        return ImageFormat::TIFF;
    if (isWebpFile(QByteArrayView(header)))
        return ImageFormat::WebP;
    if (isHeifFile(QByteArrayView(header))) {
        // The brands tell AV1 from HEVC coding; a file naming only the general HEIF brand is taken as HEIC.
        const QByteArrayView box = QByteArrayView(header).first(std::min<qsizetype>(n, 256));
        return box.indexOf(QByteArrayView("avif")) >= 0 && box.indexOf(QByteArrayView("heic")) < 0
                && box.indexOf(QByteArrayView("heix")) < 0
            ? ImageFormat::AVIF
            : ImageFormat::HEIC;
    }
    if (n >= 18 && b[0] == 'B' && b[1] == 'M') {
        // "BM" alone is too weak: the info header's size must be one of the known ones.
        const quint32 infoSize
            = quint32(b[14]) | quint32(b[15]) << 8 | quint32(b[16]) << 16 | quint32(b[17]) << 24;
        if (infoSize == 12 || infoSize == 16 || infoSize == 40 || infoSize == 52 || infoSize == 56
            || infoSize == 64 || infoSize == 108 || infoSize == 124)
            return ImageFormat::BMP;
    }
    return std::nullopt;
}

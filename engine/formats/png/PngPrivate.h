// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the PNG writer and the rewrite of animated PNGs share: chunks, compression, the colour profile
// and resolution chunks, and the choice of row filters.

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>
#include <libdeflate.h>
#include <memory>
#include <optional>
#include <vector>

struct CompressorDeleter
{
    void operator()(libdeflate_compressor* c) const { libdeflate_free_compressor(c); }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

void putBigEndian(QByteArray& out, std::uint32_t value);

/// Appends one chunk (length, type, data, CRC) to \a out.
void appendPngChunk(QByteArray& out, const char type[4], const char* data, qsizetype size);

/// The whole of \a data as one zlib stream, or an empty array when it could not be compressed.
QByteArray zlibCompress(libdeflate_compressor* compressor, const unsigned char* data, size_t size);

/// The body of an iCCP chunk for \a profile: empty unless the profile's colour model suits the image (PNG
/// allows an RGB profile on colour images and a grey one on grey images only); named by its description
/// when that is printable Latin-1.
QByteArray iccChunkData(libdeflate_compressor* compressor, const QByteArray& profile, bool grey);

/// The body of a pHYs chunk for the resolution stated (at least one of the two), the other 96 dpi.
QByteArray physChunkData(const std::optional<double>& dpiX, const std::optional<double>& dpiY);

/// Filters \a row against \a previous (zeros above the first row) into \a out (filter byte first) with the
/// filter whose output has the smallest sum of absolute values, the choice libpng makes too. \a bpp is
/// the bytes of a whole pixel (at least 1); each of the five scratch rows holds \a length bytes.
void filterRow(const unsigned char* row, const unsigned char* previous, size_t length, size_t bpp,
    std::array<std::vector<unsigned char>, 5>& scratch, unsigned char* out);

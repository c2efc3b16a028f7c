// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

// WebP files for the tests of the chunk rewriter, made with libwebp's encoder and muxer and then dirtied
// by splicing chunks in by hand; and the tests' own byte walk of a WebP file, independent of the engine's.

/// Texts planted by dirtyWebp(); none of them may reach a clean copy.
inline const QByteArray kExifMarker = "MARKER-EXIF-ARTIST-JANE";
inline const QByteArray kXmpMarker = "MARKER-XMP-CREATOR-JANE";
inline const QByteArray kUnknownMarker = "MARKER-UNKNOWN-CHUNK-JANE";
inline const QByteArray kFrameMarker = "MARKER-INSIDE-A-FRAME-JANE";
inline const QByteArray kTrailingMarker = "MARKER-AFTER-THE-RIFF-JANE";

/// One chunk as the tests' walk finds it.
struct WebpChunk
{
    QByteArray id;
    QByteArray payload;
    QByteArray frameHeader; ///< an 'ANMF' chunk's first 16 bytes
    QList<WebpChunk> inner; ///< an 'ANMF' chunk's sub-chunks
};

/// What the walk of a whole file found.
struct WebpWalk
{
    QList<WebpChunk> chunks;
    quint64 riffSize = 0;
    qsizetype trailing = 0; ///< bytes after the RIFF structure
    bool paddingZero = true; ///< every padding byte is zero
    QString error; ///< empty when the structure is whole
};

[[nodiscard]] WebpWalk walkWebpFile(const QByteArray& file);
/// The chunk list of a file: "VP8X", "ANMF[ALPH VP8 ]", ...
[[nodiscard]] QStringList webpChunkList(const QByteArray& file);
/// The chunks that carry pictures, in file order, with each frame's header before its own ("ANMF" and
/// its 16 bytes): what a rewritten copy keeps byte for byte.
[[nodiscard]] QList<QByteArray> webpPictureBytes(const QByteArray& file);
/// The chunk bytes: header, payload and a zero padding byte when the size is odd.
[[nodiscard]] QByteArray webpChunk(const QByteArray& id, const QByteArray& payload);
/// "RIFF", the size, "WEBP" and \a body.
[[nodiscard]] QByteArray webpRiff(const QByteArray& body);

/// A picture with detail everywhere, different for each \a seed; an alpha ramp when \a alpha.
[[nodiscard]] QImage webpTestPicture(int width, int height, bool alpha, int seed);
/// libwebp's simple API: a still WebP file of \a image, lossy (quality 80) or lossless, with alpha when
/// the image has an alpha channel.
[[nodiscard]] QByteArray encodeWebpStill(const QImage& image, bool lossless);
/// Three frames on a 96 x 64 canvas with libwebp's muxer: a lossy opaque one covering the canvas
/// (100 ms, no blending), a lossless one with alpha at (10, 8) (250 ms, blended, disposed to the
/// background), a lossy one with alpha at (40, 20) (40 ms, not blended); looping 3 times.
[[nodiscard]] QByteArray encodeWebpAnimation();

/// An EXIF block (TIFF structure) with a GPS position, kExifMarker as the artist and \a orientation, made
/// by exiftool.
[[nodiscard]] QByteArray exifWithGps(int orientation);
/// An XMP packet naming kXmpMarker as the creator.
[[nodiscard]] QByteArray xmpPacket();

/// What dirtyWebp() plants.
struct Planting
{
    int orientation = 1;
    QByteArray profile; ///< an 'ICCP' chunk when not empty
    bool topLevel = true; ///< 'EXIF', 'XMP ' and an unknown chunk after the picture
    bool inFrames = true; ///< in an animation: 'EXIF' and an unknown chunk inside the second frame
    bool trailing = true; ///< bytes after the RIFF structure
};

/// \a clean (a file of libwebp's) made extended when it is not, with the VP8X flags for what is planted.
[[nodiscard]] QByteArray dirtyWebp(const QByteArray& clean, const Planting& planting);

/// Every frame of a file as libwebp's animation decoder composes it (RGBA on the canvas), with its
/// end time.
struct DecodedWebp
{
    int width = 0;
    int height = 0;
    std::uint32_t loopCount = 0;
    std::uint32_t background = 0;
    QList<QByteArray> frames;
    QList<int> timestamps;
};
[[nodiscard]] std::optional<DecodedWebp> decodeWebpFrames(const QByteArray& file);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

/// How an image stores alpha, in the terms drawing code cares about.
enum class AlphaInfo {
    None = 0, ///< opaque, no alpha channel
    PremultipliedLast = 1,
    PremultipliedFirst = 2, ///< ARGB32_Premultiplied: what every canvas of ours draws into
    Last = 3, ///< straight alpha
    First = 4,
    NoneSkipLast = 5, ///< opaque, padding byte last
    NoneSkipFirst = 6, ///< opaque, padding byte first: RGB32
};

/// One decoded image: its pixels and the colour profile it came with. The profile bytes are kept
/// exactly as the file stored them, also when Qt cannot parse them, so that they can be written again
/// unchanged; pixels.colorSpace() is set from them when Qt can.
struct Image
{
    QImage pixels;
    QByteArray iccProfile;

    [[nodiscard]] bool isNull() const { return pixels.isNull(); }
    [[nodiscard]] int width() const { return pixels.width(); }
    [[nodiscard]] int height() const { return pixels.height(); }
};

/// The alpha layout of \a image's pixel format.
[[nodiscard]] AlphaInfo imageAlphaInfo(const QImage& image);
/// \a image's pixels alone. Qt's readers attach a file's comments and text chunks to the image they
/// decode and Qt's writers write whatever text an image carries, so pixels reach no writer with it.
[[nodiscard]] QImage imageWithoutText(const QImage& image);
/// True for formats whose pixels carry grey levels only.
[[nodiscard]] bool imageIsGray(const QImage& image);

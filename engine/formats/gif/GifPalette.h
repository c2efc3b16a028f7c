// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

/// One entry of a GIF colour table.
struct GifColour
{
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

/// A picture as a GIF holds it: a colour table and the index of every pixel, row after row.
struct IndexedImage
{
    static constexpr int kMaxColours = 256;

    std::array<GifColour, kMaxColours> colours {};
    int colourCount = 0;
    int transparentIndex = -1; ///< -1 for none
    std::vector<std::uint8_t> indices;
};

/// \a image as a GIF's palette and indices. The palette is exact when the image has at most 256
/// distinct opaque colours (a GIF source always has), plus one transparent index when some pixels are
/// transparent (alpha below 128); otherwise the colours are quantised with libimagequant (dithered;
/// transparent pixels take no part). Colours of pixels with alpha 128 or more are taken
/// un-premultiplied. Null when the memory cannot be had or the quantiser fails. Thread-safe.
[[nodiscard]] std::optional<IndexedImage> indexedForGif(const QImage& image);

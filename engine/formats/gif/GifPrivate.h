// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

/// Appends the image data of a GIF frame to \a out: the minimum code size byte, the LZW codes of the
/// \a count colour indices at \a indices in data sub-blocks, and the empty block that ends them. Every
/// index must be below 2^\a minimumCodeSize (2 to 8). Shared by the single-frame writer and the rewrite of
/// animations, so that every GIF we write carries codes of our own making.
void compressGifIndices(
    const std::uint8_t* indices, std::size_t count, int minimumCodeSize, std::vector<std::uint8_t>& out);

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The entropy-coded data of one baseline (sequential Huffman, 8-bit) JPEG scan, walked without libjpeg:
// either surveyed, to prove that the bytes hold the scan and nothing else and to learn which symbols
// and coefficients it uses, or decoded into
// quantised DCT blocks turned on the way, or into each block's DC coefficient alone (a picture at an
// eighth of the size). Private to the engine: its lossless JPEG writer and its JPEG previews.

#include "engine/core/Orientation.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

/// The natural (row-major) index of each position of the zigzag order in which a block's coefficients
/// are coded.
inline constexpr std::array<std::uint8_t, 64> kJpegNaturalOrder = { 0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25,
    18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6, 7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43,
    36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63 };

/// A Huffman table as a DHT segment defines it.
struct JpegHuffmanTable
{
    std::array<std::uint8_t, 17> counts {}; ///< counts[n]: the number of codes of n bits, n = 1 to 16
    std::array<std::uint8_t, 256> symbols {}; ///< in code order
};

/// How the 64 coefficients of a block move when the block is turned: the coefficient at natural
/// (row-major) index i goes to index position[i] of the turned block, its sign flipped where negate[i]
/// is -1. Transposing swaps the two frequency axes; mirroring an axis flips the sign of that axis's odd
/// frequencies.
struct JpegBlockTurn
{
    std::array<std::uint8_t, 64> position {};
    std::array<std::int16_t, 64> negate {};
};

/// The block turn for \a orientation.
[[nodiscard]] JpegBlockTurn jpegBlockTurn(Orientation orientation);

/// One component of a scan and, for decoding, where its blocks go.
struct JpegScanComponent
{
    /// Blocks of this component in one MCU, across and down: its sampling factors in a scan of several
    /// components, 1 x 1 in a scan of one.
    int mcuWidth = 1;
    int mcuHeight = 1;
    /// The blocks that hold image data; an MCU's blocks beyond them are padding, decoded and dropped.
    int widthInBlocks = 0;
    int heightInBlocks = 0;
    const JpegHuffmanTable* dcTable = nullptr;
    const JpegHuffmanTable* acTable = nullptr;
    /// Decoding only: block (x, y) is written at origin + (x * stepX + y * stepY) * 64 coefficients.
    std::int16_t* origin = nullptr;
    std::ptrdiff_t stepX = 0;
    std::ptrdiff_t stepY = 0;
    /// Decoding only, when given: 256 counters to which each block adds the AC symbols (run and size,
    /// ZRL, EOB) that code it once turned, as a baseline encoder codes it.
    std::uint32_t* acCounts = nullptr;
    /// Decoding only, when given: bit k is set for each zigzag index k of the turned block whose
    /// coefficient is not zero in some block that holds image data (padding blocks do not count).
    std::uint64_t* nonzero = nullptr;
    /// Decoding DC coefficients only: that of block (x, y) is written at dcPlane[y * widthInBlocks + x].
    std::int16_t* dcPlane = nullptr;
    /// Surveying only: whether the survey finds out which DC and AC symbols code this component's blocks.
    bool surveySymbols = false;
};

/// A baseline scan: the components in their scan order, the MCU grid and the restart interval.
struct JpegScan
{
    /// From the first byte after the SOS segment to the end of the file.
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    int mcusAcross = 0;
    int mcusDown = 0;
    int restartInterval = 0; ///< MCUs per interval; 0 for none
    std::vector<JpegScanComponent> components; ///< 1 to 4
};

/// What a survey of a clean scan finds out besides where it ends.
struct JpegScanSurvey
{
    /// The length of the entropy-coded data: every MCU decodes with the tables (no invalid code, no
    /// coefficient past the 64th), the bits after each interval's last MCU are ones up to the byte
    /// boundary, each interval but the last ends in the next RST marker in sequence with no byte between,
    /// and the last MCU's byte is followed by the end of the data or by a marker that is not RST. Those
    /// bytes are then exactly what a decoder reads for the image.
    std::size_t length = 0;
    /// By scan component: bit k is set for each zigzag index k whose coefficient is not zero in some
    /// block of the component.
    std::array<std::uint64_t, 4> nonzero {};
    /// By scan component, for those that ask (surveySymbols): the DC and AC symbols that code its blocks.
    std::array<std::array<bool, 256>, 4> dcSymbols {};
    std::array<std::array<bool, 256>, 4> acSymbols {};
    /// Whether every block of an edge MCU that lies wholly outside its component's blocks (beyond
    /// widthInBlocks or heightInBlocks) is coded as encoders pad: no DC difference and the end of the
    /// block at once, so that it holds nothing but its neighbour's DC.
    bool paddingEmpty = true;
};

/// Surveys the scan without keeping its coefficients. Null when it is not clean (as JpegScanSurvey's
/// length says), including data that ends before the last MCU.
[[nodiscard]] std::optional<JpegScanSurvey> surveyCleanJpegScan(const JpegScan& scan);

/// Decodes a clean scan (as JpegScanSurvey's length defines it) into the components' blocks, each block
/// turned by \a turn, and counts their AC symbols and notes their coefficients that are not zero where
/// asked. False, with the blocks partly written,
/// when the scan is not clean or a DC value leaves the coefficients' range.
[[nodiscard]] bool decodeJpegScan(const JpegScan& scan, const JpegBlockTurn& turn);

/// Decodes only the DC coefficient (quantised) of each block of a clean scan into the components'
/// dcPlane, stepping over the AC coefficients. False, with the planes partly
/// written, when the scan is not clean or a DC value leaves the coefficients' range.
[[nodiscard]] bool decodeJpegScanDc(const JpegScan& scan);

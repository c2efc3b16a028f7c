// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A JPEG's frame as its headers state it, up to the first scan, and that scan as our own walker
// (JpegScan.h) takes it: what the lossless writer and the preview of DC coefficients read before any
// coefficient. Private to the JPEG codec (engine/formats/jpeg/ and its lossless writer).

#include "engine/formats/jpeg/JpegPrivate.h"
#include "engine/formats/jpeg/JpegScan.h"

#include <QByteArray>

#include <array>
#include <optional>
#include <vector>

namespace JpegPrivate {

/// One component of the source's frame.
struct FrameComponent
{
    int id = 0;
    int hSampling = 1;
    int vSampling = 1;
    int quantTable = 0;
    int widthInBlocks = 0;
    int heightInBlocks = 0;
};

/// What the source's headers say, as libjpeg read them up to its first scan.
struct SourceFrame
{
    int width = 0;
    int height = 0;
    J_COLOR_SPACE colorSpace = JCS_UNKNOWN;
    bool sawAdobeMarker = false;
    int maxHSampling = 1;
    int maxVSampling = 1;
    std::vector<FrameComponent> components;
    std::array<std::optional<std::array<quint16, 64>>, NUM_QUANT_TBLS> quantTables; ///< natural order
    /// Whether the first scan can be measured and decoded by our own walker: sequential Huffman, 8-bit,
    /// every component in the one scan, with every table it uses defined.
    bool walkable = false;
    int restartInterval = 0;
    struct ScanComponent
    {
        int frameIndex = 0;
        int dcTable = 0;
        int acTable = 0;
    };
    std::vector<ScanComponent> scan;
    std::array<std::optional<JpegHuffmanTable>, NUM_HUFF_TBLS> dcTables;
    std::array<std::optional<JpegHuffmanTable>, NUM_HUFF_TBLS> acTables;
    qsizetype scanOffset = 0; ///< where the first scan's entropy-coded data starts
};

/// Reads the source's headers up to its first scan. False, with libjpeg's message, when it cannot.
[[nodiscard]] bool readFrame(Decompressor& d, const QByteArray& data, SourceFrame& frame);
/// The first scan of a walkable frame as our walker takes it.
[[nodiscard]] JpegScan scanOf(const SourceFrame& frame, const QByteArray& data);

} // namespace JpegPrivate

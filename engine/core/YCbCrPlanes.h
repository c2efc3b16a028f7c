// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <memory>

/// A frame as 8-bit Y, Cb and Cr planes with the chroma halved both ways (4:2:0), as HEVC, AV1 and VP8
/// decoders give it: what a JPEG stores, so that such a frame reaches the JPEG encoder without a round
/// trip through RGB. The chroma planes are (width + 1) / 2 by (height + 1) / 2 samples. The colour
/// coding is BT.601's (JPEG's); \a limitedRange says the samples use the video range (Y 16..235, C
/// 16..240) instead of JPEG's full range, and the writer stretches them on the way.
/// The planes are read-only and stay valid as long as \a owner lives; copies share them.
struct YCbCr420Planes
{
    int width = 0;
    int height = 0;
    const uchar* y = nullptr;
    qsizetype yStride = 0;
    const uchar* cb = nullptr;
    qsizetype cbStride = 0;
    const uchar* cr = nullptr;
    qsizetype crStride = 0;
    bool limitedRange = false;
    std::shared_ptr<const void> owner;
};

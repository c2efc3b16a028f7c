// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>

#include <optional>

// What a PNG of ours holds besides the pixels: the colour profile and the resolution, nothing else.
struct PngWriteOptions
{
    QByteArray iccProfile; // written when it describes the image's colour model (RGB or grey)
    std::optional<double> dpiX; // pHYs is written when either is stated, the other then being 96 dpi
    std::optional<double> dpiY;
};

// Writes `image` as an 8-bit PNG to `fd` at its current offset: grey for a grey image, RGBA for an image
// with alpha, RGB otherwise. Each row takes the filter that makes it smallest by the usual measure, and
// the whole image is compressed at once by libdeflate. Returns false with errno set when writing failed,
// or errno 0 when the image could not be encoded.
bool writePng(const QImage& image, const PngWriteOptions& options, int fd);

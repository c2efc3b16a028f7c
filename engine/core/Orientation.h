// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QSize>
#include <QTransform>

#include <array>

/// The eight EXIF orientations, each named for the turn that makes the stored pixels stand upright.
/// Every path that turns pixels takes its turn from the one table below: the JPEG decoder row by row,
/// the lossless JPEG writer block by block, the canvas of the other formats by whole images.
enum class Orientation {
    Normal = 1, ///< stored upright
    MirrorAcross = 2, ///< stored mirrored left to right
    Rotate180 = 3,
    MirrorDown = 4, ///< stored mirrored top to bottom
    Transpose = 5, ///< stored mirrored about the diagonal from the top left
    Rotate90 = 6, ///< a quarter turn clockwise makes it upright
    Transverse = 7, ///< stored mirrored about the diagonal from the top right
    Rotate270 = 8, ///< a quarter turn anticlockwise makes it upright
};

/// An orientation's turn in three steps: an optional transposition (stored rows become upright columns),
/// then an optional mirror of each axis of the upright picture. Each of the eight turns is exactly one
/// of the eight combinations.
struct OrientationSteps
{
    bool transposes = false;
    bool mirrorsAcross = false; ///< the upright picture's x axis runs from the right
    bool mirrorsDown = false; ///< the upright picture's y axis runs from the bottom
};

/// The steps of each orientation, by its EXIF value minus one.
inline constexpr std::array<OrientationSteps, 8> kOrientationSteps = { {
    { false, false, false }, // 1
    { false, true, false }, // 2
    { false, true, true }, // 3
    { false, false, true }, // 4
    { true, false, false }, // 5
    { true, true, false }, // 6
    { true, true, true }, // 7
    { true, false, true }, // 8
} };

/// The orientation an EXIF value names; a value outside 1..8 names no turn.
[[nodiscard]] constexpr Orientation orientationFromExif(int value)
{
    return value >= 1 && value <= 8 ? Orientation(value) : Orientation::Normal;
}

[[nodiscard]] constexpr OrientationSteps stepsOf(Orientation orientation)
{
    return kOrientationSteps[size_t(int(orientation) - 1)];
}

/// Where the stored cell (x, y) of a \a width x \a height grid (pixels, or JPEG blocks) lands when the
/// grid is turned upright by \a steps; top-left origin, y down.
template<typename T>
constexpr void uprightPosition(OrientationSteps steps, T width, T height, T x, T y, T& ux, T& uy)
{
    const T across = steps.transposes ? y : x;
    const T down = steps.transposes ? x : y;
    const T uprightWidth = steps.transposes ? height : width;
    const T uprightHeight = steps.transposes ? width : height;
    ux = steps.mirrorsAcross ? uprightWidth - 1 - across : across;
    uy = steps.mirrorsDown ? uprightHeight - 1 - down : down;
}

/// The size of the upright picture: the sides swap when the turn transposes.
[[nodiscard]] QSize uprightSize(Orientation orientation, QSize stored);

/// The transform that draws pixels stored with \a orientation upright onto a canvas of the upright size,
/// in lower-left-origin coordinates (y up), as a canvas with its origin at the lower left draws.
/// \a storedWidth and \a storedHeight are the stored size.
[[nodiscard]] QTransform uprightTransformYUp(Orientation orientation, int storedWidth, int storedHeight);

/// The orientation whose turn \a transform's linear part is. Only for a transform whose linear part is
/// a signed permutation (each of m11, m12, m21, m22 is 0, 1 or -1, one of each row and column non-zero),
/// in top-left-origin coordinates.
[[nodiscard]] Orientation orientationOfPermutation(const QTransform& transform);

/// \a image turned by exact pixel moves, without resampling: the pixels of the stored picture upright.
[[nodiscard]] QImage turnedUpright(const QImage& image, Orientation orientation);

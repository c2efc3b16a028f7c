// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

// Rebuilding a colour profile from the colour it describes, for the profile cleaner
// (engine/ColorProfile.h). Little CMS reads the source; no tag of the result is a copy of one of the
// source's, so that bytes planted in a colour tag (text in a tone curve, a matrix or the grid of a LUT)
// do not pass:
//
// - A matrix/shaper RGB profile is made by Little CMS from its white point, the chromaticities of its
//   colorants and its tone curves; the chromatic adaptation is computed from the white point (read from
//   the source's adaptation or media white). Chromaticities are taken on a grid (1/8192 for colorants,
//   1/4096 for the white point).
// - A tone curve (RGB or grey) becomes the sRGB curve or a gamma where one of those lies within 2.5/65535
//   of it, else a 1025-entry table: 513 samples of the source, the entries between them the mean of their
//   neighbours. A source table of 513 entries is sampled at 512 points instead.
// - A LUT profile keeps one LUT each way (the perceptual intent's, or the first other one), sampled from
//   the source's LUT through a 256-entry input curve that puts the grid points (18 per axis for three
//   inputs, 16 for CMYK, 86 for grey) at entries i/255 with i prime to 255: points no grid of up to 255
//   points has but at its ends, so every sample is interpolated from the source's grid, none copied.
//   The other intents' LUTs, the gamut tag, preview tags and everything else are dropped.
//
// What a rebuilt profile holds is a function of the colour alone, and a rebuilt profile rebuilds to
// itself: sampled again, a rebuilt table or grid gives back its own samples exactly, and the grids of
// chromaticities absorb the rounding of lcms's 16.16 numbers. A profile crafted in the rebuilt form is
// kept as it is, like any such fixed point: what it can carry is what its colour says (its samples), on
// points spread over the tables, never a run of the source's bytes in place.
//
// Free of shared state; any thread.

/// The profile rebuilt from what \a profile describes, under the neutral description of its colour space,
/// with zeroed date, flags and device fields. Empty when it cannot be rebuilt: lcms cannot read it, it is
/// not for images (device links, abstract and named-colour profiles, colour spaces other than RGB, grey
/// and CMYK), or it holds no colour that can be rebuilt. \a profile must be a complete profile
/// (isCompleteProfile). May throw std::bad_alloc.
[[nodiscard]] QByteArray rebuildColorProfile(const QByteArray& profile);

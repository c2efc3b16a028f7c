// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

#include <functional>
#include <lcms2.h>
#include <vector>

// Crafted colour profiles and JPEG profile chains for the engine's tests and the fuzz targets' seeds:
// profiles made with Little CMS, personal texts and private tags planted in them, APP2 chains split,
// reordered or cut.

/// What personalised() plants besides colour; none of it may reach an output.
inline const QByteArray kPersonalDescription = "Jane Doe's phone at 14 Rue Oberkampf";
inline const QByteArray kPersonalCopyright = "Copyright Jane Doe, all rights reserved";
inline const QByteArray kPersonalMaker = "Jane Doe Devices";
inline const QByteArray kPersonalModel = "Camera serial 4711-0815";
inline const QByteArray kPrivatePayload = "secret place 48.8566 N 2.3522 E";

/// What the colour-tag crafting plants: a text that no colour value spells by chance, longer than any
/// run of bytes a rebuilt profile could keep in place.
inline const QByteArray kColourMarker = "MORVANE-MARKER-IN-COLOUR-TAGS";

/// A Little CMS profile handle that closes itself.
struct LcmsProfile
{
    cmsHPROFILE handle = nullptr;
    explicit LcmsProfile(cmsHPROFILE h)
        : handle(h)
    { }
    explicit LcmsProfile(const QByteArray& bytes);
    ~LcmsProfile();
    LcmsProfile(const LcmsProfile&) = delete;
    LcmsProfile& operator=(const LcmsProfile&) = delete;

    /// The profile as lcms writes it; empty on failure.
    [[nodiscard]] QByteArray save() const;
    /// Writes \a text as the text tag \a signature (description, copyright, device texts).
    void writeText(cmsTagSignature signature, const QByteArray& text) const;
};

/// \a profile with one more tag, appended by hand: lcms writes no tag it does not know.
[[nodiscard]] QByteArray withExtraTag(
    const QByteArray& profile, const char* signature, const QByteArray& data);
/// \a base with a person's texts in every text tag lcms writes, and a private tag with a place.
[[nodiscard]] QByteArray personalised(const QByteArray& base);
/// A version 4.3 Display P3 profile as lcms builds it from the published primaries and the sRGB curve.
[[nodiscard]] QByteArray displayP3v4();
/// An input profile with LUTs only: RGB to Lab through a 9-point CLUT sampled from sRGB, the
/// colorimetric intent's LUT shared with the perceptual one.
[[nodiscard]] QByteArray lutProfile();

/// \a profile with kColourMarker written over the entries of each tone curve that is a table of 256
/// entries or more (rTRC, gTRC, bTRC, kTRC), from 53% of its length on: between the test chart's steps.
[[nodiscard]] QByteArray withMarkerInCurves(const QByteArray& profile);
/// \a profile with kColourMarker written over the numbers of its chromatic adaptation matrix (chad).
[[nodiscard]] QByteArray withMarkerInAdaptation(const QByteArray& profile);
/// \a profile with kColourMarker written over the grid of its LUT tag \a signature from the grid point
/// \a point on (along the last input).
[[nodiscard]] QByteArray withMarkerInGrid(
    const QByteArray& profile, const char* signature, const std::vector<int>& point);
/// Whether \a bytes hold any 8 consecutive bytes of kColourMarker.
[[nodiscard]] bool holdsMarkerPart(const QByteArray& bytes);

/// The colours of a test chart for profiles of the colour \a space, 16-bit, channels interleaved: a
/// 17-step cube for RGB (4913 colours), 256 grey levels, a 9-step CMYK hypercube (6561 colours).
[[nodiscard]] std::vector<cmsUInt16Number> testChart(cmsColorSpaceSignature space);
/// The test chart of \a profile's colour space through \a profile into Lab (D50), for \a intent; empty when
/// lcms cannot open the profile or make the transform.
[[nodiscard]] std::vector<cmsCIELab> chartInLab(const QByteArray& profile, cmsUInt32Number intent);
/// The largest colour difference (CIE 1976 delta E) between the test chart rendered into Lab through
/// \a a and through \a b, leaving out the colours \a skip names (a pointer to each colour's channels);
/// infinity when either cannot render it or their colour spaces differ.
[[nodiscard]] double largestDeltaE(const QByteArray& a, const QByteArray& b,
    cmsUInt32Number intent = INTENT_PERCEPTUAL, const std::function<bool(const cmsUInt16Number*)>& skip = {});

/// A matrix/shaper RGB profile of \a version (2.1 or 4.3): Adobe RGB's primaries under D65 with the
/// chromatic adaptation tag, and three different tone curves (a gamma near 2.2 bent a little, as a
/// display calibration makes it) as 4096-entry tables.
[[nodiscard]] QByteArray tabulatedMatrixProfile(double version);
/// tabulatedMatrixProfile() with LUTs both ways beside the matrix, sampled from it on a grid of
/// \a gridPoints: RGB to XYZ (A2B0) and back (B2A0), lut16 in version 2 and lutAtoB/lutBtoA in version 4;
/// with \a gamut also a gamut tag (XYZ to in/out of gamut, on the same grid).
[[nodiscard]] QByteArray matrixAndLutProfile(double version, int gridPoints, bool gamut);
/// A grey display profile of \a version whose tone curve is a 4096-entry table (a gamma near 2.2, bent).
[[nodiscard]] QByteArray tabulatedGrayProfile(double version);
/// A CMYK printer profile of \a version: a simple ink model (dot gain, black generation) to Lab as A2B0 on
/// a 9-point grid behind input curves, its inverse as B2A0 on a 17-point grid.
[[nodiscard]] QByteArray cmykProfile(double version);

/// \a profile with \a bytes written over the data of its tag \a signature from \a offset on (from the tag's
/// start, its type signature included). Unchanged when the tag is missing or too short.
[[nodiscard]] QByteArray overwrittenInTag(
    const QByteArray& profile, const char* signature, qsizetype offset, const QByteArray& bytes);
/// The offset in the tag \a signature (a lut16 or lutAtoB/lutBtoA tag) of the grid point \a point (one
/// coordinate per input); -1 when the tag is of another type or has no grid.
[[nodiscard]] qsizetype lutGridOffset(
    const QByteArray& profile, const char* signature, const std::vector<int>& point);

/// A baseline JPEG of \a image as Qt writes it.
[[nodiscard]] QByteArray jpegOf(const QImage& image);
/// \a jpeg with APP2 segments carrying \a payloads inserted after its JFIF segment.
[[nodiscard]] QByteArray withApp2(const QByteArray& jpeg, const QList<QByteArray>& payloads);
/// APP2 "ICC_PROFILE" payloads for \a profile split into \a chunks, with the given sequence numbers
/// (1..chunks when empty) and chunk count (\a chunks when 0).
[[nodiscard]] QList<QByteArray> iccChunks(
    const QByteArray& profile, int chunks, QList<int> sequence = {}, int count = 0);

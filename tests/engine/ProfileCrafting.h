// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>

#include <lcms2.h>

// Crafted colour profiles and JPEG profile chains for the engine's tests and the fuzz targets' seeds:
// profiles made with Little CMS, personal texts and private tags planted in them, APP2 chains split,
// reordered or cut.

/// What personalised() plants besides colour; none of it may reach an output.
inline const QByteArray kPersonalDescription = "Jane Doe's phone at 14 Rue Oberkampf";
inline const QByteArray kPersonalCopyright = "Copyright Jane Doe, all rights reserved";
inline const QByteArray kPersonalMaker = "Jane Doe Devices";
inline const QByteArray kPersonalModel = "Camera serial 4711-0815";
inline const QByteArray kPrivatePayload = "secret place 48.8566 N 2.3522 E";

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

/// \a image as a JPEG written by Qt (JFIF, no profile).
[[nodiscard]] QByteArray jpegOf(const QImage& image);
/// \a jpeg with APP2 segments carrying \a payloads inserted after its JFIF segment.
[[nodiscard]] QByteArray withApp2(const QByteArray& jpeg, const QList<QByteArray>& payloads);
/// APP2 "ICC_PROFILE" payloads for \a profile split into \a chunks, with the given sequence numbers
/// (1..chunks when empty) and chunk count (\a chunks when 0).
[[nodiscard]] QList<QByteArray> iccChunks(
    const QByteArray& profile, int chunks, QList<int> sequence = {}, int count = 0);

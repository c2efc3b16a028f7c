// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/Image.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

/// Colour profiles on their way from a decoder to a writer. A profile can carry much more than colour:
/// a description, a copyright, device texts, private tags, whole files hidden in a tag or in a JPEG's
/// chunk chain. Every profile a decoder finds goes through cleanColorProfile() before any writer sees it.
///
/// - Bytes that are not one complete, well-formed ICC profile are dropped.
/// - A well-known standard profile (recognised by its computed profile ID) is kept byte for byte: it
///   carries nothing personal and costs one MD5 to recognise.
/// - Any other profile is rebuilt with Little CMS from the colour its tags describe (engine/
///   ProfileRebuilding.h): white point, primaries and tone curves, or LUTs sampled anew; no tag's bytes are
///   copied. It gets a neutral description, a zeroed creation date, no device or creator fields and a
///   fresh profile ID. Profiles lcms cannot read, and those that are not for images (device links,
///   abstract and named-colour profiles, colour spaces other than RGB, grey and CMYK) are dropped.
/// - A cleaned profile cleans to itself. That says nothing about a profile from elsewhere: a profile
///   crafted to look like a rebuilt one cleans to itself as well. Only the standard profiles are known to
///   be clean by what they are.
///
/// All functions are free of shared state and safe to call from any thread.

/// The profile ID of \a profile as the ICC computes it: MD5 over the profile with the flags, the rendering
/// intent and the profile ID fields zeroed. Empty for data shorter than a profile header.
[[nodiscard]] QByteArray computeProfileId(QByteArrayView profile);

/// Whether \a profile is one of the well-known standard profiles (recognised by its computed profile ID)
/// with nothing in the header fields the ID leaves out: a known rendering intent, no flags beyond the two
/// the ICC defines, and no stored ID or the right one. Such a profile passes cleaning byte for byte.
[[nodiscard]] bool isStandardColorProfile(QByteArrayView profile);

/// Whether \a profile is structurally one complete ICC profile: the header's size equals the data, the
/// signature is 'acsp', the tag table and every tag's data lie inside the data.
[[nodiscard]] bool isCompleteProfile(QByteArrayView profile);

/// The profile that may be written for \a profile: the same bytes for a well-known standard profile, a
/// rebuilt profile with the colour alone for any other valid one, empty when it is dropped.
[[nodiscard]] QByteArray cleanColorProfile(const QByteArray& profile);

/// Joins the payloads of a JPEG's APP2 "ICC_PROFILE" segments (each starting with "ICC_PROFILE\0", its
/// sequence number and the chunk count), given in file order. Empty when the chain is not whole: a
/// payload too short, another count, a sequence number missing, repeated or out of order.
[[nodiscard]] QByteArray joinJpegIccChunks(const QList<QByteArrayView>& payloads);

/// Replaces \a image's profile by its cleaned version and sets the pixels' colour space from exactly
/// those bytes (none when the profile is dropped or Qt cannot use it), so that a writer that writes the
/// colour space writes the cleaned bytes.
void cleanImageColorProfile(Image& image);

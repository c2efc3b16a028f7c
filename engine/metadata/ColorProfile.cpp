// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/metadata/ColorProfile.h"

#include "engine/metadata/ProfileRebuilding.h"

#include <QColorSpace>
#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>
#include <array>

namespace {

constexpr qsizetype kHeaderSize = 128;
constexpr qsizetype kTagEntrySize = 12;
// Header fields (byte offsets).
constexpr qsizetype kFlagsOffset = 44;
constexpr qsizetype kIntentOffset = 64;
constexpr qsizetype kIdOffset = 84;
constexpr qsizetype kIdSize = 16;

quint32 readBE32(const char* p)
{
    return qFromBigEndian<quint32>(p);
}

/// Profiles that pass untouched, by their computed profile ID. They carry only what their makers wrote
/// into every copy, the same in every photo, and name no maker of cameras, phones or applications: a
/// standard profile that does (Apple's Display P3 says "Apple Inc.", which tells what took the photo;
/// Adobe RGB (1998) names Adobe) is rebuilt like any other, into the same colours under a neutral
/// description. Where each ID comes from:
/// - sRGB IEC61966-2.1 (Hewlett-Packard and Microsoft, 1998, 3144 bytes, version 2.1): the sRGB profile
///   that Photoshop, Windows and camera software embed. Computed here from the copy in ImageMagick's
///   built-in "wizard:" image, which is byte for byte the HP file (its CRC-32 0x182ea552 and Adler-32
///   0xf784f3fb are those libpng lists for that profile); published catalogues of profile IDs give the
///   same value. Copies in photos differ in the rendering-intent byte only, which the ID leaves out.
/// - sRGB2014 (International Color Consortium, 3024 bytes, version 2.0): the ICC's own sRGB profile; its
///   stored profile ID equals the computed one (checked on the copy Qt ships for its PDF output).
constexpr std::array<const char*, 2> kStandardProfileIds = {
    "1d3fda2edb4a89ab60a23c5f7c7d81dd", // sRGB IEC61966-2.1
    "3d0eb2deae9397be9b6726ce8c0a43ce", // sRGB2014
};

} // namespace

bool isStandardColorProfile(QByteArrayView profile)
{
    if (!isCompleteProfile(profile))
        return false;
    const QByteArray id = computeProfileId(profile);
    const QByteArray hex = id.toHex();
    if (std::none_of(kStandardProfileIds.begin(), kStandardProfileIds.end(),
            [&](const char* known) { return hex == known; }))
        return false;
    const QByteArrayView storedId = profile.sliced(kIdOffset, kIdSize);
    const bool idClear
        = storedId == id || std::all_of(storedId.begin(), storedId.end(), [](char c) { return c == 0; });
    return idClear && readBE32(profile.data() + kIntentOffset) <= 3
        && (readBE32(profile.data() + kFlagsOffset) & ~quint32(3)) == 0;
}

QByteArray computeProfileId(QByteArrayView profile)
{
    if (profile.size() < kHeaderSize)
        return {};
    static constexpr char kZeros[kIdSize] = {};
    QCryptographicHash md5(QCryptographicHash::Md5);
    md5.addData(profile.first(kFlagsOffset));
    md5.addData(QByteArrayView(kZeros, 4));
    md5.addData(profile.sliced(kFlagsOffset + 4, kIntentOffset - kFlagsOffset - 4));
    md5.addData(QByteArrayView(kZeros, 4));
    md5.addData(profile.sliced(kIntentOffset + 4, kIdOffset - kIntentOffset - 4));
    md5.addData(QByteArrayView(kZeros, kIdSize));
    md5.addData(profile.sliced(kIdOffset + kIdSize));
    return md5.result();
}

bool isCompleteProfile(QByteArrayView profile)
{
    const qsizetype size = profile.size();
    if (size < kHeaderSize + 4 || readBE32(profile.data()) != quint64(size)
        || profile.sliced(36, 4) != QByteArrayView("acsp"))
        return false;
    const quint64 tagCount = readBE32(profile.data() + kHeaderSize);
    const quint64 tableEnd = quint64(kHeaderSize) + 4 + tagCount * kTagEntrySize;
    if (tableEnd > quint64(size))
        return false;
    for (quint64 i = 0; i < tagCount; ++i) {
        const char* entry = profile.data() + kHeaderSize + 4 + i * kTagEntrySize;
        const quint64 offset = readBE32(entry + 4);
        const quint64 length = readBE32(entry + 8);
        if (offset < tableEnd || offset + length > quint64(size))
            return false;
    }
    return true;
}

QByteArray cleanColorProfile(const QByteArray& profile)
{
    const auto cleanOnce = [](const QByteArray& p) -> QByteArray {
        if (!isCompleteProfile(p))
            return {};
        if (isStandardColorProfile(p))
            return p;
        return rebuildColorProfile(p);
    };
    try {
        // A rebuilt profile rebuilds to itself, but the first rebuild of a source whose grids had the
        // sizes a rebuild prefers takes others, and Little CMS may write a tag it then reads back
        // differently (found by fuzzing): the rebuild is taken again until it settles, and a profile that
        // does not settle within a few rounds is dropped rather than kept in a form nobody checked.
        QByteArray cleaned = cleanOnce(profile);
        for (int round = 0; round < 3 && !cleaned.isEmpty(); ++round) {
            QByteArray again = cleanOnce(cleaned);
            if (again == cleaned)
                return cleaned;
            cleaned = std::move(again);
        }
        return {};
    } catch (...) {
        return {};
    }
}

QByteArray joinJpegIccChunks(const QList<QByteArrayView>& payloads)
{
    constexpr QByteArrayView kSignature("ICC_PROFILE\0", 12);
    constexpr qsizetype kChunkHeader = 14; // signature, sequence number, count
    if (payloads.isEmpty() || payloads.size() > 255)
        return {};
    qsizetype total = 0;
    for (qsizetype i = 0; i < payloads.size(); ++i) {
        const QByteArrayView payload = payloads[i];
        if (payload.size() < kChunkHeader || !payload.startsWith(kSignature) || uchar(payload[12]) != i + 1
            || uchar(payload[13]) != payloads.size())
            return {};
        total += payload.size() - kChunkHeader;
    }
    QByteArray joined;
    joined.reserve(total);
    for (const QByteArrayView payload : payloads)
        joined.append(payload.sliced(kChunkHeader));
    return joined;
}

void cleanImageColorProfile(Image& image)
{
    const QByteArray cleaned = cleanColorProfile(image.iccProfile);
    // Qt compares colour spaces by their colour, not their bytes: a colour space that merely equals the
    // cleaned one may still hold the original bytes, and Qt's writers write those. Start from none.
    const bool unchanged = !cleaned.isEmpty() && image.pixels.colorSpace().iccProfile() == cleaned;
    image.iccProfile = cleaned;
    if (unchanged)
        return;
    image.pixels.setColorSpace(QColorSpace());
    if (cleaned.isEmpty())
        return;
    const QColorSpace colorSpace = QColorSpace::fromIccProfile(cleaned);
    if (colorSpace.isValid())
        image.pixels.setColorSpace(colorSpace);
}

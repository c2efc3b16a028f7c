// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/metadata/ColorProfile.h"

#include <QColorSpace>
#include <QCryptographicHash>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>
#include <lcms2.h>
#include <lcms2_plugin.h>
#include <memory>
#include <type_traits>

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
/// into every copy (a description, a copyright), the same in every photo. Where each ID comes from:
/// - sRGB IEC61966-2.1 (Hewlett-Packard and Microsoft, 1998, 3144 bytes, version 2.1): the sRGB profile
///   that Photoshop, Windows and camera software embed. Computed here from the copy in ImageMagick's
///   built-in "wizard:" image, which is byte for byte the HP file (its CRC-32 0x182ea552 and Adler-32
///   0xf784f3fb are those libpng lists for that profile); published catalogues of profile IDs give the
///   same value. Copies in photos differ in the rendering-intent byte only, which the ID leaves out.
/// - sRGB2014 (International Color Consortium, 3024 bytes, version 2.0): the ICC's own sRGB profile; its
///   stored profile ID equals the computed one (checked on the copy Qt ships for its PDF output).
/// - Display P3 (Apple, 2017, version 4.0): the profile iPhones and Macs embed in their photos. Apple
///   writes the computed ID into the profile; this is the ProfileID exiftool shows for iPhone photos.
/// - Adobe RGB (1998) (Adobe, version 2.1): the wide-gamut profile Adobe's applications embed; the ID
///   published in catalogues of Adobe's profiles, computed from Adobe's file.
constexpr std::array<const char*, 4> kStandardProfileIds = {
    "1d3fda2edb4a89ab60a23c5f7c7d81dd", // sRGB IEC61966-2.1
    "3d0eb2deae9397be9b6726ce8c0a43ce", // sRGB2014
    "ca1a9582257f104d389913d5d1ea1582", // Display P3
    "33bc7f1c156fa0d72f8f717ae5886bd4", // Adobe RGB (1998)
};

/// A standard profile passes untouched only when the fields the ID leaves out hold nothing either: a known
/// rendering intent, no flags beyond the two the ICC defines, and no ID or the right one.
bool isStandardProfile(QByteArrayView profile)
{
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

// --- Rebuilding with Little CMS -----------------------------------------------------------------------

/// The tags that define colour: colorants, tone curves, white and black point, chromatic adaptation, the
/// LUTs of every intent (integer and floating point), chromaticities, the gamut tag, the absolute
/// luminance and the video code points. Every other tag (texts, measurement and viewing conditions,
/// technology, calibration dates, colorant names, private tags) is left behind.
constexpr std::array<cmsTagSignature, 28> kColourTags = { cmsSigRedColorantTag, cmsSigGreenColorantTag,
    cmsSigBlueColorantTag, cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag, cmsSigGrayTRCTag,
    cmsSigMediaWhitePointTag, cmsSigMediaBlackPointTag, cmsSigChromaticAdaptationTag, cmsSigAToB0Tag,
    cmsSigAToB1Tag, cmsSigAToB2Tag, cmsSigBToA0Tag, cmsSigBToA1Tag, cmsSigBToA2Tag, cmsSigDToB0Tag,
    cmsSigDToB1Tag, cmsSigDToB2Tag, cmsSigDToB3Tag, cmsSigBToD0Tag, cmsSigBToD1Tag, cmsSigBToD2Tag,
    cmsSigBToD3Tag, cmsSigChromaticityTag, cmsSigGamutTag, cmsSigLuminanceTag, cmsSigcicpTag };

/// Signatures are compared as numbers: a profile may hold any 32-bit value where lcms's enumerations have
/// names for some, and such a value must never be held in one of those enumerations.
bool isColourTag(quint32 signature)
{
    return std::any_of(kColourTags.begin(), kColourTags.end(),
        [signature](cmsTagSignature colour) { return quint32(colour) == signature; });
}

/// The largest single block lcms may allocate while rebuilding one profile. A tag's declared sizes could
/// otherwise make lcms ask for hundreds of megabytes for a profile of a few kilobytes.
struct AllocationBudget
{
    cmsUInt32Number maxBlock = 0;
};

void* budgetedMalloc(cmsContext context, cmsUInt32Number size)
{
    const auto* budget = static_cast<const AllocationBudget*>(cmsGetContextUserData(context));
    if (size == 0 || (budget && size > budget->maxBlock))
        return nullptr;
    return std::malloc(size);
}

void budgetedFree(cmsContext, void* block)
{
    std::free(block);
}

void* budgetedRealloc(cmsContext context, void* block, cmsUInt32Number size)
{
    const auto* budget = static_cast<const AllocationBudget*>(cmsGetContextUserData(context));
    if (size == 0 || (budget && size > budget->maxBlock))
        return nullptr;
    return std::realloc(block, size);
}

void ignoreError(cmsContext, cmsUInt32Number, const char*) { }

struct ContextCloser
{
    void operator()(cmsContext context) const { cmsDeleteContext(context); }
};
struct ProfileCloser
{
    void operator()(void* profile) const { cmsCloseProfile(static_cast<cmsHPROFILE>(profile)); }
};
struct MluFreer
{
    void operator()(cmsMLU* mlu) const { cmsMLUfree(mlu); }
};
using ContextPtr = std::unique_ptr<std::remove_pointer_t<cmsContext>, ContextCloser>;
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;

/// The neutral description of a profile for the colour \a space; null for colour spaces images are not
/// kept in.
const char* neutralDescription(quint32 space)
{
    switch (space) {
    case cmsSigRgbData:
        return "RGB";
    case cmsSigGrayData:
        return "Gray";
    case cmsSigCmykData:
        return "CMYK";
    default:
        return nullptr;
    }
}

/// A profile with a header and no tags: the header fields the colour depends on, everything else zero
/// (creation date, platform, flags, device manufacturer, model and attributes). lcms keeps the date it
/// reads, so a profile built on this template is written with a zeroed date.
QByteArray headerTemplate(const QByteArray& profile, cmsHPROFILE source)
{
    QByteArray header(kHeaderSize + 4, '\0');
    auto* b = reinterpret_cast<uchar*>(header.data());
    qToBigEndian(quint32(header.size()), b);
    qToBigEndian(quint32(cmsGetEncodedICCversion(source)), b + 8);
    // Device class, colour space and connection space, as the source states them.
    std::memcpy(b + 12, profile.constData() + 12, 12);
    std::memcpy(b + 36, "acsp", 4);
    const cmsUInt32Number intent = cmsGetHeaderRenderingIntent(source);
    qToBigEndian(quint32(intent <= 3 ? intent : 0), b + kIntentOffset);
    // The illuminant lcms writes is always D50, as the ICC requires.
    return header;
}

QByteArray rebuildProfile(const QByteArray& profile)
{
    // Room for the largest legitimate tag (a 16-bit CLUT read as it is stored, or its float form) but
    // not for what a forged size could ask.
    AllocationBudget budget;
    budget.maxBlock = cmsUInt32Number(std::clamp<qsizetype>(profile.size() * 8, 16 << 20, 256 << 20));
    cmsPluginMemHandler memory = {};
    memory.base.Magic = cmsPluginMagicNumber;
    memory.base.ExpectedVersion = 2000;
    memory.base.Type = cmsPluginMemHandlerSig;
    memory.MallocPtr = budgetedMalloc;
    memory.FreePtr = budgetedFree;
    memory.ReallocPtr = budgetedRealloc;
    const ContextPtr context(cmsCreateContext(&memory, &budget));
    if (!context)
        return {};
    cmsSetLogErrorHandlerTHR(context.get(), ignoreError);

    const ProfilePtr source(
        cmsOpenProfileFromMemTHR(context.get(), profile.constData(), cmsUInt32Number(profile.size())));
    if (!source)
        return {};
    // Header fields are read from the bytes, not through lcms's enumerations (see isColourTag).
    const quint32 deviceClass = readBE32(profile.constData() + 12);
    if (deviceClass != cmsSigInputClass && deviceClass != cmsSigDisplayClass
        && deviceClass != cmsSigOutputClass && deviceClass != cmsSigColorSpaceClass)
        return {};
    const char* description = neutralDescription(readBE32(profile.constData() + 16));
    const quint32 pcs = readBE32(profile.constData() + 20);
    if (!description || (pcs != cmsSigXYZData && pcs != cmsSigLabData))
        return {};

    const QByteArray header = headerTemplate(profile, source.get());
    const ProfilePtr cleaned(
        cmsOpenProfileFromMemTHR(context.get(), header.constData(), cmsUInt32Number(header.size())));
    if (!cleaned)
        return {};

    // The tag table as the bytes hold it (isCompleteProfile checked it), in its order, so that a tag that
    // shares another's data comes after that one.
    const quint32 tagCount = readBE32(profile.constData() + kHeaderSize);
    for (quint32 i = 0; i < tagCount; ++i) {
        const quint32 raw = readBE32(profile.constData() + kHeaderSize + 4 + qsizetype(i) * kTagEntrySize);
        if (!isColourTag(raw))
            continue;
        const auto signature = cmsTagSignature(raw);
        if (cmsIsTag(cleaned.get(), signature) || !cmsIsTag(source.get(), signature))
            continue;
        // Tags that share their data in the source (three equal tone curves, one LUT for two intents)
        // share it in the cleaned profile too. lcms links only tags it knows, so the value has a name.
        const cmsTagSignature linkedTo = cmsTagLinkedTo(source.get(), signature);
        if (isColourTag(quint32(linkedTo)) && cmsIsTag(cleaned.get(), linkedTo)) {
            if (!cmsLinkTag(cleaned.get(), signature, linkedTo))
                return {};
            continue;
        }
        // Read means parsed: only what lcms understood of the tag is written again, never its raw bytes.
        void* tag = cmsReadTag(source.get(), signature);
        if (!tag || !cmsWriteTag(cleaned.get(), signature, tag))
            return {};
    }

    const std::unique_ptr<cmsMLU, MluFreer> text(cmsMLUalloc(context.get(), 1));
    if (!text || !cmsMLUsetASCII(text.get(), "en", "US", description)
        || !cmsWriteTag(cleaned.get(), cmsSigProfileDescriptionTag, text.get()))
        return {};

    // Version 2 reserves the ID field (it must stay zero); from version 4 on it holds the MD5.
    if (cmsGetEncodedICCversion(cleaned.get()) >= 0x04000000 && !cmsMD5computeID(cleaned.get()))
        return {};
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(cleaned.get(), nullptr, &size) || size < kHeaderSize + 4)
        return {};
    QByteArray result(qsizetype(size), Qt::Uninitialized);
    if (!cmsSaveProfileToMem(cleaned.get(), result.data(), &size) || qsizetype(size) != result.size())
        return {};
    if (!isCompleteProfile(result))
        return {};
    // lcms writes a tag in the types the profile's version allows, converting what it read; a tag of a
    // type its version does not allow (a version 4 LUT in a version 2 profile) can come out unreadable.
    // Every tag of the result must read again.
    const ProfilePtr written(
        cmsOpenProfileFromMemTHR(context.get(), result.constData(), cmsUInt32Number(result.size())));
    if (!written)
        return {};
    for (cmsInt32Number i = 0; i < cmsGetTagCount(written.get()); ++i) {
        if (!cmsReadTag(written.get(), cmsGetTagSignature(written.get(), cmsUInt32Number(i))))
            return {};
    }
    return result;
}

} // namespace

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
        if (isStandardProfile(p))
            return p;
        return rebuildProfile(p);
    };
    try {
        // A rebuilt profile rebuilds to itself, except where Little CMS writes a tag it then reads back
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

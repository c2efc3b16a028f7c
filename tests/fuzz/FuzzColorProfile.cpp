// SPDX-License-Identifier: GPL-3.0-or-later
// A fast libFuzzer target over the colour-profile cleaner: the input is taken as a profile and, split at
// every "ICC_PROFILE", as the payloads of a JPEG's APP2 chain. Besides the sanitizers' findings it checks
// what the cleaner promises: a kept profile is complete, holds the tags it rebuilds (colorants, tone curves,
// white point, adaptation, one LUT each way, video code points) and a description only, carries no date
// and no device fields, is the input itself only when that was a standard profile, and is left as it is
// when cleaned again.
#include "engine/metadata/ColorProfile.h"
#include "tests/fuzz/FuzzSupport.h"

#include <QList>

#include <algorithm>
#include <array>

namespace {

quint32 be32(const QByteArray& bytes, qsizetype at)
{
    const auto* b = reinterpret_cast<const uchar*>(bytes.constData() + at);
    return quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3];
}

bool onlyColourTags(const QByteArray& profile)
{
    static constexpr std::array<const char*, 13> kAllowed = { "rXYZ", "gXYZ", "bXYZ", "rTRC", "gTRC", "bTRC",
        "kTRC", "wtpt", "chad", "A2B0", "B2A0", "cicp", "desc" };
    for (quint32 i = 0; i < be32(profile, 128); ++i) {
        const QByteArray tag = profile.mid(132 + 12 * qsizetype(i), 4);
        if (std::none_of(kAllowed.begin(), kAllowed.end(), [&](const char* name) { return tag == name; }))
            return false;
    }
    return true;
}

void checkCleaned(const QByteArray& input)
{
    const QByteArray cleaned = cleanColorProfile(input);
    if (cleaned.isEmpty())
        return;
    if (!isCompleteProfile(cleaned))
        fuzzFailure("a kept profile is not complete");
    if (cleaned == input)
        return; // a standard profile, kept as it is
    if (!onlyColourTags(cleaned))
        fuzzFailure("a cleaned profile holds a tag that is no colour");
    if (cleaned.mid(24, 12) != QByteArray(12, '\0') || cleaned.mid(44, 20) != QByteArray(20, '\0'))
        fuzzFailure("a cleaned profile keeps its date, flags or device fields");
    if (cleanColorProfile(cleaned) != cleaned)
        fuzzFailure("cleaning a cleaned profile changes it");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    startFuzzTarget("morvane_fuzz_profile");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = fuzzInput(data, size);
    checkCleaned(bytes);

    QList<QByteArrayView> payloads;
    for (qsizetype at = bytes.indexOf("ICC_PROFILE"); at >= 0;) {
        const qsizetype next = bytes.indexOf("ICC_PROFILE", at + 1);
        payloads.append(QByteArrayView(bytes).sliced(at, (next < 0 ? bytes.size() : next) - at));
        at = next;
    }
    if (!payloads.isEmpty())
        checkCleaned(joinJpegIccChunks(payloads));
    return 0;
}

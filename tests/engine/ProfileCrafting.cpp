// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/engine/ProfileCrafting.h"

#include <QBuffer>
#include <QtEndian>

namespace {

quint32 be32(const QByteArray& bytes, qsizetype at)
{
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

} // namespace

LcmsProfile::LcmsProfile(const QByteArray& bytes)
    : handle(cmsOpenProfileFromMem(bytes.constData(), cmsUInt32Number(bytes.size())))
{ }

LcmsProfile::~LcmsProfile()
{
    if (handle)
        cmsCloseProfile(handle);
}

QByteArray LcmsProfile::save() const
{
    cmsUInt32Number size = 0;
    if (!handle || !cmsSaveProfileToMem(handle, nullptr, &size))
        return {};
    QByteArray bytes(qsizetype(size), '\0');
    return cmsSaveProfileToMem(handle, bytes.data(), &size) ? bytes : QByteArray();
}

void LcmsProfile::writeText(cmsTagSignature signature, const QByteArray& text) const
{
    cmsMLU* mlu = cmsMLUalloc(nullptr, 1);
    cmsMLUsetASCII(mlu, "en", "US", text.constData());
    cmsWriteTag(handle, signature, mlu);
    cmsMLUfree(mlu);
}

QByteArray withExtraTag(const QByteArray& profile, const char* signature, const QByteArray& data)
{
    const quint32 count = be32(profile, 128);
    const qsizetype tableEnd = 132 + 12 * qsizetype(count);
    QByteArray out = profile.left(128);
    out.append(4 + 12 * qsizetype(count + 1), '\0');
    qToBigEndian(count + 1, out.data() + 128);
    for (quint32 i = 0; i < count; ++i) {
        const qsizetype entry = 132 + 12 * qsizetype(i);
        out.replace(entry, 12, profile.mid(entry, 12));
        qToBigEndian(be32(profile, entry + 4) + 12, out.data() + entry + 4);
    }
    out.append(profile.mid(tableEnd));
    while (out.size() % 4)
        out.append('\0');
    const qsizetype newEntry = 132 + 12 * qsizetype(count);
    out.replace(newEntry, 4, QByteArray(signature, 4));
    qToBigEndian(quint32(out.size()), out.data() + newEntry + 4);
    qToBigEndian(quint32(data.size()), out.data() + newEntry + 8);
    out.append(data);
    qToBigEndian(quint32(out.size()), out.data());
    return out;
}

QByteArray personalised(const QByteArray& base)
{
    const LcmsProfile profile(base);
    profile.writeText(cmsSigProfileDescriptionTag, kPersonalDescription);
    profile.writeText(cmsSigCopyrightTag, kPersonalCopyright);
    profile.writeText(cmsSigDeviceMfgDescTag, kPersonalMaker);
    profile.writeText(cmsSigDeviceModelDescTag, kPersonalModel);
    return withExtraTag(profile.save(), "jdoe", kPrivatePayload);
}

QByteArray displayP3v4()
{
    const cmsCIExyY d65 = { 0.3127, 0.3290, 1.0 };
    const cmsCIExyYTRIPLE primaries = { { 0.680, 0.320, 1.0 }, { 0.265, 0.690, 1.0 }, { 0.150, 0.060, 1.0 } };
    const cmsFloat64Number srgb[5] = { 2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045 };
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, srgb);
    cmsToneCurve* curves[3] = { curve, curve, curve };
    const LcmsProfile profile(cmsCreateRGBProfile(&d65, &primaries, curves));
    cmsFreeToneCurve(curve);
    cmsSetProfileVersion(profile.handle, 4.3);
    return profile.save();
}

QByteArray lutProfile()
{
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHPROFILE lab = cmsCreateLab4Profile(nullptr);
    cmsHTRANSFORM toLab = cmsCreateTransform(srgb, TYPE_RGB_16, lab, TYPE_Lab_16, INTENT_PERCEPTUAL, 0);
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, 3, 3);
    cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 9, 3, 3, nullptr);
    cmsStageSampleCLut16bit(
        clut,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
            cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), in, out, 1);
            return 1;
        },
        toLab, 0);
    // The stages a LutAToB tag holds: A curves, the CLUT, B curves.
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsPipelineInsertStage(lut, cmsAT_END, clut);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    const LcmsProfile profile(cmsCreateProfilePlaceholder(nullptr));
    cmsSetProfileVersion(profile.handle, 4.3);
    cmsSetDeviceClass(profile.handle, cmsSigInputClass);
    cmsSetColorSpace(profile.handle, cmsSigRgbData);
    cmsSetPCS(profile.handle, cmsSigLabData);
    cmsWriteTag(profile.handle, cmsSigMediaWhitePointTag, cmsD50_XYZ());
    cmsWriteTag(profile.handle, cmsSigAToB0Tag, lut);
    cmsLinkTag(profile.handle, cmsSigAToB1Tag, cmsSigAToB0Tag);
    cmsPipelineFree(lut);
    cmsDeleteTransform(toLab);
    cmsCloseProfile(lab);
    cmsCloseProfile(srgb);
    return profile.save();
}

QByteArray jpegOf(const QImage& image)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes;
}

QByteArray withApp2(const QByteArray& jpeg, const QList<QByteArray>& payloads)
{
    const qsizetype afterApp0 = 4 + qFromBigEndian<quint16>(jpeg.constData() + 4);
    QByteArray segments;
    for (const QByteArray& payload : payloads) {
        segments.append("\xFF\xE2", 2);
        char length[2];
        qToBigEndian(quint16(payload.size() + 2), length);
        segments.append(length, 2).append(payload);
    }
    return jpeg.left(afterApp0) + segments + jpeg.mid(afterApp0);
}

QList<QByteArray> iccChunks(const QByteArray& profile, int chunks, QList<int> sequence, int count)
{
    if (sequence.isEmpty())
        for (int i = 1; i <= chunks; ++i)
            sequence.append(i);
    const qsizetype step = (profile.size() + chunks - 1) / chunks;
    QList<QByteArray> payloads;
    for (int i = 0; i < sequence.size(); ++i) {
        const int index = sequence[i] - 1;
        payloads.append(QByteArray("ICC_PROFILE\0", 12) + char(sequence[i]) + char(count ? count : chunks)
            + profile.mid(index * step, step));
    }
    return payloads;
}

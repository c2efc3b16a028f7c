// SPDX-License-Identifier: GPL-3.0-or-later
#include "tests/engine/ProfileCrafting.h"

#include <QBuffer>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

quint32 be32(const QByteArray& bytes, qsizetype at)
{
    return qFromBigEndian<quint32>(bytes.constData() + at);
}

quint16 be16(const QByteArray& bytes, qsizetype at)
{
    return qFromBigEndian<quint16>(bytes.constData() + at);
}

/// Where the data of the tag \a signature starts, by the tag table; -1 when there is none.
qsizetype tagStart(const QByteArray& profile, const char* signature, qsizetype* length = nullptr)
{
    for (quint32 i = 0; i < be32(profile, 128); ++i) {
        const qsizetype entry = 132 + 12 * qsizetype(i);
        if (profile.mid(entry, 4) == QByteArray(signature, 4)) {
            if (length)
                *length = be32(profile, entry + 8);
            return be32(profile, entry + 4);
        }
    }
    return -1;
}

/// Fills a CLUT stage of \a stage with what \a transform (16-bit in and out) makes of its grid points.
void sampleThrough(cmsStage* stage, cmsHTRANSFORM transform)
{
    cmsStageSampleCLut16bit(
        stage,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
            cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), in, out, 1);
            return 1;
        },
        transform, 0);
}

/// A pipeline of \a clut between identity curves (the parts a lutAtoB or lutBtoA tag holds).
cmsPipeline* framedClut(cmsStage* clut, cmsUInt32Number inputs, cmsUInt32Number outputs)
{
    cmsPipeline* lut = cmsPipelineAlloc(nullptr, inputs, outputs);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, inputs, nullptr));
    cmsPipelineInsertStage(lut, cmsAT_END, clut);
    cmsPipelineInsertStage(lut, cmsAT_END, cmsStageAllocToneCurves(nullptr, outputs, nullptr));
    return lut;
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
    const LcmsProfile srgb(cmsCreate_sRGBProfile());
    const LcmsProfile lab(cmsCreateLab4Profile(nullptr));
    cmsHTRANSFORM toLab
        = cmsCreateTransform(srgb.handle, TYPE_RGB_16, lab.handle, TYPE_Lab_16, INTENT_PERCEPTUAL, 0);
    cmsStage* clut = cmsStageAllocCLut16bit(nullptr, 9, 3, 3, nullptr);
    sampleThrough(clut, toLab);
    cmsPipeline* lut = framedClut(clut, 3, 3); // the stages a LutAToB tag holds
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
    return profile.save();
}

namespace {

/// A 4096-entry tone curve: gamma \a gamma bent by a sine of \a bend (a display calibration's shape).
cmsToneCurve* bentCurve(double gamma, double bend)
{
    std::vector<cmsUInt16Number> table(4096);
    for (size_t i = 0; i < table.size(); ++i) {
        const double x = double(i) / double(table.size() - 1);
        const double y = std::pow(x, gamma) * (1.0 + bend * std::sin(M_PI * x));
        table[i] = cmsUInt16Number(std::lround(std::clamp(y, 0.0, 1.0) * 65535.0));
    }
    return cmsBuildTabulatedToneCurve16(nullptr, cmsUInt32Number(table.size()), table.data());
}

} // namespace

QByteArray tabulatedMatrixProfile(double version)
{
    const cmsCIExyY d65 = { 0.3127, 0.3290, 1.0 };
    const cmsCIExyYTRIPLE primaries = { { 0.64, 0.33, 1.0 }, { 0.21, 0.71, 1.0 }, { 0.15, 0.06, 1.0 } };
    cmsToneCurve* curves[3];
    for (int c = 0; c < 3; ++c)
        curves[c] = bentCurve(2.15 + 0.05 * c, 0.02 * (c + 1));
    const LcmsProfile profile(cmsCreateRGBProfile(&d65, &primaries, curves));
    for (cmsToneCurve* curve : curves)
        cmsFreeToneCurve(curve);
    cmsSetProfileVersion(profile.handle, version);
    return profile.save();
}

QByteArray tabulatedGrayProfile(double version)
{
    cmsToneCurve* curve = bentCurve(2.2, 0.03);
    const LcmsProfile profile(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
    cmsSetProfileVersion(profile.handle, version);
    return profile.save();
}

QByteArray matrixAndLutProfile(double version, int gridPoints, bool gamut)
{
    const QByteArray matrix = tabulatedMatrixProfile(version);
    const LcmsProfile profile(matrix);
    const LcmsProfile shaper(matrix);
    const LcmsProfile xyz(cmsCreateXYZProfile());
    const cmsUInt32Number points = cmsUInt32Number(gridPoints);
    cmsHTRANSFORM toXyz = cmsCreateTransform(shaper.handle, TYPE_RGB_16, xyz.handle, TYPE_XYZ_16,
        INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    cmsHTRANSFORM fromXyz = cmsCreateTransform(xyz.handle, TYPE_XYZ_16, shaper.handle, TYPE_RGB_16,
        INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    cmsStage* forward = cmsStageAllocCLut16bit(nullptr, points, 3, 3, nullptr);
    cmsStage* backward = cmsStageAllocCLut16bit(nullptr, points, 3, 3, nullptr);
    sampleThrough(forward, toXyz);
    sampleThrough(backward, fromXyz);
    cmsPipeline* a2b = framedClut(forward, 3, 3);
    cmsPipeline* b2a = framedClut(backward, 3, 3);
    cmsWriteTag(profile.handle, cmsSigAToB0Tag, a2b);
    cmsWriteTag(profile.handle, cmsSigBToA0Tag, b2a);
    if (gamut) {
        // In gamut (0) where the colour comes back from the RGB space unclipped, else out (full scale).
        cmsStage* check = cmsStageAllocCLut16bit(nullptr, points, 3, 1, nullptr);
        cmsStageSampleCLut16bit(
            check,
            [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
                cmsUInt16Number rgb[3];
                cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), in, rgb, 1);
                out[0] = std::any_of(rgb, rgb + 3, [](cmsUInt16Number v) { return v == 0 || v == 65535; })
                    ? 65535
                    : 0;
                return 1;
            },
            fromXyz, 0);
        cmsPipeline* gamt = framedClut(check, 3, 1);
        cmsWriteTag(profile.handle, cmsSigGamutTag, gamt);
        cmsPipelineFree(gamt);
    }
    cmsPipelineFree(a2b);
    cmsPipelineFree(b2a);
    cmsDeleteTransform(toXyz);
    cmsDeleteTransform(fromXyz);
    return profile.save();
}

QByteArray cmykProfile(double version)
{
    const LcmsProfile srgb(cmsCreate_sRGBProfile());
    const LcmsProfile lab(cmsCreateLab4Profile(nullptr));
    const cmsUInt32Number labFormat = version < 4 ? TYPE_LabV2_16 : TYPE_Lab_16;
    cmsHTRANSFORM toLab = cmsCreateTransform(
        srgb.handle, TYPE_RGB_DBL, lab.handle, labFormat, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    cmsHTRANSFORM fromLab = cmsCreateTransform(
        lab.handle, labFormat, srgb.handle, TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_NOOPTIMIZE);
    // Inks with dot gain over white paper; the input curves undo most of the gain, as a profiler's do.
    const auto gain = [](double v) { return v + 0.15 * std::sin(M_PI * v); };
    cmsStage* forward = cmsStageAllocCLut16bit(nullptr, 9, 4, 3, nullptr);
    cmsStageSampleCLut16bit(
        forward,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
            const auto gained = [](double v) { return v + 0.15 * std::sin(M_PI * v); };
            const double k = 1.0 - 0.92 * gained(in[3] / 65535.0);
            double rgb[3];
            for (int c = 0; c < 3; ++c)
                rgb[c] = (0.97 - 0.9 * gained(in[c] / 65535.0)) * k;
            cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), rgb, out, 1);
            return 1;
        },
        toLab, 0);
    std::vector<cmsUInt16Number> undo(256);
    for (size_t i = 0; i < undo.size(); ++i) {
        // The inverse of the gain, by bisection.
        const double target = double(i) / 255.0;
        double low = 0, high = 1;
        for (int step = 0; step < 40; ++step)
            (gain((low + high) / 2) < target ? low : high) = (low + high) / 2;
        undo[i] = cmsUInt16Number(std::lround(low * 65535.0));
    }
    cmsToneCurve* linearising = cmsBuildTabulatedToneCurve16(nullptr, 256, undo.data());
    cmsToneCurve* inputs[4] = { linearising, linearising, linearising, linearising };
    cmsPipeline* a2b = cmsPipelineAlloc(nullptr, 4, 3);
    cmsPipelineInsertStage(a2b, cmsAT_END, cmsStageAllocToneCurves(nullptr, 4, inputs));
    cmsPipelineInsertStage(a2b, cmsAT_END, forward);
    cmsPipelineInsertStage(a2b, cmsAT_END, cmsStageAllocToneCurves(nullptr, 3, nullptr));
    cmsFreeToneCurve(linearising);

    cmsStage* backward = cmsStageAllocCLut16bit(nullptr, 17, 3, 4, nullptr);
    cmsStageSampleCLut16bit(
        backward,
        [](const cmsUInt16Number in[], cmsUInt16Number out[], void* cargo) -> cmsInt32Number {
            double rgb[3];
            cmsDoTransform(static_cast<cmsHTRANSFORM>(cargo), in, rgb, 1);
            // Grey component replacement, then the inks that leave the rest (dot gain not undone: a
            // profiler's inverse is never exact either).
            const double darkest = 1.0 - std::clamp(std::max({ rgb[0], rgb[1], rgb[2] }), 0.0, 1.0);
            const double k = 0.8 * darkest;
            out[3] = cmsUInt16Number(std::lround(k * 65535.0));
            for (int c = 0; c < 3; ++c) {
                const double ink
                    = std::clamp((0.97 - std::clamp(rgb[c], 0.0, 1.0) / (1.0 - 0.92 * k)) / 0.9, 0.0, 1.0);
                out[c] = cmsUInt16Number(std::lround(ink * 65535.0));
            }
            return 1;
        },
        fromLab, 0);
    cmsPipeline* b2a = framedClut(backward, 3, 4);

    const LcmsProfile profile(cmsCreateProfilePlaceholder(nullptr));
    cmsSetProfileVersion(profile.handle, version);
    cmsSetDeviceClass(profile.handle, cmsSigOutputClass);
    cmsSetColorSpace(profile.handle, cmsSigCmykData);
    cmsSetPCS(profile.handle, cmsSigLabData);
    const cmsCIEXYZ paper = { 0.9300, 0.9600, 0.7900 };
    cmsWriteTag(profile.handle, cmsSigMediaWhitePointTag, &paper);
    cmsWriteTag(profile.handle, cmsSigAToB0Tag, a2b);
    cmsWriteTag(profile.handle, cmsSigBToA0Tag, b2a);
    cmsLinkTag(profile.handle, cmsSigAToB1Tag, cmsSigAToB0Tag);
    cmsLinkTag(profile.handle, cmsSigBToA1Tag, cmsSigBToA0Tag);
    cmsPipelineFree(a2b);
    cmsPipelineFree(b2a);
    cmsDeleteTransform(toLab);
    cmsDeleteTransform(fromLab);
    return profile.save();
}

QByteArray overwrittenInTag(
    const QByteArray& profile, const char* signature, qsizetype offset, const QByteArray& bytes)
{
    qsizetype length = 0;
    const qsizetype start = tagStart(profile, signature, &length);
    if (start < 0 || offset < 0 || offset + bytes.size() > length)
        return profile;
    QByteArray out = profile;
    out.replace(start + offset, bytes.size(), bytes);
    return out;
}

qsizetype lutGridOffset(const QByteArray& profile, const char* signature, const std::vector<int>& point)
{
    const qsizetype start = tagStart(profile, signature);
    if (start < 0)
        return -1;
    const QByteArray type = profile.mid(start, 4);
    const int inputs = uchar(profile[start + 8]);
    const int outputs = uchar(profile[start + 9]);
    if (int(point.size()) != inputs)
        return -1;
    std::vector<int> grid(size_t(inputs), 0);
    qsizetype clut = 0;
    int width = 2;
    if (type == "mft2") {
        // Type, reserved, channels and grid, matrix, table sizes; then the input tables.
        std::fill(grid.begin(), grid.end(), uchar(profile[start + 10]));
        clut = 52 + qsizetype(inputs) * be16(profile, start + 48) * 2;
    } else if (type == "mAB " || type == "mBA ") {
        const qsizetype at = be32(profile, start + 24);
        if (at == 0)
            return -1;
        for (int i = 0; i < inputs; ++i)
            grid[size_t(i)] = uchar(profile[start + at + i]);
        width = uchar(profile[start + at + 16]);
        clut = at + 20;
    } else {
        return -1;
    }
    qsizetype index = 0;
    for (int i = 0; i < inputs; ++i)
        index = index * grid[size_t(i)] + point[size_t(i)];
    return clut + index * outputs * width;
}

QByteArray withMarkerInCurves(const QByteArray& profile)
{
    QByteArray out = profile;
    for (const char* signature : { "rTRC", "gTRC", "bTRC", "kTRC" }) {
        qsizetype length = 0;
        const qsizetype start = tagStart(profile, signature, &length);
        if (start < 0 || profile.mid(start, 4) != "curv" || be32(profile, start + 8) < 256)
            continue;
        const qsizetype entry = qsizetype(be32(profile, start + 8)) * 53 / 100;
        out = overwrittenInTag(out, signature, 12 + 2 * entry, kColourMarker);
    }
    return out;
}

QByteArray withMarkerInAdaptation(const QByteArray& profile)
{
    return overwrittenInTag(profile, "chad", 8, kColourMarker);
}

QByteArray withMarkerInGrid(const QByteArray& profile, const char* signature, const std::vector<int>& point)
{
    const qsizetype offset = lutGridOffset(profile, signature, point);
    return offset < 0 ? profile : overwrittenInTag(profile, signature, offset, kColourMarker);
}

bool holdsMarkerPart(const QByteArray& bytes)
{
    for (qsizetype at = 0; at + 8 <= kColourMarker.size(); ++at) {
        if (bytes.contains(kColourMarker.mid(at, 8)))
            return true;
    }
    return false;
}

std::vector<cmsUInt16Number> testChart(cmsColorSpaceSignature space)
{
    std::vector<cmsUInt16Number> chart;
    const auto steps = [](int count) {
        std::vector<cmsUInt16Number> values;
        for (int i = 0; i < count; ++i)
            values.push_back(cmsUInt16Number(i * 65535 / (count - 1)));
        return values;
    };
    if (space == cmsSigGrayData) {
        chart = steps(256);
    } else if (space == cmsSigRgbData) {
        for (const cmsUInt16Number r : steps(17))
            for (const cmsUInt16Number g : steps(17))
                for (const cmsUInt16Number b : steps(17))
                    chart.insert(chart.end(), { r, g, b });
    } else if (space == cmsSigCmykData) {
        for (const cmsUInt16Number c : steps(9))
            for (const cmsUInt16Number m : steps(9))
                for (const cmsUInt16Number y : steps(9))
                    for (const cmsUInt16Number k : steps(9))
                        chart.insert(chart.end(), { c, m, y, k });
    }
    return chart;
}

std::vector<cmsCIELab> chartInLab(const QByteArray& profile, cmsUInt32Number intent)
{
    const LcmsProfile input(profile);
    const LcmsProfile lab(cmsCreateLab4Profile(nullptr));
    if (!input.handle)
        return {};
    const cmsColorSpaceSignature space = cmsGetColorSpace(input.handle);
    const cmsUInt32Number format = space == cmsSigGrayData ? TYPE_GRAY_16
        : space == cmsSigCmykData                          ? TYPE_CMYK_16
                                                           : TYPE_RGB_16;
    const std::vector<cmsUInt16Number> chart = testChart(space);
    const size_t colours = chart.size() / T_CHANNELS(format);
    cmsHTRANSFORM transform = cmsCreateTransform(
        input.handle, format, lab.handle, TYPE_Lab_DBL, intent, cmsFLAGS_NOOPTIMIZE | cmsFLAGS_NOCACHE);
    if (!transform || colours == 0)
        return {};
    std::vector<cmsCIELab> out(colours);
    cmsDoTransform(transform, chart.data(), out.data(), cmsUInt32Number(colours));
    cmsDeleteTransform(transform);
    return out;
}

double largestDeltaE(const QByteArray& a, const QByteArray& b, cmsUInt32Number intent,
    const std::function<bool(const cmsUInt16Number*)>& skip)
{
    const std::vector<cmsCIELab> first = chartInLab(a, intent);
    const std::vector<cmsCIELab> second = chartInLab(b, intent);
    if (first.empty() || first.size() != second.size())
        return std::numeric_limits<double>::infinity();
    const LcmsProfile opened(a);
    const std::vector<cmsUInt16Number> chart = testChart(cmsGetColorSpace(opened.handle));
    const size_t channels = chart.size() / first.size();
    double largest = 0;
    for (size_t i = 0; i < first.size(); ++i) {
        if (!skip || !skip(chart.data() + i * channels))
            largest = std::max(largest, cmsDeltaE(&first[i], &second[i]));
    }
    return largest;
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

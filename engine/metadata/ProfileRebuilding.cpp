// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/metadata/ProfileRebuilding.h"

#include <QByteArrayView>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <lcms2.h>
#include <lcms2_plugin.h>
#include <memory>
#include <type_traits>
#include <vector>

namespace {

constexpr qsizetype kHeaderSize = 128;
constexpr qsizetype kTagEntrySize = 12;
constexpr qsizetype kIntentOffset = 64;

quint32 readBE32(const char* p)
{
    return qFromBigEndian<quint32>(p);
}

// --- Little CMS under a budget -------------------------------------------------------------------------

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
struct CurveFreer
{
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};
struct PipelineFreer
{
    void operator()(cmsPipeline* pipeline) const { cmsPipelineFree(pipeline); }
};
struct MluFreer
{
    void operator()(cmsMLU* mlu) const { cmsMLUfree(mlu); }
};
using ContextPtr = std::unique_ptr<std::remove_pointer_t<cmsContext>, ContextCloser>;
using ProfilePtr = std::unique_ptr<void, ProfileCloser>;
using CurvePtr = std::unique_ptr<cmsToneCurve, CurveFreer>;
using PipelinePtr = std::unique_ptr<cmsPipeline, PipelineFreer>;

// --- The source's bytes ---------------------------------------------------------------------------------

/// The data of the tag \a signature as the profile's bytes hold it (the tag table was checked by
/// isCompleteProfile); empty when there is none.
QByteArrayView rawTag(const QByteArray& profile, quint32 signature)
{
    const quint32 count = readBE32(profile.constData() + kHeaderSize);
    for (quint32 i = 0; i < count; ++i) {
        const char* entry = profile.constData() + kHeaderSize + 4 + qsizetype(i) * kTagEntrySize;
        if (readBE32(entry) == signature)
            return QByteArrayView(profile).sliced(readBE32(entry + 4), readBE32(entry + 8));
    }
    return {};
}

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

cmsUInt32Number channelsOf(quint32 space)
{
    return space == cmsSigGrayData ? 1 : space == cmsSigCmykData ? 4 : 3;
}

/// A profile with a header and no tags: the header fields the colour depends on, everything else zero
/// (creation date, platform, flags, device manufacturer, model and attributes). lcms keeps the date it
/// reads, so a profile built on this template is written with a zeroed date.
QByteArray headerTemplate(quint32 version, quint32 deviceClass, quint32 space, quint32 pcs, quint32 intent)
{
    QByteArray header(kHeaderSize + 4, '\0');
    auto* b = reinterpret_cast<uchar*>(header.data());
    qToBigEndian(quint32(header.size()), b);
    qToBigEndian(version, b + 8);
    qToBigEndian(deviceClass, b + 12);
    qToBigEndian(space, b + 16);
    qToBigEndian(pcs, b + 20);
    std::memcpy(b + 36, "acsp", 4);
    qToBigEndian(intent, b + kIntentOffset);
    // The illuminant lcms writes is always D50, as the ICC requires.
    return header;
}

// --- Tone curves -----------------------------------------------------------------------------------------

/// Samples a tone curve is taken at: the written table has twice as many intervals, the samples on its
/// even entries and values interpolated from them between.
constexpr qsizetype kCurveSamples = 513;
/// How far a standard curve may lie from the source's curve (in parts of the full range) and still
/// replace it: about two steps of a 16-bit table.
constexpr double kCurveFitTolerance = 2.5 / 65535;
constexpr double kGammaStep = 1.0 / 256; // what a version 2 profile's single-gamma curve can hold

/// Reads a source tone curve at exact fractions of its range: a parametric curve through lcms, a table
/// by interpolating its entries in integers, so that a table read at its own entries gives them exactly.
class CurveReader
{
public:
    explicit CurveReader(const cmsToneCurve* curve)
        : m_curve(curve)
        , m_entries(cmsGetToneCurveEstimatedTableEntries(curve))
        , m_table(cmsGetToneCurveEstimatedTable(curve))
    {
        if (cmsGetToneCurveParametricType(curve) != 0 || !m_table || m_entries < 2)
            m_entries = 0;
    }

    /// The number of entries of the source's table; 0 for a parametric curve.
    [[nodiscard]] qsizetype tableEntries() const { return m_entries; }

    /// The curve at \a k / \a intervals, in 0..1.
    [[nodiscard]] double at(qsizetype k, qsizetype intervals) const
    {
        if (m_entries == 0) {
            const double value
                = cmsEvalToneCurveFloat(m_curve, cmsFloat32Number(double(k) / double(intervals)));
            return std::isfinite(value) ? std::clamp(value, 0.0, 1.0) : 0.0;
        }
        const quint64 scaled = quint64(k) * quint64(m_entries - 1);
        const quint64 index = scaled / quint64(intervals);
        const quint64 rest = scaled % quint64(intervals);
        const double low = m_table[index];
        if (rest == 0)
            return low / 65535.0;
        const double high = m_table[index + 1];
        return (low + (high - low) * double(rest) / double(intervals)) / 65535.0;
    }

private:
    const cmsToneCurve* m_curve;
    qsizetype m_entries;
    const cmsUInt16Number* m_table;
};

/// \a fraction of the full range as a 16-bit code; 0 for what is no number.
cmsUInt16Number toWord(double fraction)
{
    return fraction > 0 ? cmsUInt16Number(std::lround(std::min(fraction, 1.0) * 65535.0)) : 0;
}

/// Fills the odd entries of \a table (those between samples) with the mean of their neighbours.
void fillBetweenSamples(std::vector<cmsUInt16Number>& table)
{
    for (size_t k = 1; k + 1 < table.size(); k += 2)
        table[k] = cmsUInt16Number((quint32(table[k - 1]) + table[k + 1] + 1) / 2);
}

/// Whether \a candidate lies within kCurveFitTolerance of \a wanted, its values at k / (size - 1).
bool fits(const cmsToneCurve* candidate, const std::vector<double>& wanted)
{
    const double intervals = double(wanted.size() - 1);
    for (size_t k = 0; k < wanted.size(); ++k) {
        const double value = cmsEvalToneCurveFloat(candidate, cmsFloat32Number(double(k) / intervals));
        if (!(std::abs(value - wanted[k]) <= kCurveFitTolerance))
            return false;
    }
    return true;
}

/// The tone curve written for \a source: the sRGB curve or a gamma (in steps of 1/256) where one fits,
/// else a table sampled on a grid of another length than the source's table.
CurvePtr rebuiltCurve(cmsContext context, const cmsToneCurve* source)
{
    const CurveReader reader(source);
    const qsizetype samples = reader.tableEntries() == kCurveSamples ? kCurveSamples - 1 : kCurveSamples;
    const qsizetype entries = 2 * samples - 1;
    std::vector<double> wanted(size_t(entries), 0.0);
    for (qsizetype k = 0; k < entries; ++k)
        wanted[size_t(k)] = reader.at(k, entries - 1);

    static constexpr cmsFloat64Number kSrgb[5] = { 2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045 };
    CurvePtr srgb(cmsBuildParametricToneCurve(context, 4, kSrgb));
    if (srgb && fits(srgb.get(), wanted))
        return srgb;
    const double estimate = cmsEstimateGamma(source, 0.05);
    if (estimate > 0.1 && estimate < 10.0) {
        CurvePtr gamma(cmsBuildGamma(context, std::round(estimate / kGammaStep) * kGammaStep));
        if (gamma && fits(gamma.get(), wanted))
            return gamma;
    }
    std::vector<cmsUInt16Number> table(size_t(entries), 0);
    for (qsizetype k = 0; k < entries; k += 2)
        table[size_t(k)] = toWord(wanted[size_t(k)]);
    fillBetweenSamples(table);
    return CurvePtr(cmsBuildTabulatedToneCurve16(context, cmsUInt32Number(entries), table.data()));
}

/// Whether two rebuilt curves are the same curve (then the profile links their tags).
bool sameCurve(const cmsToneCurve* a, const cmsToneCurve* b)
{
    const cmsInt32Number type = cmsGetToneCurveParametricType(a);
    if (type != cmsGetToneCurveParametricType(b))
        return false;
    if (type != 0) // sRGB or a gamma: the first parameters tell them apart
        return cmsGetToneCurveParams(a)[0] == cmsGetToneCurveParams(b)[0];
    const cmsUInt32Number entries = cmsGetToneCurveEstimatedTableEntries(a);
    return entries == cmsGetToneCurveEstimatedTableEntries(b)
        && std::equal(cmsGetToneCurveEstimatedTable(a), cmsGetToneCurveEstimatedTable(a) + entries,
            cmsGetToneCurveEstimatedTable(b));
}

// --- Matrix/shaper -------------------------------------------------------------------------------------

/// The chromaticities of the rebuilt colorants and white point lie on these grids, so that reading them
/// back from a rebuilt profile (whose numbers lcms stores in s15.16, 1/65536) finds the same ones. The
/// colorants decide the colour; the white point only the chromatic adaptation.
constexpr double kColorantStep = 1.0 / 8192;
constexpr double kWhiteStep = 1.0 / 4096;

bool finite(const cmsCIEXYZ& xyz)
{
    return std::isfinite(xyz.X) && std::isfinite(xyz.Y) && std::isfinite(xyz.Z);
}

/// The chromaticity of \a xyz on a grid of \a step (none for 0), with Y = 1 (lcms reads only x and y of
/// primaries); false when it has none (a sum of zero) or one far outside the diagram.
bool gridChromaticity(const cmsCIEXYZ& xyz, double step, cmsCIExyY* result)
{
    const double sum = xyz.X + xyz.Y + xyz.Z;
    if (!finite(xyz) || !(std::abs(sum) > 1e-9))
        return false;
    const auto grid = [step](double v) { return step > 0 ? std::round(v / step) * step : v; };
    result->x = grid(xyz.X / sum);
    result->y = grid(xyz.Y / sum);
    result->Y = 1.0;
    return std::abs(result->x) < 8 && std::abs(result->y) < 8;
}

/// A colour of the chromaticity \a xyY with X + Y + Z = 1 (defined also where y is 0).
cmsCIEXYZ unitSum(const cmsCIExyY& xyY)
{
    return { xyY.x, xyY.y, 1.0 - xyY.x - xyY.y };
}

/// The white the source's colorants were adapted from: undone through the chromatic adaptation where the
/// profile has one, else its media white point (a version 2 display profile's), else D50. A white that
/// makes no sense (not a positive colour inside the chromaticity diagram's square) is taken as D50.
cmsCIExyY sourceWhite(const QByteArray& profile, cmsHPROFILE source)
{
    cmsCIEXYZ white = *cmsD50_XYZ();
    // lcms hands out a chromatic adaptation tag of fewer than nine numbers as it is: its bytes decide.
    const QByteArrayView adaptationTag = rawTag(profile, cmsSigChromaticAdaptationTag);
    if (!adaptationTag.isEmpty()) {
        const auto* adaptation = adaptationTag.size() >= 8 + 9 * 4 && adaptationTag.startsWith("sf32")
            ? static_cast<const cmsMAT3*>(cmsReadTag(source, cmsSigChromaticAdaptationTag))
            : nullptr;
        cmsMAT3 inverse;
        if (adaptation && _cmsMAT3inverse(adaptation, &inverse)) {
            const cmsVEC3 d50 = { { cmsD50X, cmsD50Y, cmsD50Z } };
            cmsVEC3 adopted;
            _cmsMAT3eval(&adopted, &inverse, &d50);
            white = { adopted.n[0], adopted.n[1], adopted.n[2] };
        }
    } else if (const auto* media
        = static_cast<const cmsCIEXYZ*>(cmsReadTag(source, cmsSigMediaWhitePointTag))) {
        white = *media;
    }
    cmsCIExyY xyY;
    if (!finite(white) || !(white.X > 0 && white.Y > 0 && white.Z > 0)
        || !gridChromaticity(white, kWhiteStep, &xyY)
        || !(xyY.x > 0.05 && xyY.y > 0.05 && xyY.x + xyY.y < 0.95))
        gridChromaticity(*cmsD50_XYZ(), kWhiteStep, &xyY);
    return xyY;
}

/// The source's media white point when it is a plausible one (a colour of positive X, Y and Z below 2),
/// on a grid of 1/4096; else D50.
cmsCIEXYZ mediaWhite(cmsHPROFILE source)
{
    const auto* media = static_cast<const cmsCIEXYZ*>(cmsReadTag(source, cmsSigMediaWhitePointTag));
    if (!media || !finite(*media) || !(media->X > 0 && media->X < 2 && media->Y > 0 && media->Y < 2)
        || !(media->Z > 0 && media->Z < 2))
        return *cmsD50_XYZ();
    return { std::round(media->X * 4096) / 4096, std::round(media->Y * 4096) / 4096,
        std::round(media->Z * 4096) / 4096 };
}

/// Writes the matrix/shaper tags rebuilt from \a source into \a target: the white point, the chromatic
/// adaptation computed from it, the colorants and the tone curves. The media white point is D50 in a
/// version 4 profile and the white itself in a version 2 one, as each version has it. False when they
/// describe no colour space.
bool writeMatrixShaper(const QByteArray& profile, cmsContext context, cmsHPROFILE source, cmsHPROFILE target)
{
    static constexpr std::array<cmsTagSignature, 3> kColorants
        = { cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag };
    static constexpr std::array<cmsTagSignature, 3> kCurves
        = { cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag };

    const cmsCIExyY white = sourceWhite(profile, source);
    cmsCIEXYZ whiteXyz;
    cmsxyY2XYZ(&whiteXyz, &white);
    std::array<cmsCIExyY, 3> primaries {};
    std::array<CurvePtr, 3> curves;
    for (size_t i = 0; i < 3; ++i) {
        const auto* colorant = static_cast<const cmsCIEXYZ*>(cmsReadTag(source, kColorants[i]));
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(source, kCurves[i]));
        if (!colorant || !curve || !finite(*colorant))
            return false;
        // The colorants are the primaries adapted to D50. Their chromaticities are what lcms keeps when it
        // builds the profile back from primaries under the white (it scales them to sum to the white).
        cmsCIExyY adapted;
        if (!gridChromaticity(*colorant, kColorantStep, &adapted))
            return false;
        const cmsCIEXYZ adaptedXyz = unitSum(adapted);
        cmsCIEXYZ primary;
        if (!cmsAdaptToIlluminant(&primary, cmsD50_XYZ(), &whiteXyz, &adaptedXyz)
            || !gridChromaticity(primary, 0, &primaries[i]))
            return false;
        curves[i] = rebuiltCurve(context, curve);
        if (!curves[i])
            return false;
    }
    cmsToneCurve* shared[3] = { curves[0].get(), curves[1].get(), curves[2].get() };
    for (size_t i = 1; i < 3; ++i)
        for (size_t j = 0; j < i; ++j)
            if (shared[i] == curves[i].get() && sameCurve(curves[i].get(), shared[j]))
                shared[i] = shared[j];

    const cmsCIExyYTRIPLE triple = { primaries[0], primaries[1], primaries[2] };
    const ProfilePtr built(cmsCreateRGBProfileTHR(context, &white, &triple, shared));
    if (!built)
        return false;
    for (const cmsTagSignature tag : { cmsSigMediaWhitePointTag, cmsSigChromaticAdaptationTag,
             cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag }) {
        void* value = cmsReadTag(built.get(), tag);
        if (!value || !cmsWriteTag(target, tag, value))
            return false;
    }
    if (cmsGetEncodedICCversion(target) < 0x04000000
        && !cmsWriteTag(target, cmsSigMediaWhitePointTag, &whiteXyz))
        return false;
    for (size_t i = 0; i < 3; ++i) {
        const auto j
            = size_t(std::find(std::begin(shared), std::end(shared), shared[i]) - std::begin(shared));
        if (j < i ? !cmsLinkTag(target, kCurves[i], kCurves[j]) : !cmsWriteTag(target, kCurves[i], shared[i]))
            return false;
    }
    return true;
}

/// Writes a grey profile's tone curve rebuilt from \a source into \a target.
bool writeGrayCurve(cmsContext context, cmsHPROFILE source, cmsHPROFILE target)
{
    const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(source, cmsSigGrayTRCTag));
    if (!curve)
        return false;
    const CurvePtr rebuilt = rebuiltCurve(context, curve);
    return rebuilt && cmsWriteTag(target, cmsSigGrayTRCTag, rebuilt.get());
}

// --- LUTs ---------------------------------------------------------------------------------------------

/// Grid points per axis of a written LUT, by its number of inputs. Their intervals divide 65535, so that
/// every grid point lies on a 16-bit code exactly: lcms's 16-bit interpolation gives back the value of a
/// grid point sampled at its code, and a rebuilt LUT sampled again gives the same grid.
cmsUInt32Number lutGridPoints(cmsUInt32Number inputs)
{
    switch (inputs) {
    case 1:
        return 86;
    case 3:
        return 18;
    default:
        return 16;
    }
}

/// Entries of the input curves of a written LUT, which place its grid points at the sample points.
constexpr qsizetype kLutCurveEntries = 256;

bool coprimeTo255(qsizetype n)
{
    return n % 3 != 0 && n % 5 != 0 && n % 17 != 0;
}

/// Where the written LUT samples its source along one axis of \a points grid points: the entries of a
/// 256-entry curve nearest to an even spread whose index has no factor in common with 255. A grid of any
/// size up to 255 points (n - 1 intervals) has its points at j / (n - 1): those are never such an entry
/// i / 255 but at the ends, so the samples fall between the source's grid points and take values
/// interpolated from them, never one of them.
std::vector<qsizetype> samplePositions(cmsUInt32Number points)
{
    std::vector<qsizetype> positions(points, 0);
    positions.back() = kLutCurveEntries - 1;
    for (cmsUInt32Number k = 1; k + 1 < points; ++k) {
        const qsizetype even = std::lround(double(k) * double(kLutCurveEntries - 1) / double(points - 1));
        qsizetype chosen = even;
        for (qsizetype distance = 0; !coprimeTo255(chosen) || chosen <= positions[k - 1]; ++distance)
            chosen = distance % 2 == 0 ? even + distance / 2 + 1 : even - (distance + 1) / 2;
        positions[k] = chosen;
    }
    return positions;
}

/// The input curve of a written LUT: it takes each sample position to its grid point exactly, and is
/// linear between them.
CurvePtr samplingCurve(cmsContext context, const std::vector<qsizetype>& positions)
{
    std::vector<cmsUInt16Number> table(size_t(kLutCurveEntries), 0);
    const double step = 65535.0 / double(positions.size() - 1);
    for (size_t k = 0; k + 1 < positions.size(); ++k) {
        const qsizetype from = positions[k];
        const qsizetype to = positions[k + 1];
        for (qsizetype i = from; i <= to; ++i)
            table[size_t(i)]
                = cmsUInt16Number(std::lround(step * (double(k) + double(i - from) / double(to - from))));
    }
    return CurvePtr(cmsBuildTabulatedToneCurve16(context, cmsUInt32Number(kLutCurveEntries), table.data()));
}

/// A LUT sampled from \a source: input curves that place the grid points at the sample positions, a
/// 16-bit grid of the source's values there, identity output curves (none in a lut16 tag, which has
/// them by default). \a scaleIn and \a scaleOut convert this profile's codes to the source tag's at the
/// input and from them at the output (Lab in lut16 tags has codes of its own).
PipelinePtr sampledLut(
    cmsContext context, const cmsPipeline* source, double scaleIn, double scaleOut, bool outputCurves)
{
    const cmsUInt32Number inputs = cmsPipelineInputChannels(source);
    const cmsUInt32Number outputs = cmsPipelineOutputChannels(source);
    if (inputs < 1 || inputs > 4 || outputs < 1 || outputs > 4)
        return {};
    const cmsUInt32Number points = lutGridPoints(inputs);
    const std::vector<qsizetype> positions = samplePositions(points);
    size_t nodes = 1;
    for (cmsUInt32Number axis = 0; axis < inputs; ++axis)
        nodes *= points;
    std::vector<cmsUInt16Number> table(nodes * outputs, 0);
    std::array<cmsUInt32Number, 4> index {};
    for (size_t node = 0; node < nodes; ++node) {
        std::array<cmsFloat32Number, cmsMAXCHANNELS> in {}, out {};
        for (cmsUInt32Number axis = 0; axis < inputs; ++axis)
            in[axis]
                = cmsFloat32Number(double(positions[index[axis]]) / double(kLutCurveEntries - 1) * scaleIn);
        cmsPipelineEvalFloat(in.data(), out.data(), source);
        for (cmsUInt32Number channel = 0; channel < outputs; ++channel)
            table[node * outputs + channel] = toWord(double(out[channel]) * scaleOut);
        // The next grid point, the last input fastest (as lcms stores the grid).
        for (cmsUInt32Number axis = inputs; axis-- > 0;) {
            if (++index[axis] < points)
                break;
            index[axis] = 0;
        }
    }

    const CurvePtr curve = samplingCurve(context, positions);
    if (!curve)
        return {};
    const std::array<cmsToneCurve*, cmsMAXCHANNELS> curves
        = { curve.get(), curve.get(), curve.get(), curve.get() };
    PipelinePtr lut(cmsPipelineAlloc(context, inputs, outputs));
    if (!lut)
        return {};
    std::vector<cmsStage*> stages = { cmsStageAllocToneCurves(context, inputs, curves.data()),
        cmsStageAllocCLut16bit(context, points, inputs, outputs, table.data()) };
    if (outputCurves)
        stages.push_back(cmsStageAllocToneCurves(context, outputs, nullptr));
    bool whole = true;
    for (cmsStage* stage : stages) {
        if (whole && stage && cmsPipelineInsertStage(lut.get(), cmsAT_END, stage))
            continue;
        whole = false;
        if (stage)
            cmsStageFree(stage);
    }
    return whole ? std::move(lut) : PipelinePtr();
}

/// Writes into \a target as \a written the LUT sampled from the first of \a tags the source has (the
/// perceptual intent's first). True when it has none; false when one cannot be sampled.
bool writeSampledLut(const QByteArray& profile, cmsHPROFILE source, cmsHPROFILE target,
    const std::array<cmsTagSignature, 3>& tags, cmsTagSignature written, bool* wrote)
{
    const auto tag
        = std::find_if(tags.begin(), tags.end(), [&](cmsTagSignature t) { return cmsIsTag(source, t); });
    if (tag == tags.end())
        return true;
    const auto* pipeline = static_cast<const cmsPipeline*>(cmsReadTag(source, *tag));
    if (!pipeline)
        return false;
    const bool toPcs = written == cmsSigAToB0Tag;
    const quint32 space = readBE32(profile.constData() + 16);
    const quint32 pcs = readBE32(profile.constData() + 20);
    if (cmsPipelineInputChannels(pipeline) != (toPcs ? channelsOf(space) : 3)
        || cmsPipelineOutputChannels(pipeline) != (toPcs ? 3 : channelsOf(space)))
        return false;
    // Lab in a lut16 tag has codes of its own (100 at 0xFF00, where other tags have it at 0xFFFF): lcms
    // writes lut16 tags into version 2 profiles, lutAtoB and lutBtoA into version 4 ones.
    const QByteArrayView raw = rawTag(profile, quint32(*tag));
    const auto legacyFactor
        = [&](bool legacy) { return pcs == cmsSigLabData && legacy ? 257.0 / 256.0 : 1.0; };
    const double sourceFactor = legacyFactor(raw.startsWith("mft2"));
    const double writtenFactor = legacyFactor(cmsGetEncodedICCversion(target) < 0x04000000);
    const double scaleIn = toPcs ? 1.0 : writtenFactor / sourceFactor;
    const double scaleOut = toPcs ? sourceFactor / writtenFactor : 1.0;
    const PipelinePtr sampled = sampledLut(cmsGetProfileContextID(target), pipeline, scaleIn, scaleOut,
        cmsGetEncodedICCversion(target) >= 0x04000000);
    if (!sampled || !cmsWriteTag(target, written, sampled.get()))
        return false;
    *wrote = true;
    return true;
}

/// Writes the video code points of \a source when they are ones the ICC allows for an RGB image: known
/// primaries and transfer characteristics, the identity matrix. Four small numbers that say how an HDR
/// image is to be shown.
bool writeVideoCodePoints(cmsHPROFILE source, cmsHPROFILE target)
{
    const auto* signal = static_cast<const cmsVideoSignalType*>(cmsReadTag(source, cmsSigcicpTag));
    if (!signal)
        return true;
    const auto known = [](int v, std::initializer_list<std::pair<int, int>> ranges) {
        return std::any_of(
            ranges.begin(), ranges.end(), [v](auto r) { return v >= r.first && v <= r.second; });
    };
    if (!known(signal->ColourPrimaries, { { 1, 1 }, { 4, 12 }, { 22, 22 } })
        || !known(signal->TransferCharacteristics, { { 1, 1 }, { 4, 18 } }) || signal->MatrixCoefficients != 0
        || signal->VideoFullRangeFlag > 1)
        return true;
    const cmsVideoSignalType copy
        = { signal->ColourPrimaries, signal->TransferCharacteristics, 0, signal->VideoFullRangeFlag };
    return cmsWriteTag(target, cmsSigcicpTag, &copy);
}

/// The version written: the source's when it is a plain version 2 or 4 (the minor version in the second
/// byte, nothing after it), else 4.3 or 2.1 by its major version. The version decides how lcms writes
/// the tags and how CMMs read a LUT's perceptual rendering, so it stays.
quint32 writtenVersion(quint32 version)
{
    const quint32 major = version >> 24;
    if ((version & 0xFFFF) == 0 && (major == 2 || major == 4))
        return version;
    return major >= 4 ? 0x04300000 : 0x02100000;
}

} // namespace

QByteArray rebuildColorProfile(const QByteArray& profile)
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
    // Header fields are read from the bytes, never held in lcms's enumerations: a profile may hold any
    // 32-bit value where those have names for some.
    const quint32 deviceClass = readBE32(profile.constData() + 12);
    if (deviceClass != cmsSigInputClass && deviceClass != cmsSigDisplayClass
        && deviceClass != cmsSigOutputClass && deviceClass != cmsSigColorSpaceClass)
        return {};
    const quint32 space = readBE32(profile.constData() + 16);
    const char* description = neutralDescription(space);
    const quint32 pcs = readBE32(profile.constData() + 20);
    if (!description || (pcs != cmsSigXYZData && pcs != cmsSigLabData))
        return {};

    static constexpr std::array<cmsTagSignature, 3> kToPcs
        = { cmsSigAToB0Tag, cmsSigAToB1Tag, cmsSigAToB2Tag };
    static constexpr std::array<cmsTagSignature, 3> kFromPcs
        = { cmsSigBToA0Tag, cmsSigBToA1Tag, cmsSigBToA2Tag };
    const cmsUInt32Number intent = cmsGetHeaderRenderingIntent(source.get());
    const QByteArray header = headerTemplate(writtenVersion(cmsGetEncodedICCversion(source.get())),
        deviceClass, space, pcs, intent <= 3 ? intent : 0);
    const ProfilePtr rebuilt(
        cmsOpenProfileFromMemTHR(context.get(), header.constData(), cmsUInt32Number(header.size())));
    if (!rebuilt)
        return {};

    // The tags that render the colour, each rebuilt from what it means.
    bool shaped = false;
    const auto hasAll = [&](std::initializer_list<cmsTagSignature> tags) {
        return std::all_of(
            tags.begin(), tags.end(), [&](cmsTagSignature t) { return cmsIsTag(source.get(), t); });
    };
    if (space == cmsSigRgbData
        && hasAll({ cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag, cmsSigRedTRCTag,
            cmsSigGreenTRCTag, cmsSigBlueTRCTag })) {
        if (!writeMatrixShaper(profile, context.get(), source.get(), rebuilt.get()))
            return {};
        shaped = true;
    } else if (space == cmsSigGrayData && cmsIsTag(source.get(), cmsSigGrayTRCTag)) {
        if (!writeGrayCurve(context.get(), source.get(), rebuilt.get()))
            return {};
        shaped = true;
    }
    bool toPcs = false;
    bool fromPcs = false;
    if (!writeSampledLut(profile, source.get(), rebuilt.get(), kToPcs, cmsSigAToB0Tag, &toPcs)
        || !writeSampledLut(profile, source.get(), rebuilt.get(), kFromPcs, cmsSigBToA0Tag, &fromPcs))
        return {};
    if (!shaped && !toPcs)
        return {};
    // The media white point of a grey or LUT profile (a paper's, for a printer) is what its absolute
    // rendering keeps.
    if (!(shaped && space == cmsSigRgbData)) {
        const cmsCIEXYZ white = mediaWhite(source.get());
        if (!cmsWriteTag(rebuilt.get(), cmsSigMediaWhitePointTag, &white))
            return {};
    }
    if (cmsGetEncodedICCversion(rebuilt.get()) >= 0x04000000
        && !writeVideoCodePoints(source.get(), rebuilt.get()))
        return {};

    const std::unique_ptr<cmsMLU, MluFreer> text(cmsMLUalloc(context.get(), 1));
    if (!text || !cmsMLUsetASCII(text.get(), "en", "US", description)
        || !cmsWriteTag(rebuilt.get(), cmsSigProfileDescriptionTag, text.get()))
        return {};

    // Version 2 reserves the ID field (it must stay zero); from version 4 on it holds the MD5.
    if (cmsGetEncodedICCversion(rebuilt.get()) >= 0x04000000 && !cmsMD5computeID(rebuilt.get()))
        return {};
    cmsUInt32Number size = 0;
    if (!cmsSaveProfileToMem(rebuilt.get(), nullptr, &size) || size < kHeaderSize + 4)
        return {};
    QByteArray result(qsizetype(size), Qt::Uninitialized);
    if (!cmsSaveProfileToMem(rebuilt.get(), result.data(), &size) || qsizetype(size) != result.size())
        return {};
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

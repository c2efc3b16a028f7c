// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/formats/jpeg/lossless/JpegLossless.h"

#include "engine/core/ConversionReasons.h"
#include "engine/formats/jpeg/lossless/JpegLosslessPrivate.h"

#include <algorithm>

// The paths:
// - an upright baseline source whose scan surveys clean and carries nothing beside its picture: its scan
//   bytes and Huffman tables are written again behind new header segments, with no coefficient decoded
//   or encoded. Nothing beside the picture means: each Huffman table is a standard one of Annex K or
//   codes only symbols the scan uses, and every padding block of the edge MCUs is empty;
// - a turned baseline source, or an upright one whose scan carries more than its picture: its scan is
//   decoded straight into the turned places of one block buffer, which libjpeg's coefficient writer then
//   codes with tables made for it (it reads the buffer through our memory manager's block-array access,
//   so no second copy is made), and with padding blocks of its own;
// - anything else (progressive, arithmetic, several scans, a scan that does not survey clean): libjpeg
//   reads the coefficients, which are turned into the same block buffer and written the same way.
// On every path a quantiser whose coefficient is zero in every block is written as kIdleQuantiser.

static_assert(sizeof(JCOEF) == sizeof(std::int16_t));

using namespace JpegLosslessPrivate;
using namespace JpegPrivate;

namespace {

/// Whether \a orientation can be applied to the frame without trimming: every edge that the turn moves
/// to the left or the top must end on a whole MCU (one block for a single component).
bool turnsWithoutTrimming(const SourceFrame& frame, Orientation orientation)
{
    const bool single = frame.components.size() == 1;
    const int mcuWidth = 8 * (single ? 1 : frame.maxHSampling);
    const int mcuHeight = 8 * (single ? 1 : frame.maxVSampling);
    // The stored right edge goes to the upright left (transposed: the top) where that axis is mirrored;
    // the bottom edge likewise.
    const OrientationSteps steps = stepsOf(orientation);
    const bool rightEdgeMoves = steps.transposes ? steps.mirrorsDown : steps.mirrorsAcross;
    const bool bottomEdgeMoves = steps.transposes ? steps.mirrorsAcross : steps.mirrorsDown;
    return (!rightEdgeMoves || frame.width % mcuWidth == 0)
        && (!bottomEdgeMoves || frame.height % mcuHeight == 0);
}

/// Whether each Huffman table of the scan is either a standard one or one whose codes a survey of the
/// symbols the scan uses can tell apart: then only that survey is left to decide whether the tables may
/// be written again.
bool tablesMayBeKept(const SourceFrame& frame)
{
    for (const SourceFrame::ScanComponent& component : frame.scan) {
        const JpegHuffmanTable& dc = *frame.dcTables[size_t(component.dcTable)];
        const JpegHuffmanTable& ac = *frame.acTables[size_t(component.acTable)];
        if ((!isStandardHuffmanTable(dc, true) && !listsEachSymbolOnce(dc))
            || (!isStandardHuffmanTable(ac, false) && !listsEachSymbolOnce(ac)))
            return false;
    }
    return true;
}

/// Whether the scan uses every symbol of each Huffman table it is coded with that is not a standard one.
bool everySymbolUsed(const SourceFrame& frame, const JpegScanSurvey& survey)
{
    std::array<std::array<bool, 256>, NUM_HUFF_TBLS> dcUsed {};
    std::array<std::array<bool, 256>, NUM_HUFF_TBLS> acUsed {};
    for (size_t i = 0; i < frame.scan.size(); ++i) {
        for (size_t symbol = 0; symbol < 256; ++symbol) {
            dcUsed[size_t(frame.scan[i].dcTable)][symbol] |= survey.dcSymbols[i][symbol];
            acUsed[size_t(frame.scan[i].acTable)][symbol] |= survey.acSymbols[i][symbol];
        }
    }
    const auto allUsed = [](const JpegHuffmanTable& table, const std::array<bool, 256>& used) {
        int symbols = 0;
        for (size_t length = 1; length <= 16; ++length)
            symbols += table.counts[length];
        return std::all_of(table.symbols.begin(), table.symbols.begin() + std::min(symbols, 256),
            [&used](std::uint8_t symbol) { return used[symbol]; });
    };
    for (const SourceFrame::ScanComponent& component : frame.scan) {
        const JpegHuffmanTable& dc = *frame.dcTables[size_t(component.dcTable)];
        const JpegHuffmanTable& ac = *frame.acTables[size_t(component.acTable)];
        if ((!isStandardHuffmanTable(dc, true) && !allUsed(dc, dcUsed[size_t(component.dcTable)]))
            || (!isStandardHuffmanTable(ac, false) && !allUsed(ac, acUsed[size_t(component.acTable)])))
            return false;
    }
    return true;
}

/// The frame as written: its quantisers that multiply only zeros idle. \a nonzero holds, by frame
/// component, the natural indexes of its coefficients that are not zero in some block.
SourceFrame withIdleQuantisers(const SourceFrame& frame, const std::vector<std::uint64_t>& nonzero)
{
    QuantiserUse use {};
    for (size_t c = 0; c < frame.components.size(); ++c)
        use[size_t(frame.components[c].quantTable)] |= nonzero[c];
    SourceFrame written = frame;
    idleUnusedQuantisers(written, use);
    return written;
}

/// Turns a mask of zigzag indexes of a block turned by \a turn into natural indexes of the source block.
std::uint64_t sourceNaturalIndexes(std::uint64_t turnedZigzag, const JpegBlockTurn& turn)
{
    std::array<std::uint8_t, DCTSIZE2> zigzagOf {};
    for (size_t k = 0; k < DCTSIZE2; ++k)
        zigzagOf[kJpegNaturalOrder[k]] = std::uint8_t(k);
    std::uint64_t natural = 0;
    for (size_t i = 0; i < DCTSIZE2; ++i) {
        if (turnedZigzag >> zigzagOf[turn.position[i]] & 1)
            natural |= std::uint64_t(1) << i;
    }
    return natural;
}

} // namespace

// NOLINTNEXTLINE(readability-function-cognitive-complexity): the steps of one transform in order
LosslessJpegResult writeJpegLosslessly(
    const QByteArray& source, const LosslessJpegOptions& options, int fd, QString* reason)
{
    const auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return LosslessJpegResult::Failed;
    };
    if (fd < 0)
        return refuse(ConversionReasons::tr("no output file"));
    if (source.isEmpty())
        return refuse(ConversionReasons::tr("empty file"));
    if (options.iccProfile.size() > kMaxIccSize)
        return refuse(ConversionReasons::tr("colour profile too large for a JPEG"));

    SourceFrame frame;
    {
        Decompressor d(FatalWarnings::LostData);
        if (!readFrame(d, source, frame))
            return refuse(ConversionReasons::tr("not a readable JPEG: %1").arg(libraryMessage(d.errors)));
    }
    const qint64 pixels = qint64(frame.width) * frame.height;
    if (pixels <= 0 || pixels > options.maxPixels)
        return refuse(
            ConversionReasons::tr("image too large (%1 x %2 pixels)").arg(frame.width).arg(frame.height));
    if (!plausibleDataSize(pixels, source.size()))
        return refuse(ConversionReasons::tr("truncated JPEG: far too little data for %1 x %2 pixels")
                          .arg(frame.width)
                          .arg(frame.height));

    const Orientation orientation = options.orientation;
    if (!turnsWithoutTrimming(frame, orientation)) {
        if (reason) {
            *reason
                = ConversionReasons::tr("%1 x %2 pixels is not a whole number of JPEG blocks for this turn")
                      .arg(frame.width)
                      .arg(frame.height);
        }
        return LosslessJpegResult::NeedsReencode;
    }
    const std::vector<Segment> segments = headerSegments(options, frame);
    const JpegBlockTurn turn = jpegBlockTurn(orientation);

    bool walkerDecodes = frame.walkable;
    if (frame.walkable && orientation == Orientation::Normal && tablesMayBeKept(frame)) {
        JpegScan scan = scanOf(frame, source);
        for (size_t i = 0; i < scan.components.size(); ++i) {
            scan.components[i].surveySymbols = !isStandardHuffmanTable(*scan.components[i].dcTable, true)
                || !isStandardHuffmanTable(*scan.components[i].acTable, false);
        }
        const std::optional<JpegScanSurvey> survey = surveyCleanJpegScan(scan);
        // A scan that does not survey clean does not decode clean either: libjpeg reads it.
        walkerDecodes = survey.has_value();
        if (survey && survey->paddingEmpty && everySymbolUsed(frame, *survey)) {
            std::vector<std::uint64_t> nonzero(frame.components.size());
            for (size_t i = 0; i < frame.scan.size(); ++i)
                nonzero[size_t(frame.scan[i].frameIndex)] = sourceNaturalIndexes(survey->nonzero[i], turn);
            const int error = writeWithScanCopied(withIdleQuantisers(frame, nonzero), segments,
                reinterpret_cast<const char*>(scan.data), survey->length, fd);
            if (error == 0)
                return LosslessJpegResult::Written;
            return refuse(outputWriteFailure(error));
        }
    }

    CoefficientPlanes planes;
    if (!allocatePlanes(frame, orientation, planes))
        return refuse(
            ConversionReasons::tr("not enough memory for %1 x %2 pixels").arg(frame.width).arg(frame.height));
    if (walkerDecodes) {
        std::vector<SymbolCounts> counts(frame.components.size());
        std::vector<std::uint64_t> nonzero(frame.components.size());
        JpegScan scan = scanOf(frame, source);
        for (size_t i = 0; i < scan.components.size(); ++i) {
            const auto c = size_t(frame.scan[i].frameIndex);
            const CoefficientPlanes::Plane& plane = planes.planes[c];
            scan.components[i].origin = plane.origin;
            scan.components[i].stepX = plane.stepX;
            scan.components[i].stepY = plane.stepY;
            scan.components[i].acCounts = counts[c].ac.data();
            scan.components[i].nonzero = &nonzero[c];
        }
        if (decodeJpegScan(scan, turn)) {
            countDcSymbols(planes, counts);
            if (!countsFitEightBits(counts))
                return refuse(ConversionReasons::tr("DCT coefficients out of range for an 8-bit JPEG"));
            for (std::uint64_t& mask : nonzero)
                mask = sourceNaturalIndexes(mask, turn);
            return writePlanes(
                withIdleQuantisers(frame, nonzero), turn, segments, planes, &counts, fd, reason);
        }
    }
    QuantiserUse use {};
    {
        Decompressor d(FatalWarnings::LostData);
        switch (readCoefficients(d, source, frame, turn, planes, use)) {
        case ReadOutcome::Read:
            break;
        case ReadOutcome::Unrefined:
            if (reason)
                *reason = ConversionReasons::tr("progressive JPEG whose scans leave coefficients unrefined");
            return LosslessJpegResult::NeedsReencode;
        case ReadOutcome::TablesDiffer:
            if (reason)
                *reason = ConversionReasons::tr("JPEG whose scans change a quantisation table");
            return LosslessJpegResult::NeedsReencode;
        case ReadOutcome::Failed:
            const QString message = libraryMessage(d.errors);
            return refuse(message.isEmpty()
                    ? ConversionReasons::tr("truncated or corrupt JPEG data")
                    : ConversionReasons::tr("truncated or corrupt JPEG data: %1").arg(message));
        }
    }
    SourceFrame written = frame;
    idleUnusedQuantisers(written, use);
    return writePlanes(written, turn, segments, planes, nullptr, fd, reason);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/formats/jpeg/lossless/JpegLossless.h"

#include "engine/formats/jpeg/lossless/JpegLosslessPrivate.h"

// The paths:
// - an upright baseline source whose scan measures clean: its tables and scan bytes are written again
//   behind new header segments, with no coefficient decoded or encoded;
// - a turned baseline source: its scan is decoded straight into the turned places of one block buffer,
//   which libjpeg's coefficient writer then codes (it reads the buffer through our memory manager's
//   block-array access, so no second copy is made);
// - anything else (progressive, arithmetic, several scans, a scan that does not measure clean): libjpeg
//   reads the coefficients, which are turned into the same block buffer and written the same way.

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

} // namespace

LosslessJpegResult writeJpegLosslessly(
    const QByteArray& source, const LosslessJpegOptions& options, int fd, QString* reason)
{
    const auto refuse = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return LosslessJpegResult::Failed;
    };
    if (fd < 0)
        return refuse(QStringLiteral("no output file"));
    if (source.isEmpty())
        return refuse(QStringLiteral("empty file"));
    if (options.iccProfile.size() > kMaxIccSize)
        return refuse(QStringLiteral("colour profile too large for a JPEG"));

    SourceFrame frame;
    {
        Decompressor d(FatalWarnings::LostData);
        if (!readFrame(d, source, frame))
            return refuse(QStringLiteral("not a readable JPEG: %1").arg(libraryMessage(d.errors)));
    }
    const qint64 pixels = qint64(frame.width) * frame.height;
    if (pixels <= 0 || pixels > options.maxPixels)
        return refuse(QStringLiteral("image too large (%1 x %2 pixels)").arg(frame.width).arg(frame.height));
    if (!plausibleDataSize(pixels, source.size()))
        return refuse(QStringLiteral("truncated JPEG: far too little data for %1 x %2 pixels")
                          .arg(frame.width)
                          .arg(frame.height));

    const Orientation orientation = options.orientation;
    if (!turnsWithoutTrimming(frame, orientation)) {
        if (reason) {
            *reason = QStringLiteral("%1 x %2 pixels is not a whole number of JPEG blocks for this turn")
                          .arg(frame.width)
                          .arg(frame.height);
        }
        return LosslessJpegResult::NeedsReencode;
    }
    const std::vector<Segment> segments = headerSegments(options, frame);

    if (frame.walkable && orientation == Orientation::Normal) {
        const JpegScan scan = scanOf(frame, source);
        if (const std::optional<size_t> length = measureCleanJpegScan(scan)) {
            const int error
                = writeWithScanCopied(frame, segments, reinterpret_cast<const char*>(scan.data), *length, fd);
            if (error == 0)
                return LosslessJpegResult::Written;
            return refuse(outputWriteFailure(error));
        }
    }

    const JpegBlockTurn turn = jpegBlockTurn(orientation);
    CoefficientPlanes planes;
    if (!allocatePlanes(frame, orientation, planes))
        return refuse(
            QStringLiteral("not enough memory for %1 x %2 pixels").arg(frame.width).arg(frame.height));
    if (frame.walkable && orientation != Orientation::Normal) {
        std::vector<SymbolCounts> counts(frame.components.size());
        JpegScan scan = scanOf(frame, source);
        for (size_t i = 0; i < scan.components.size(); ++i) {
            const auto c = size_t(frame.scan[i].frameIndex);
            const CoefficientPlanes::Plane& plane = planes.planes[c];
            scan.components[i].origin = plane.origin;
            scan.components[i].stepX = plane.stepX;
            scan.components[i].stepY = plane.stepY;
            scan.components[i].acCounts = counts[c].ac.data();
        }
        if (decodeJpegScan(scan, turn)) {
            countDcSymbols(planes, counts);
            if (!countsFitEightBits(counts))
                return refuse(QStringLiteral("DCT coefficients out of range for an 8-bit JPEG"));
            return writePlanes(frame, turn, segments, planes, &counts, fd, reason);
        }
    }
    {
        Decompressor d(FatalWarnings::LostData);
        switch (readCoefficients(d, source, frame, turn, planes)) {
        case ReadOutcome::Read:
            break;
        case ReadOutcome::Unrefined:
            if (reason)
                *reason = QStringLiteral("progressive JPEG whose scans leave coefficients unrefined");
            return LosslessJpegResult::NeedsReencode;
        case ReadOutcome::Failed:
            const QString message = libraryMessage(d.errors);
            return refuse(message.isEmpty()
                    ? QStringLiteral("truncated or corrupt JPEG data")
                    : QStringLiteral("truncated or corrupt JPEG data: %1").arg(message));
        }
    }
    return writePlanes(frame, turn, segments, planes, nullptr, fd, reason);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/JpegLossless.h"

#include "engine/JpegLosslessPrivate.h"

#include <jconfig.h> // before jerror.h, whose arithmetic-coding messages depend on it
#include <jerror.h>

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

namespace {

/// Whether a libjpeg warning means that pixels are missing or made up: the entropy-coded data ended
/// early, held an invalid code, or was cut by a marker. Those sources are refused. The remaining
/// warnings (bytes skipped between segments or before a marker, unknown header versions) leave every
/// coefficient as the source has it.
bool warningLosesData(int code)
{
    switch (code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
    case JWRN_MUST_RESYNC:
    case JWRN_BOGUS_PROGRESSION:
    case JWRN_NOT_SEQUENTIAL:
        return true;
    default:
        return false;
    }
}

/// Whether a JPEG's data can hold a frame of \a pixels: a decoder that runs out of data pads the rest
/// without complaint, so a few kilobytes could claim hundreds of megapixels. Even a flat frame needs
/// well over one byte per thousand pixels; small frames always pass.
bool plausibleDataSize(qint64 pixels, qint64 bytes)
{
    constexpr qint64 kAlwaysRead = qint64(16) << 20;
    return pixels <= kAlwaysRead || bytes >= pixels / 1024;
}

/// Whether \a orientation can be applied to the frame without trimming: every edge that the turn moves
/// to the left or the top must end on a whole MCU (one block for a single component).
bool turnsWithoutTrimming(const SourceFrame& frame, int orientation)
{
    const bool single = frame.components.size() == 1;
    const int mcuWidth = 8 * (single ? 1 : frame.maxHSampling);
    const int mcuHeight = 8 * (single ? 1 : frame.maxVSampling);
    const bool rightEdgeMoves = orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8;
    const bool bottomEdgeMoves = orientation == 3 || orientation == 4 || orientation == 6 || orientation == 7;
    return (!rightEdgeMoves || frame.width % mcuWidth == 0)
        && (!bottomEdgeMoves || frame.height % mcuHeight == 0);
}

} // namespace

namespace JpegLosslessPrivate {

[[noreturn]] void exitOnError(j_common_ptr cinfo)
{
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, errors->message);
    std::longjmp(errors->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace messages
    if (warningLosesData(cinfo->err->msg_code))
        exitOnError(cinfo);
    ++cinfo->err->num_warnings;
}

void outputMessage(j_common_ptr) { }

QString libraryMessage(const ErrorManager& errors)
{
    return QString::fromLatin1(errors.message);
}

} // namespace JpegLosslessPrivate

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
        Decompressor d;
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

    const int orientation = options.orientation >= 1 && options.orientation <= 8 ? options.orientation : 1;
    if (!turnsWithoutTrimming(frame, orientation)) {
        if (reason) {
            *reason = QStringLiteral("%1 x %2 pixels is not a whole number of JPEG blocks for this turn")
                          .arg(frame.width)
                          .arg(frame.height);
        }
        return LosslessJpegResult::NeedsReencode;
    }
    const std::vector<Segment> segments = headerSegments(options, frame);

    if (frame.walkable && orientation == 1) {
        const JpegScan scan = scanOf(frame, source);
        if (const std::optional<size_t> length = measureCleanJpegScan(scan)) {
            int error = 0;
            if (writeWithScanCopied(
                    frame, segments, reinterpret_cast<const char*>(scan.data), *length, fd, error))
                return LosslessJpegResult::Written;
            return refuse(writeFailure(error));
        }
    }

    const JpegBlockTurn turn = jpegBlockTurn(orientation);
    CoefficientPlanes planes;
    if (!allocatePlanes(frame, orientation, planes))
        return refuse(
            QStringLiteral("not enough memory for %1 x %2 pixels").arg(frame.width).arg(frame.height));
    if (frame.walkable && orientation != 1) {
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
        Decompressor d;
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/LosslessSaving.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/WorkFile.h"
#include "engine/metadata/ColorProfile.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSource.h"

#include <cmath>
#include <new>

namespace {

/// The payloads of the APP2 segments before the first scan, in file order, found as libjpeg finds
/// segments: bytes between segments are skipped up to the next marker, fill bytes are skipped.
QList<QByteArrayView> app2Payloads(const QByteArray& data)
{
    QList<QByteArrayView> payloads;
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype size = data.size();
    qsizetype pos = 2;
    while (pos + 1 < size) {
        if (bytes[pos] != 0xFF || bytes[pos + 1] == 0xFF || bytes[pos + 1] == 0x00) {
            ++pos;
            continue;
        }
        const uchar marker = bytes[pos + 1];
        if (marker == 0xDA || marker == 0xD9)
            break;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            pos += 2;
            continue;
        }
        if (pos + 4 > size)
            break;
        const qsizetype length = qsizetype(bytes[pos + 2]) << 8 | bytes[pos + 3];
        if (length < 2 || pos + 2 + length > size)
            break;
        if (marker == 0xE2)
            payloads.append(QByteArrayView(data.constData() + pos + 4, length - 2));
        pos += 2 + length;
    }
    return payloads;
}

/// The profile a decode of \a data would hand the writers: the whole ICC chain, cleaned.
QByteArray cleanedJpegProfile(const QByteArray& data)
{
    QList<QByteArrayView> chain;
    for (const QByteArrayView payload : app2Payloads(data)) {
        if (payload.startsWith(QByteArrayView("ICC_PROFILE\0", 12)))
            chain.append(payload);
    }
    return chain.isEmpty() ? QByteArray() : cleanColorProfile(joinJpegIccChunks(chain));
}

std::optional<double> positive(std::optional<double> value)
{
    return value && std::isfinite(*value) && *value > 0 ? value : std::nullopt;
}

} // namespace

std::optional<LosslessJpegResult> saveJpegLosslessly(
    const QString& sourcePath, bool fixOrientation, WorkFile& file, QString* reason)
{
    try {
        const std::unique_ptr<ImageSource> source = ImageSource::createWithPath(sourcePath);
        if (!source || source->format() != ImageFormat::JPEG)
            return std::nullopt;
        LosslessJpegOptions options;
        // The properties as a load reads them, so the turn and the density are those of a re-encode.
        ImageInfo probe;
        probe.properties = source->copyPropertiesAtIndex0();
        if (fixOrientation)
            options.orientation = orientationFromExif(IIGetImageOrientation(&probe));
        options.dpiX = positive(probe.properties->real(kCGImagePropertyDPIWidth));
        options.dpiY = positive(probe.properties->real(kCGImagePropertyDPIHeight));
        options.iccProfile = cleanedJpegProfile(source->data());
        return writeJpegLosslessly(source->data(), options, file.descriptor(), reason);
    } catch (const std::bad_alloc&) {
        if (reason)
            *reason = ConversionReasons::tr("not enough memory");
        return LosslessJpegResult::Failed;
    } catch (...) {
        if (reason)
            *reason = ConversionReasons::tr("could not be read");
        return LosslessJpegResult::Failed;
    }
}

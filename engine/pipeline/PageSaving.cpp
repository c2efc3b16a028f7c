// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/PageSaving.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/LibraryMessages.h"
#include "engine/core/WorkFile.h"
#include "engine/formats/tiff/TiffPages.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSaving.h"
#include "engine/pipeline/ImageSource.h"
#include "engine/structure/ByteOrder.h"
#include "engine/structure/FrameCount.h"

#include <cmath>
#include <new>

namespace {

constexpr double kMetresPerInch = 0.0254;

std::optional<double> positiveDpi(const ImageInfo& info, const std::string& key)
{
    const std::optional<double> value = info.properties ? info.properties->real(key) : std::nullopt;
    if (value && std::isfinite(*value) && *value > 0)
        return value;
    return std::nullopt;
}

/// The resolution a single-page TIFF of the record would state: the one its properties give, in the unit
/// and rounding of Qt's TIFF writer (centimetres for whole pixels per centimetre, else whole dots per
/// inch; an axis not stated takes a fresh image's default), or unit "none" and 1:1 when neither is.
TiffResolution pageResolution(const ImageInfo& info)
{
    const std::optional<double> dpiX = positiveDpi(info, kCGImagePropertyDPIWidth);
    const std::optional<double> dpiY = positiveDpi(info, kCGImagePropertyDPIHeight);
    if (!dpiX && !dpiY)
        return {};
    QImage probe(1, 1, QImage::Format_RGB32);
    if (dpiX)
        probe.setDotsPerMeterX(int(std::lround(*dpiX / kMetresPerInch)));
    if (dpiY)
        probe.setDotsPerMeterY(int(std::lround(*dpiY / kMetresPerInch)));
    const int perMetreX = probe.dotsPerMeterX();
    const int perMetreY = probe.dotsPerMeterY();
    if (perMetreX % 100 == 0 && perMetreY % 100 == 0)
        return { 3, float(perMetreX / 100.0), float(perMetreY / 100.0) };
    return { 2, float(probe.logicalDpiX()), float(probe.logicalDpiY()) };
}

/// The first library message of this page, for a reason: what the decoder said explains a failure.
QString withFirstWord(const QString& reason)
{
    const QStringList words = takeLibraryMessages();
    return words.isEmpty() ? reason : QStringLiteral("%1 (%2)").arg(reason, words.first());
}

} // namespace

std::optional<PageSavingResult> saveTiffPages(
    const QString& sourcePath, bool fixOrientation, WorkFile& file, QString* reason)
{
    QString why;
    const auto result = [&why, reason](PageSavingResult r) {
        if (reason)
            *reason = why;
        return r;
    };
    try {
        QByteArray data;
        QList<TiffPageDirectory> pages;
        {
            const std::unique_ptr<ImageSource> source = ImageSource::createWithPath(sourcePath);
            if (!source || source->format() != ImageFormat::TIFF)
                return std::nullopt;
            pages = tiffPageDirectories(source->data());
            if (pages.size() <= 1)
                return std::nullopt;
            data = source->data();
        }
        if (pages.size() > kMaxWrittenPages) {
            why = ConversionReasons::tr("more than %1 pages").arg(kMaxWrittenPages);
            return result(PageSavingResult::FirstPageOnly);
        }
        // Bounded over the whole file before any page is decoded: many pages each within the bound of one
        // image would otherwise add up to any size.
        qint64 statedPixels = 0;
        for (const TiffPageDirectory& page : pages) {
            if (page.size.isValid())
                statedPixels += qint64(page.size.width()) * page.size.height();
        }
        if (statedPixels > kMaxDecodedPixels) {
            why = ConversionReasons::tr("the pages together are too large");
            return result(PageSavingResult::FirstPageOnly);
        }

        std::unique_ptr<TiffPageWriter> writer = TiffPageWriter::open(file.descriptor(), &why);
        if (!writer)
            return result(PageSavingResult::Failed);
        const bool littleEndian = data.at(0) == 'I';
        qint64 decodedPixels = 0;
        for (qsizetype index = 0; index < pages.size(); ++index) {
            // Each page is decoded as the first page of the file would be: the header names its directory.
            // Only this copy of the bytes exists while no page is being decoded, so it is changed in place.
            byteorder::write32(
                reinterpret_cast<uchar*>(data.data()) + 4, quint32(pages[index].offset), littleEndian);
            (void)takeLibraryMessages();
            const ImageInfoPtr info(IICreateImageWithData(data, fixOrientation));
            if (!info) {
                why = withFirstWord(ConversionReasons::tr("page %1 could not be decoded").arg(index + 1));
                return result(PageSavingResult::FirstPageOnly);
            }
            const QSize size = IIGetImageSize(info.get());
            decodedPixels += qint64(size.width()) * size.height();
            if (decodedPixels > kMaxDecodedPixels) {
                why = ConversionReasons::tr("the pages together are too large");
                return result(PageSavingResult::FirstPageOnly);
            }
            const std::optional<Image> image
                = IIDrawImageForSaving(info.get(), std::size_t(size.width()), std::size_t(size.height()));
            if (!image) {
                why = withFirstWord(ConversionReasons::tr("page %1 could not be drawn").arg(index + 1));
                return result(PageSavingResult::FirstPageOnly);
            }
            if (!writer->addPage(image->pixels, image->iccProfile, pageResolution(*info), &why))
                return result(PageSavingResult::Failed);
        }
        if (!writer->finish(&why))
            return result(PageSavingResult::Failed);
        return result(PageSavingResult::Written);
    } catch (const std::bad_alloc&) {
        why = ConversionReasons::tr("not enough memory");
        return result(PageSavingResult::Failed);
    } catch (...) {
        why = ConversionReasons::tr("the image could not be encoded");
        return result(PageSavingResult::Failed);
    }
}

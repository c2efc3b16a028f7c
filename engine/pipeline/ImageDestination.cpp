// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ImageDestination.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/NativePath.h"
#include "engine/core/WorkFile.h"
#include "engine/formats/gif/GifEncoder.h"
#include "engine/formats/heif/HeifCodec.h"
#include "engine/formats/jpeg/JpegBands.h"
#include "engine/formats/jpeg/JpegCodec.h"
#include "engine/formats/png/PngWriter.h"
#include "engine/formats/webp/WebpCodec.h"
#include "engine/metadata/MetadataWriter.h"
#include "engine/pipeline/UnstatedResolution.h"

#include <QColorSpace>
#include <QCoreApplication>
#include <QImageWriter>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr double kMetresPerInch = 0.0254;

thread_local QString lastWriteError;
thread_local bool lastWriteFailedReading = false;

const char* const kNotEncoded = QT_TRANSLATE_NOOP("ConversionReasons", "the image could not be encoded");

bool carriesSourceMetadata(const PropertyDictionary& properties)
{
    return properties.dictionary(kCGImagePropertyTIFFDictionary)
        || properties.dictionary(kCGImagePropertyExifDictionary)
        || properties.dictionary(kCGImagePropertyGPSDictionary)
        || properties.dictionary(kCGImagePropertyIPTCDictionary);
}

std::optional<double> positiveReal(const PropertyDictionary& properties, const std::string& key)
{
    const std::optional<double> value = properties.real(key);
    if (value && std::isfinite(*value) && *value > 0)
        return value;
    return std::nullopt;
}

// The property set's quality on the JPEG encoder's scale, 0 to 100; 75 when it states none.
int qualityOf(const PropertyDictionary& properties)
{
    const std::optional<double> quality = properties.real(kCGImageDestinationLossyCompressionQuality);
    if (!quality || !std::isfinite(*quality))
        return 75;
    return int(std::lround(std::clamp(*quality, 0.0, 1.0) * 100.0));
}

// \a pixels composed over white, opaque: a JPEG has no alpha, and a transparent area should not turn
// black (premultiplied) or show whatever colour its invisible pixels held.
QImage overWhite(const QImage& pixels)
{
    QImage composed = pixels.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (composed.isNull())
        return composed;
    for (int y = 0; y < composed.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(composed.scanLine(y));
        for (int x = 0; x < composed.width(); ++x) {
            const QRgb p = row[x];
            const int under = 255 - qAlpha(p);
            row[x] = qRgb(qRed(p) + under, qGreen(p) + under, qBlue(p) + under);
        }
    }
    composed.reinterpretAsFormat(QImage::Format_RGB32);
    return composed;
}

JpegEncodeOptions jpegOptionsFor(const QByteArray& iccProfile, const PropertyDictionary& properties)
{
    JpegEncodeOptions options;
    options.quality = qualityOf(properties);
    options.dpiX = positiveReal(properties, kCGImagePropertyDPIWidth);
    options.dpiY = positiveReal(properties, kCGImagePropertyDPIHeight);
    // JFIF states both densities or none.
    if (!options.dpiY)
        options.dpiY = options.dpiX;
    if (!options.dpiX)
        options.dpiX = options.dpiY;
    options.iccProfile = iccProfile;
    if (properties.contains(kCGImagePropertyOrientation) || carriesSourceMetadata(properties))
        options.exifPayload = encodeExifPayload(properties);
    return options;
}

bool writeJpeg(const Image& image, const PropertyDictionary& properties, int fd, QString& reason)
{
    const JpegEncodeOptions options = jpegOptionsFor(image.iccProfile, properties);
    if (image.pixels.hasAlphaChannel()) {
        const QImage opaque = overWhite(image.pixels);
        if (opaque.isNull()) {
            reason = QStringLiteral("out of memory");
            return false;
        }
        return encodeJpeg(opaque, options, fd, &reason);
    }
    return encodeJpeg(image.pixels, options, fd, &reason);
}

bool writeHeif(
    const Image& image, const PropertyDictionary& properties, HeifCoding coding, int fd, QString& reason)
{
    HeifEncodeOptions options;
    options.coding = coding;
    options.quality = qualityOf(properties); // on the JPEG scale: the encoder maps it to its own
    options.iccProfile = image.iccProfile;
    return encodeHeif(image.pixels, options, fd, &reason);
}

bool writeWebp(const Image& image, const PropertyDictionary& properties, int fd, QString& reason)
{
    WebpEncodeOptions options;
    options.quality = qualityOf(properties);
    options.lossless = properties.contains(kImageDestinationLosslessCompression);
    options.iccProfile = image.iccProfile;
    return encodeWebp(image.pixels, options, fd, &reason);
}

// A file descriptor as a QIODevice whose write failures stick, with the system's reason. QFileDevice
// forgets an error at the next successful write, and Qt's TIFF writer carries on after a failed one, so
// a cut-short file could otherwise pass for a whole one.
class DescriptorDevice : public QIODevice
{
public:
    explicit DescriptorDevice(int fd)
        : m_fd(fd)
    { }

    /// The system's error number of the first write that failed; 0 while none has.
    [[nodiscard]] int error() const { return m_error; }
    bool isSequential() const override { return false; }
    qint64 size() const override
    {
        struct stat info = {};
        return ::fstat(m_fd, &info) == 0 ? qint64(info.st_size) : 0;
    }
    bool seek(qint64 position) override
    {
        if (position < 0 || ::lseek(m_fd, off_t(position), SEEK_SET) < 0)
            return false;
        return QIODevice::seek(position);
    }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const DescriptorTransfer read = readFully(m_fd, data, size_t(maxSize));
        return read.bytes == 0 && read.error != 0 ? -1 : qint64(read.bytes);
    }
    qint64 writeData(const char* data, qint64 size) override
    {
        const DescriptorTransfer written = writeFully(m_fd, data, size_t(size));
        if (written.error == 0)
            return size;
        if (m_error == 0)
            m_error = written.error;
        return -1;
    }

private:
    int m_fd;
    int m_error = 0;
};

bool writeWithQt(
    const Image& image, const PropertyDictionary& properties, ImageFormat format, int fd, QString& reason)
{
    reason = QCoreApplication::translate("ConversionReasons", kNotEncoded);
    QImage pixels = imageWithoutText(image.pixels);
    if (pixels.isNull())
        return false;
    const std::optional<double> dpiX = positiveReal(properties, kCGImagePropertyDPIWidth);
    const std::optional<double> dpiY = positiveReal(properties, kCGImagePropertyDPIHeight);
    if (dpiX)
        pixels.setDotsPerMeterX(int(std::lround(*dpiX / kMetresPerInch)));
    if (dpiY)
        pixels.setDotsPerMeterY(int(std::lround(*dpiY / kMetresPerInch)));
    // Qt writes the profile bytes of the image's colour space, and colour spaces compare by colour, not
    // by bytes: the colour space is made from exactly the profile to be written, or there is none.
    if (image.iccProfile.isEmpty() || pixels.colorSpace().iccProfile() != image.iccProfile) {
        pixels.setColorSpace(QColorSpace());
        if (!image.iccProfile.isEmpty())
            pixels.setColorSpace(QColorSpace::fromIccProfile(image.iccProfile));
    }
    DescriptorDevice device(fd);
    if (!device.open(QIODevice::ReadWrite | QIODevice::Unbuffered))
        return false;
    const bool statesResolution = dpiX || dpiY;
    QImageWriter writer(&device, format == ImageFormat::BMP ? "bmp" : "tiff");
    const bool written = writer.write(pixels);
    if (device.error() != 0) {
        reason = systemErrorText(device.error());
        return false;
    }
    if (!written)
        return false;
    // Qt wrote 96 dpi for a source that stated no resolution; the format's own "none" replaces it. A
    // file whose fields cannot be found keeps Qt's value: the image itself is whole either way.
    if (!statesResolution && format == ImageFormat::BMP)
        (void)clearBmpResolution(fd);
    if (!statesResolution && format == ImageFormat::TIFF)
        (void)clearTiffResolution(fd);
    return true;
}

} // namespace

ImageDestination::ImageDestination(QString path, WorkFile* file, ImageFormat format)
    : m_path(std::move(path))
    , m_file(file)
    , m_format(format)
{ }

std::unique_ptr<ImageDestination> ImageDestination::createWithPath(const QString& path, ImageFormat format)
{
    if (path.isEmpty())
        return nullptr;
    initializeImageEngine();
    return std::unique_ptr<ImageDestination>(new ImageDestination(path, nullptr, format));
}

std::unique_ptr<ImageDestination> ImageDestination::createWithWorkFile(WorkFile& file, ImageFormat format)
{
    initializeImageEngine();
    return std::unique_ptr<ImageDestination>(new ImageDestination({}, &file, format));
}

void ImageDestination::addImage(const Image& image, const PropertyDictionary& properties)
{
    if (m_image || image.isNull())
        return;
    m_image = image;
    m_properties = properties;
}

void ImageDestination::addJpegBands(std::shared_ptr<const JpegBands> bands, const QByteArray& iccProfile,
    const PropertyDictionary& properties)
{
    if (m_image || !bands || m_format != ImageFormat::JPEG)
        return;
    m_bands = std::move(bands);
    m_image = Image { QImage(), iccProfile };
    m_properties = properties;
}

void ImageDestination::addJpegPlanes(
    const YCbCr420Planes& planes, const QByteArray& iccProfile, const PropertyDictionary& properties)
{
    if (m_image || m_format != ImageFormat::JPEG)
        return;
    m_planes = planes;
    m_image = Image { QImage(), iccProfile };
    m_properties = properties;
}

bool ImageDestination::finalize()
{
    lastWriteError.clear();
    lastWriteFailedReading = false;
    if (!m_image)
        return fail(ConversionReasons::tr("no image to write"));
    // A path of our own: the file is written without a name beside the target and takes it when whole.
    std::unique_ptr<WorkFile> ownFile;
    WorkFile* file = m_file;
    const QString target = absolutePath(m_path);
    if (!file) {
        QString error;
        ownFile = WorkFile::create(target.left(std::max<qsizetype>(1, target.lastIndexOf(u'/'))), &error);
        if (!ownFile)
            return fail(error);
        file = ownFile.get();
    }
    const int fd = file->descriptor();

    // Each writer says why it failed: the system's words for a failed write, else its own.
    bool ok = true;
    QString reason;
    try {
        switch (m_format) {
        case ImageFormat::JPEG:
            if (m_bands) {
                const JpegBandCopy copy = copyJpegInBands(
                    *m_bands, jpegOptionsFor(m_image->iccProfile, m_properties), fd, &reason);
                ok = copy == JpegBandCopy::Written;
                lastWriteFailedReading = copy == JpegBandCopy::ReadFailed;
            } else if (m_planes) {
                ok = encodeJpegFromPlanes(
                    *m_planes, jpegOptionsFor(m_image->iccProfile, m_properties), fd, &reason);
            } else {
                ok = writeJpeg(*m_image, m_properties, fd, reason);
            }
            break;
        case ImageFormat::GIF:
            ok = encodeGif(m_image->pixels, fd, &reason);
            break;
        case ImageFormat::PNG:
            ok = writePng(m_image->pixels,
                { m_image->iccProfile, positiveReal(m_properties, kCGImagePropertyDPIWidth),
                    positiveReal(m_properties, kCGImagePropertyDPIHeight) },
                fd);
            if (!ok && errno != 0)
                reason = systemErrorText(errno);
            break;
        case ImageFormat::BMP:
        case ImageFormat::TIFF:
            ok = writeWithQt(*m_image, m_properties, m_format, fd, reason);
            break;
        case ImageFormat::HEIC:
            ok = writeHeif(*m_image, m_properties, HeifCoding::HEVC, fd, reason);
            break;
        case ImageFormat::AVIF:
            ok = writeHeif(*m_image, m_properties, HeifCoding::AV1, fd, reason);
            break;
        case ImageFormat::WebP:
            ok = writeWebp(*m_image, m_properties, fd, reason);
            break;
        }
    } catch (...) {
        ok = false;
        reason = QCoreApplication::translate("ConversionReasons", kNotEncoded);
    }
    if (!ok && reason.isEmpty())
        reason = QCoreApplication::translate("ConversionReasons", kNotEncoded);

    // The source's own entries go in afterwards where only a metadata library can put them.
    const bool needsMetadataPass = carriesSourceMetadata(m_properties)
        && (m_format == ImageFormat::PNG || m_format == ImageFormat::TIFF
            || (m_format == ImageFormat::JPEG && m_properties.dictionary(kCGImagePropertyIPTCDictionary)));
    if (ok && needsMetadataPass && !writeMetadataToFile(file->path(), m_properties)) {
        ok = false;
        reason = ConversionReasons::tr("the metadata could not be written");
    }
    if (ok && ownFile) {
        switch (ownFile->linkAs(encodePath(target))) {
        case WorkFile::Link::Done:
            break;
        case WorkFile::Link::Taken:
            ok = false;
            reason = ConversionReasons::tr("a file of that name exists");
            break;
        case WorkFile::Link::TooLong:
        case WorkFile::Link::Failed:
            ok = false;
            reason = systemErrorText(errno); // linkAs's own failure
            break;
        }
    }
    if (!ok)
        return fail(reason);
    return true;
}

bool ImageDestination::fail(const QString& reason)
{
    lastWriteError = reason;
    return false;
}

QString lastImageWriteError()
{
    return lastWriteError;
}

bool lastImageWriteFailedReading()
{
    return lastWriteFailedReading;
}

void recordImageReadFailure(bool failed)
{
    lastWriteError = failed ? ConversionReasons::tr("the image could not be decoded") : QString();
    lastWriteFailedReading = failed;
}

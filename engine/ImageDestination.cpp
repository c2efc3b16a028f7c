// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ImageDestination.h"

#include "engine/GifEncoder.h"
#include "engine/JpegCodec.h"
#include "engine/MetadataReader.h"
#include "engine/PngWriter.h"
#include "engine/UnstatedResolution.h"
#include "engine/WorkFile.h"

#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr double kMetresPerInch = 0.0254;

thread_local QString lastWriteError;

QString systemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

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

bool writeJpeg(const Image& image, const PropertyDictionary& properties, int fd)
{
    JpegEncodeOptions options;
    if (const std::optional<double> quality = properties.real(kCGImageDestinationLossyCompressionQuality))
        options.quality
            = std::isfinite(*quality) ? int(std::lround(std::clamp(*quality, 0.0, 1.0) * 100.0)) : 75;
    options.dpiX = positiveReal(properties, kCGImagePropertyDPIWidth);
    options.dpiY = positiveReal(properties, kCGImagePropertyDPIHeight);
    // JFIF states both densities or none.
    if (!options.dpiY)
        options.dpiY = options.dpiX;
    if (!options.dpiX)
        options.dpiX = options.dpiY;
    options.iccProfile = image.iccProfile;
    if (properties.contains(kCGImagePropertyOrientation) || carriesSourceMetadata(properties))
        options.exifPayload = encodeExifPayload(properties);
    return encodeJpeg(image.pixels, options, fd);
}

// A file descriptor as a QIODevice whose write failures stick. QFileDevice forgets an error at the next
// successful write, and Qt's TIFF writer carries on after a failed one, so a cut-short file could
// otherwise pass for a whole one.
class DescriptorDevice : public QIODevice
{
public:
    explicit DescriptorDevice(int fd)
        : m_fd(fd)
    { }

    [[nodiscard]] bool failed() const { return m_failed; }
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
        for (;;) {
            const ssize_t n = ::read(m_fd, data, size_t(maxSize));
            if (n < 0 && errno == EINTR)
                continue;
            return n;
        }
    }
    qint64 writeData(const char* data, qint64 size) override
    {
        qint64 written = 0;
        while (written < size) {
            const ssize_t n = ::write(m_fd, data + written, size_t(size - written));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0) {
                m_failed = true;
                return -1;
            }
            written += n;
        }
        return written;
    }

private:
    int m_fd;
    bool m_failed = false;
};

bool writeWithQt(const Image& image, const PropertyDictionary& properties, ImageFormat format, int fd)
{
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
    if (!writer.write(pixels) || device.failed())
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

bool ImageDestination::finalize()
{
    lastWriteError.clear();
    if (!m_image)
        return fail(QStringLiteral("no image to write"));
    // A path of our own: the file is written without a name beside the target and takes it when whole.
    std::unique_ptr<WorkFile> ownFile;
    WorkFile* file = m_file;
    const QFileInfo target(m_path);
    if (!file) {
        QString error;
        ownFile = WorkFile::create(target.absolutePath(), &error);
        if (!ownFile)
            return fail(error);
        file = ownFile.get();
    }
    const int fd = file->descriptor();

    bool ok = true;
    errno = 0;
    try {
        switch (m_format) {
        case ImageFormat::JPEG:
            ok = writeJpeg(*m_image, m_properties, fd);
            break;
        case ImageFormat::GIF:
            ok = encodeGif(m_image->pixels, fd);
            break;
        case ImageFormat::PNG:
            ok = writePng(m_image->pixels,
                { m_image->iccProfile, positiveReal(m_properties, kCGImagePropertyDPIWidth),
                    positiveReal(m_properties, kCGImagePropertyDPIHeight) },
                fd);
            break;
        case ImageFormat::BMP:
        case ImageFormat::TIFF:
            ok = writeWithQt(*m_image, m_properties, m_format, fd);
            break;
        }
    } catch (...) {
        ok = false;
    }
    QString reason;
    if (!ok)
        reason = errno != 0 ? systemError(errno) : QStringLiteral("the image could not be encoded");

    // The source's own entries go in afterwards where only a metadata library can put them.
    const bool needsMetadataPass = carriesSourceMetadata(m_properties)
        && (m_format == ImageFormat::PNG || m_format == ImageFormat::TIFF
            || (m_format == ImageFormat::JPEG && m_properties.dictionary(kCGImagePropertyIPTCDictionary)));
    if (ok && needsMetadataPass && !writeMetadataToFile(file->path(), m_properties)) {
        ok = false;
        reason = QStringLiteral("the metadata could not be written");
    }
    if (ok && ownFile) {
        switch (ownFile->linkAs(QFile::encodeName(target.absoluteFilePath()))) {
        case WorkFile::Link::Done:
            break;
        case WorkFile::Link::Taken:
            ok = false;
            reason = QStringLiteral("a file of that name exists");
            break;
        case WorkFile::Link::TooLong:
        case WorkFile::Link::Failed:
            ok = false;
            reason = systemError(errno);
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/ImageSource.h"

#include "engine/ColorProfile.h"
#include "engine/DescriptorIo.h"
#include "engine/JpegCodec.h"
#include "engine/LibraryMessages.h"
#include "engine/MetadataLibrary.h"
#include "engine/MetadataReader.h"
#include "engine/PngChunks.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QImageReader>

#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Files above this are not read at all: no photo in the five formats comes near it.
constexpr qint64 kMaxFileBytes = qint64(1) << 30;

// Reads a regular file whole. A named pipe, a device or a folder gives nothing (opening does not block:
// a pipe with no writer would otherwise stall the caller for ever).
std::optional<QByteArray> readRegularFile(const QString& path)
{
    const QByteArray encoded = QFile::encodeName(path);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return std::nullopt;
    struct stat info = {};
    std::optional<QByteArray> result;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0
        && info.st_size <= kMaxFileBytes) {
        QByteArray data(qsizetype(info.st_size), Qt::Uninitialized);
        const auto filled = qsizetype(readFully(fd, data.data(), size_t(data.size())).bytes);
        // A file that shrank while it was read is taken as far as it goes; the decoder judges the rest.
        data.truncate(filled);
        if (filled > 0)
            result = std::move(data);
    }
    ::close(fd);
    return result;
}

const char* qtFormatName(ImageFormat format)
{
    switch (format) {
    case ImageFormat::JPEG:
        return "jpeg";
    case ImageFormat::PNG:
        return "png";
    case ImageFormat::GIF:
        return "gif";
    case ImageFormat::BMP:
        return "bmp";
    case ImageFormat::TIFF:
        return "tiff";
    }
    return "";
}

// Whether every chunk of a PNG fits in the file. libpng allocates what a chunk's length claims before it
// reads it, so a damaged length after the image data asks for hundreds of megabytes from a tiny file.
bool pngChunksFit(const QByteArray& data)
{
    return walkPngChunks(data, [](const PngChunk&) { return true; });
}

/// Qt's reader for \a data, or null for data that must not reach it. The buffer must outlive the reader.
std::unique_ptr<QImageReader> qtReader(QBuffer& buffer, ImageFormat format)
{
    if (format == ImageFormat::PNG && !pngChunksFit(buffer.data()))
        return nullptr;
    if (!buffer.open(QIODevice::ReadOnly))
        return nullptr;
    auto reader = std::make_unique<QImageReader>(&buffer, qtFormatName(format));
    reader->setAutoTransform(false);
    reader->setDecideFormatFromContent(false);
    return reader;
}

std::optional<Image> decodeWithQt(const QByteArray& data, ImageFormat format)
{
    QByteArray shared = data;
    QBuffer buffer(&shared);
    const std::unique_ptr<QImageReader> reader = qtReader(buffer, format);
    if (!reader)
        return std::nullopt;
    // The header's size decides before any pixel memory is taken.
    const QSize size = reader->size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > kMaxDecodedPixels)
        return std::nullopt;
    QImage pixels;
    if (!reader->read(&pixels) || pixels.isNull())
        return std::nullopt;
    pixels = imageWithoutText(pixels);
    if (pixels.isNull())
        return std::nullopt;
    Image image { pixels, {} };
    if (pixels.colorSpace().isValid())
        image.iccProfile = pixels.colorSpace().iccProfile();
    return image;
}

} // namespace

void initializeImageEngine()
{
    static std::once_flag once;
    std::call_once(once, [] {
        // Qt refuses frames above 128 MiB by default (about 33 MP): the engine has its own bound, with
        // room for 16-bit frames at that bound.
        QImageReader::setAllocationLimit(int((kMaxDecodedPixels * 8) >> 20) + 64);
        initializeMetadataLibrary();
        installLibraryMessageHandlers();
    });
}

std::optional<ImageFormat> sniffImageFormat(const QByteArray& header)
{
    const auto* b = reinterpret_cast<const uchar*>(header.constData());
    const qsizetype n = header.size();
    if (n >= 3 && b[0] == 0xFF && b[1] == 0xD8 && b[2] == 0xFF)
        return ImageFormat::JPEG;
    if (n >= 8 && std::memcmp(b, "\x89PNG\r\n\x1a\n", 8) == 0)
        return ImageFormat::PNG;
    if (n >= 6 && (std::memcmp(b, "GIF87a", 6) == 0 || std::memcmp(b, "GIF89a", 6) == 0))
        return ImageFormat::GIF;
    if (n >= 4 && (std::memcmp(b, "II*\0", 4) == 0 || std::memcmp(b, "MM\0*", 4) == 0))
        return ImageFormat::TIFF;
    if (n >= 18 && b[0] == 'B' && b[1] == 'M') {
        // "BM" alone is too weak: the info header's size must be one of the known ones.
        const quint32 infoSize
            = quint32(b[14]) | quint32(b[15]) << 8 | quint32(b[16]) << 16 | quint32(b[17]) << 24;
        if (infoSize == 12 || infoSize == 16 || infoSize == 40 || infoSize == 52 || infoSize == 56
            || infoSize == 64 || infoSize == 108 || infoSize == 124)
            return ImageFormat::BMP;
    }
    return std::nullopt;
}

ImageSource::ImageSource(QByteArray data, ImageFormat format)
    : m_data(std::move(data))
    , m_format(format)
{ }

ImageSource::~ImageSource() = default;

std::unique_ptr<ImageSource> ImageSource::createWithPath(const QString& path)
{
    initializeImageEngine();
    std::optional<QByteArray> data = readRegularFile(path);
    if (!data)
        return nullptr;
    return createWithData(std::move(*data));
}

std::unique_ptr<ImageSource> ImageSource::createWithData(QByteArray data)
{
    initializeImageEngine();
    const std::optional<ImageFormat> format = sniffImageFormat(data.left(32));
    if (!format)
        return nullptr;
    return std::unique_ptr<ImageSource>(new ImageSource(std::move(data), *format));
}

int ImageSource::frameCount() const
{
    return countFrames(m_data, m_format);
}

std::optional<Image> ImageSource::createImageAtIndex0() const
{
    return createUprightImageAtIndex0(1);
}

std::optional<Image> ImageSource::createUprightImageAtIndex0(int orientation) const
{
    try {
        std::optional<Image> image = m_format == ImageFormat::JPEG
            ? decodeJpeg(m_data, kMaxDecodedPixels, orientationFromExif(orientation))
            : decodeWithQt(m_data, m_format);
        // Every decoder's profile is cleaned here, before anything else can see it.
        if (image)
            cleanImageColorProfile(*image);
        return image;
    } catch (...) {
        return std::nullopt;
    }
}

PropertyDictionary ImageSource::copyPropertiesAtIndex0() const
{
    try {
        return readImageProperties(m_data, m_format);
    } catch (...) {
        return {};
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ImageSource.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/HandedFiles.h"
#include "engine/core/LibraryMessages.h"
#include "engine/core/NativePath.h"
#include "engine/core/PixelPool.h"
#include "engine/formats/heif/HeifCodec.h"
#include "engine/formats/jpeg/JpegCodec.h"
#include "engine/formats/webp/WebpCodec.h"
#include "engine/metadata/ColorProfile.h"
#include "engine/metadata/MetadataLibrary.h"
#include "engine/metadata/MetadataReader.h"
#include "engine/pipeline/PixelDataCheck.h"
#include "engine/structure/FrameCount.h"
#include "engine/structure/PngChunks.h"

#include <QBuffer>
#include <QColorSpace>
#include <QImageReader>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <new>
#include <sys/stat.h>
#include <tiffio.h>
#include <unistd.h>

namespace {

void tiffError(const char* module, const char* format, va_list arguments)
{
    char text[512];
    std::vsnprintf(text, sizeof text, format, arguments);
    recordLibraryMessage(module
            ? QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(module), QString::fromLocal8Bit(text))
            : QString::fromLocal8Bit(text));
}

// Reads a regular file whole, one no larger than kMaxSourceFileBytes. A named pipe, a device or a folder
// gives nothing (opening does not block: a pipe with no writer would otherwise stall the caller for ever).
std::optional<QByteArray> readRegularFile(const QString& path)
{
    const int fd = openSourcePath(path);
    if (fd < 0)
        return std::nullopt;
    struct stat info = {};
    std::optional<QByteArray> result;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0
        && info.st_size <= kMaxSourceFileBytes) {
        QByteArray data(qsizetype(info.st_size), Qt::Uninitialized);
        const auto filled = qsizetype(readFully(fd, data.data(), size_t(data.size()), 0).bytes);
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
    case ImageFormat::HEIC:
    case ImageFormat::AVIF:
    case ImageFormat::WebP:
        break; // the engine's own decoders
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

/// Records \a message ahead of what the libraries said before it: a file's reason quotes the first.
void recordFirst(const QString& message)
{
    const QStringList earlier = takeLibraryMessages();
    recordLibraryMessage(message);
    for (const QString& word : earlier)
        recordLibraryMessage(word);
}

/// A frame of \a size in \a format whose every pixel is set: index 0 for the indexed formats,
/// transparent for formats with alpha, opaque black for the others. Null when the memory cannot be had.
QImage definedFrame(QSize size, QImage::Format format)
{
    QImage frame = pooledImage(size.width(), size.height(), format);
    if (frame.isNull())
        return frame;
    if (format == QImage::Format_Indexed8 || format == QImage::Format_Mono
        || format == QImage::Format_MonoLSB)
        frame.fill(0U);
    else
        frame.fill(frame.hasAlphaChannel() ? Qt::transparent : Qt::black);
    return frame;
}

/// Reads the next frame of \a reader into a defined frame of \a size in \a format. Qt's readers write
/// into an image handed to them that has the size and format they produce, and leave the pixels they do
/// not get (rows past a premature end, the runs an RLE bitmap skips) as they found them. False when the
/// read failed; \a intoFrame tells whether the reader wrote into the frame handed to it.
bool readIntoDefinedFrame(
    QImageReader& reader, QSize size, QImage::Format format, QImage& pixels, bool& intoFrame)
{
    pixels = format == QImage::Format_Invalid ? QImage() : definedFrame(size, format);
    const uchar* const frame = pixels.isNull() ? nullptr : pixels.constBits();
    if (!reader.read(&pixels) || pixels.isNull())
        return false;
    intoFrame = frame && pixels.constBits() == frame;
    return true;
}

/// Makes every index an indexed image may hold name a colour: a palette shorter than the indices the
/// pixels use is filled up with opaque black (drawing code looks colours up without a bound).
void completeColourTable(QImage& image)
{
    const int full = image.format() == QImage::Format_Indexed8                              ? 256
        : image.format() == QImage::Format_Mono || image.format() == QImage::Format_MonoLSB ? 2
                                                                                            : 0;
    if (image.colorCount() >= full)
        return;
    QList<QRgb> table = image.colorTable();
    table.resize(full, qRgb(0, 0, 0));
    image.setColorTable(table);
}

std::optional<Image> decodeWithQt(const QByteArray& data, ImageFormat format)
{
    // Qt's BMP and GIF readers take a file that ends early for a whole one, and libtiff takes other bytes
    // of the file for a strip that is missing.
    if (format == ImageFormat::BMP || format == ImageFormat::GIF || format == ImageFormat::TIFF) {
        if (const QString missing = missingPixelData(data, format); !missing.isEmpty()) {
            recordFirst(missing);
            return std::nullopt;
        }
    }
    // libpng fails on a file that ends early, in its own words: the reason says first what happened. A
    // reader that says nothing else is quoted in Qt's words ("Unable to read image data").
    const auto failed = [&data, format](const QImageReader* reader = nullptr) -> std::optional<Image> {
        if (format == ImageFormat::PNG) {
            if (const QString missing = missingPixelData(data, format); !missing.isEmpty())
                recordFirst(missing);
            else if (!pngChunksFit(data))
                recordFirst(ConversionReasons::tr("The file is cut short"));
        }
        if (reader && reader->error() != QImageReader::UnknownError)
            recordLibraryMessage(reader->errorString());
        return std::nullopt;
    };
    QByteArray shared = data;
    QBuffer buffer(&shared);
    std::unique_ptr<QImageReader> reader = qtReader(buffer, format);
    if (!reader)
        return failed();
    // The header's size decides before any pixel memory is taken.
    const QSize size = reader->size();
    if (!size.isValid() || size.isEmpty() || qint64(size.width()) * size.height() > kMaxDecodedPixels) {
        recordLibraryMessage(size.isEmpty() ? ConversionReasons::tr("It holds no image of a usable size")
                                            : tooLargeMessage(size));
        return failed(reader.get());
    }
    QImage pixels;
    bool intoFrame = false;
    // Qt's GIF reader draws into a canvas of its own, which it clears before the first frame.
    const QImage::Format stated = format == ImageFormat::GIF ? QImage::Format_Invalid : reader->imageFormat();
    if (!readIntoDefinedFrame(*reader, size, stated, pixels, intoFrame))
        return failed(reader.get());
    if (!intoFrame && format != ImageFormat::GIF) {
        // The reader produced another size or format than it stated: read again, into a defined frame
        // of what it produced.
        const QSize producedSize = pixels.size();
        const QImage::Format producedFormat = pixels.format();
        pixels = QImage();
        QBuffer again(&shared);
        reader = qtReader(again, format);
        if (!reader || !readIntoDefinedFrame(*reader, producedSize, producedFormat, pixels, intoFrame)
            || !intoFrame)
            return failed();
    }
    completeColourTable(pixels);
    pixels = imageWithoutText(pixels);
    if (pixels.isNull())
        return std::nullopt;
    Image image { pixels, {} };
    if (pixels.colorSpace().isValid())
        image.iccProfile = pixels.colorSpace().iccProfile();
    return image;
}

// A profile for what a HEIF file's 'nclx' colour box states, for a file without a profile of its own:
// the decoded pixels keep the box's primaries and transfer, and every output format can say so with a
// profile. Empty for sRGB (what an untagged image is taken to be anyway) and for what a profile cannot
// state here (PQ, HLG, unknown primaries).
QByteArray profileForColourDescription(const HeifColourDescription& colour)
{
    QColorSpace::Primaries primaries = QColorSpace::Primaries::SRgb;
    switch (colour.primaries) {
    case 1:
    case 2:
        break;
    case 9:
        primaries = QColorSpace::Primaries::ProPhotoRgb; // replaced below: BT.2020 has no preset
        break;
    case 12:
        primaries = QColorSpace::Primaries::DciP3D65;
        break;
    default:
        return {};
    }
    QColorSpace::TransferFunction transfer = QColorSpace::TransferFunction::SRgb;
    switch (colour.transfer) {
    case 1:
    case 2:
    case 6:
    case 13:
    case 14:
    case 15:
        break;
    case 8:
        transfer = QColorSpace::TransferFunction::Linear;
        break;
    default:
        return {};
    }
    if (colour.primaries == 9) {
        // ITU-R BT.2020 primaries and D65.
        const QColorSpace bt2020(QPointF(0.3127, 0.3290), QPointF(0.708, 0.292), QPointF(0.170, 0.797),
            QPointF(0.131, 0.046), transfer);
        return bt2020.iccProfile();
    }
    if (primaries == QColorSpace::Primaries::SRgb && transfer == QColorSpace::TransferFunction::SRgb)
        return {};
    return QColorSpace(primaries, transfer).iccProfile();
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
        // libtiff (under Qt's TIFF reader and writer) never prints: its errors explain a skip, its
        // warnings (a tag it does not know, a field of the wrong type) stop nothing.
        TIFFSetWarningHandler(nullptr);
        TIFFSetErrorHandler(tiffError);
    });
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
    const std::optional<ImageFormat> format = sniffImageFormat(data.left(256));
    if (!format)
        return nullptr;
    std::unique_ptr<ImageSource> source(new ImageSource(std::move(data), *format));
    try {
        // HEIF and WebP structures are checked whole before anything else reads them; a refusal's reason
        // explains the skip.
        QString reason;
        if (*format == ImageFormat::HEIC || *format == ImageFormat::AVIF) {
            source->m_heif = HeifInput::open(source->m_data, kMaxDecodedPixels, &reason);
            if (!source->m_heif) {
                recordLibraryMessage(reason);
                return nullptr;
            }
        } else if (*format == ImageFormat::WebP) {
            source->m_webp = WebpInput::open(source->m_data, kMaxDecodedPixels, &reason);
            if (!source->m_webp) {
                recordLibraryMessage(reason);
                return nullptr;
            }
        }
    } catch (...) {
        return nullptr;
    }
    return source;
}

int ImageSource::frameCount() const
{
    if (m_webp)
        return std::max(m_webp->info().frameCount, 1);
    return countFrames(m_data, m_format);
}

QSize ImageSource::statedSize() const
{
    if (m_heif)
        return m_heif->info().size;
    if (m_webp)
        return m_webp->info().size;
    return {};
}

bool ImageSource::isLossless() const
{
    return m_webp && m_webp->info().lossless;
}

std::optional<Image> ImageSource::createImageAtIndex0() const
{
    return createUprightImageAtIndex0(1);
}

std::optional<Image> ImageSource::createUprightImageAtIndex0(int orientation) const
{
    try {
        std::optional<Image> image;
        QString reason;
        if (m_format == ImageFormat::JPEG)
            image = decodeJpeg(m_data, kMaxDecodedPixels, orientationFromExif(orientation));
        else if (m_heif) {
            image = m_heif->decode(&reason);
            const HeifImageInfo& info = m_heif->info();
            if (image && image->iccProfile.isEmpty() && info.colour)
                image->iccProfile = profileForColourDescription(*info.colour);
        } else if (m_webp)
            image = m_webp->decode(&reason);
        else
            image = decodeWithQt(m_data, m_format);
        if (!image && !reason.isEmpty())
            recordLibraryMessage(reason);
        // Every decoder's profile is cleaned here, before anything else can see it.
        if (image)
            cleanImageColorProfile(*image);
        return image;
    } catch (const std::bad_alloc&) {
        // Named, so that the file's reason says memory ran out rather than that it could not be decoded.
        recordLibraryMessage(QStringLiteral("out of memory"));
        return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

bool ImageSource::hasJpegPlanes() const
{
    try {
        return (m_heif && m_heif->hasJpegPlanes()) || (m_webp && m_webp->hasJpegPlanes());
    } catch (...) {
        return false;
    }
}

std::optional<YCbCr420Planes> ImageSource::createJpegPlanesAtIndex0(QByteArray* iccProfile) const
{
    try {
        if (!hasJpegPlanes())
            return std::nullopt;
        QString reason;
        std::optional<YCbCr420Planes> planes;
        QByteArray profile;
        if (m_heif) {
            planes = m_heif->decodePlanes(&reason);
            const HeifImageInfo& info = m_heif->info();
            profile = info.iccProfile;
            if (profile.isEmpty() && info.colour)
                profile = profileForColourDescription(*info.colour);
        } else {
            planes = m_webp->decodePlanes(&reason);
            profile = m_webp->info().iccProfile;
        }
        if (!planes) {
            if (!reason.isEmpty())
                recordLibraryMessage(reason);
            return std::nullopt;
        }
        if (iccProfile)
            *iccProfile = cleanColorProfile(profile);
        return planes;
    } catch (const std::bad_alloc&) {
        recordLibraryMessage(QStringLiteral("out of memory"));
        return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}

PropertyDictionary ImageSource::copyPropertiesAtIndex0() const
{
    try {
        if (m_heif)
            return {};
        if (m_webp) {
            PropertyDictionary properties;
            if (m_webp->info().orientation != 1)
                properties.set(kCGImagePropertyOrientation, std::int64_t(m_webp->info().orientation));
            return properties;
        }
        return readImageProperties(m_data, m_format);
    } catch (...) {
        return {};
    }
}

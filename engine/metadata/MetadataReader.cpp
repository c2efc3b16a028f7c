// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/metadata/MetadataReader.h"

#include "engine/metadata/MetadataLibrary.h"
#include "engine/structure/PngChunks.h"

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <exiv2/exiv2.hpp>
#include <set>

namespace {

constexpr double kInchesPerMetre = 1.0 / 0.0254;
constexpr double kCentimetresPerInch = 2.54;

struct Resolution
{
    std::optional<double> x;
    std::optional<double> y;
};

// JFIF APP0 density, when its unit is inches or centimetres. Stops at the first scan.
Resolution jfifDensity(const QByteArray& data)
{
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    const qsizetype size = data.size();
    qsizetype pos = 2;
    while (pos + 4 <= size && bytes[pos] == 0xFF) {
        const uchar marker = bytes[pos + 1];
        if (marker == 0xFF) { // fill byte
            ++pos;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9)
            break;
        const qsizetype length = qFromBigEndian<quint16>(bytes + pos + 2);
        if (length < 2 || pos + 2 + length > size)
            break;
        const uchar* segment = bytes + pos + 4;
        if (marker == 0xE0 && length >= 16 && std::memcmp(segment, "JFIF\0", 5) == 0) {
            const uchar unit = segment[7];
            const double x = qFromBigEndian<quint16>(segment + 8);
            const double y = qFromBigEndian<quint16>(segment + 10);
            if ((unit == 1 || unit == 2) && x > 0 && y > 0) {
                const double factor = unit == 2 ? kCentimetresPerInch : 1.0;
                return { x * factor, y * factor };
            }
            return {};
        }
        pos += 2 + length;
    }
    return {};
}

// PNG pHYs in pixels per metre. Only chunks before the image data count.
Resolution pngPhysicalDimensions(const QByteArray& data)
{
    Resolution resolution;
    (void)walkPngChunks(data, [&](const PngChunk& chunk) {
        if (chunk.type == QByteArrayView("IDAT") || chunk.type == QByteArrayView("IEND"))
            return false;
        if (chunk.type != QByteArrayView("pHYs") || chunk.data.size() != 9)
            return true;
        const double x = qFromBigEndian<quint32>(chunk.data.data());
        const double y = qFromBigEndian<quint32>(chunk.data.data() + 4);
        if (chunk.data[8] == 1 && x > 0 && y > 0)
            resolution = { x / kInchesPerMetre, y / kInchesPerMetre };
        return false;
    });
    return resolution;
}

// BMP header resolution in pixels per metre; 0 states none.
Resolution bmpResolution(const QByteArray& data)
{
    if (data.size() < 14 + 40)
        return {};
    const auto* bytes = reinterpret_cast<const uchar*>(data.constData());
    if (qFromLittleEndian<qint32>(bytes + 14) < 40)
        return {};
    Resolution resolution;
    const qint32 x = qFromLittleEndian<qint32>(bytes + 38);
    const qint32 y = qFromLittleEndian<qint32>(bytes + 42);
    if (x > 0)
        resolution.x = x / kInchesPerMetre;
    if (y > 0)
        resolution.y = y / kInchesPerMetre;
    return resolution;
}

// IFD0 resolution with its unit (inches when the unit is absent; unit 1 states no absolute resolution).
Resolution exifResolution(const Exiv2::ExifData& exif)
{
    long unit = 2;
    const auto unitIt = exif.findKey(Exiv2::ExifKey("Exif.Image.ResolutionUnit"));
    if (unitIt != exif.end() && unitIt->count() > 0)
        unit = unitIt->toLong();
    if (unit != 2 && unit != 3)
        return {};
    const double factor = unit == 3 ? kCentimetresPerInch : 1.0;
    Resolution resolution;
    for (const auto& [key, target] : { std::pair { "Exif.Image.XResolution", &resolution.x },
             std::pair { "Exif.Image.YResolution", &resolution.y } }) {
        const auto it = exif.findKey(Exiv2::ExifKey(key));
        if (it == exif.end() || it->count() == 0)
            continue;
        const double value = it->toFloat();
        if (std::isfinite(value) && value > 0)
            *target = value * factor;
    }
    return resolution;
}

// IFD0 tags that describe the layout of the pixels in the file rather than the picture: they belong to
// whichever file holds the pixels, never to a property set.
const std::set<std::string>& structuralTags()
{
    static const std::set<std::string> tags = { "NewSubfileType", "SubfileType", "ImageWidth", "ImageLength",
        "BitsPerSample", "Compression", "PhotometricInterpretation", "FillOrder", "StripOffsets",
        "SamplesPerPixel", "RowsPerStrip", "StripByteCounts", "PlanarConfiguration", "Predictor", "TileWidth",
        "TileLength", "TileOffsets", "TileByteCounts", "SubIFDs", "ExtraSamples", "SampleFormat",
        "JPEGInterchangeFormat", "JPEGInterchangeFormatLength", "ExifTag", "GPSTag", "InteroperabilityTag",
        "XMLPacket", "IPTCNAA", "InterColorProfile", "PageNumber", "ImageResources", "ColorMap",
        "TransferFunction" };
    return tags;
}

PropertyValue toPropertyValue(const Exiv2::Metadatum& datum)
{
    const Exiv2::TypeId type = datum.typeId();
    const long count = datum.count();
    if (count == 1) {
        switch (type) {
        case Exiv2::unsignedByte:
        case Exiv2::unsignedShort:
        case Exiv2::unsignedLong:
        case Exiv2::signedByte:
        case Exiv2::signedShort:
        case Exiv2::signedLong:
            return std::int64_t(datum.toLong());
        case Exiv2::unsignedRational:
        case Exiv2::signedRational:
        case Exiv2::tiffFloat:
        case Exiv2::tiffDouble:
            return double(datum.toFloat());
        default:
            break;
        }
    }
    if (type == Exiv2::undefined) {
        QByteArray bytes(datum.size(), Qt::Uninitialized);
        datum.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
        return bytes;
    }
    std::string text = datum.toString();
    while (!text.empty() && text.back() == '\0')
        text.pop_back();
    return text;
}

/// Whether Exiv2 takes \a data for the container the engine found it to be: JPEG as JPEG, PNG as PNG,
/// TIFF as TIFF or a camera's raw dialect of it. None of Exiv2's other parsers ever sees the bytes (its
/// video parsers step through whatever size a box states, which from a crafted file takes hours).
bool exiv2ReadsAs(const QByteArray& data, ImageFormat format)
{
    const int type = Exiv2::ImageFactory::getType(
        reinterpret_cast<const Exiv2::byte*>(data.constData()), long(data.size()));
    switch (format) {
    case ImageFormat::JPEG:
        return type == Exiv2::ImageType::jpeg;
    case ImageFormat::PNG:
        return type == Exiv2::ImageType::png;
    case ImageFormat::TIFF:
        return type == Exiv2::ImageType::tiff || type == Exiv2::ImageType::cr2;
    default:
        return false;
    }
}

void readExiv2Properties(const QByteArray& data, ImageFormat format, PropertyDictionary& properties)
{
    try {
        if (!exiv2ReadsAs(data, format))
            return;
        auto image = Exiv2::ImageFactory::open(
            reinterpret_cast<const Exiv2::byte*>(data.constData()), long(data.size()));
        if (!image.get())
            return;
        image->readMetadata();

        PropertyDictionary tiff, exif, gps, iptc;
        for (const Exiv2::Exifdatum& datum : image->exifData()) {
            const std::string group = datum.groupName();
            const std::string name = datum.tagName();
            if (group == "Image" && !structuralTags().count(name))
                tiff.set(name, toPropertyValue(datum));
            else if (group == "Photo" && name != "MakerNote")
                exif.set(name, toPropertyValue(datum));
            else if (group == "GPSInfo")
                gps.set(name, toPropertyValue(datum));
        }
        for (const Exiv2::Iptcdatum& datum : image->iptcData()) {
            if (!iptc.contains(datum.tagName()))
                iptc.set(datum.tagName(), datum.toString());
        }

        std::optional<long> orientation;
        const auto orientationIt = image->exifData().findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
        if (orientationIt != image->exifData().end() && orientationIt->count() > 0)
            orientation = orientationIt->toLong();
        if (!orientation) {
            const auto xmpIt = image->xmpData().findKey(Exiv2::XmpKey("Xmp.tiff.Orientation"));
            if (xmpIt != image->xmpData().end() && xmpIt->count() > 0)
                orientation = xmpIt->toLong();
        }
        if (orientation)
            properties.set(kCGImagePropertyOrientation, std::int64_t(*orientation));

        if (!properties.contains(kCGImagePropertyDPIWidth)
            && !properties.contains(kCGImagePropertyDPIHeight)) {
            const Resolution resolution = exifResolution(image->exifData());
            if (resolution.x)
                properties.set(kCGImagePropertyDPIWidth, *resolution.x);
            if (resolution.y)
                properties.set(kCGImagePropertyDPIHeight, *resolution.y);
        }

        if (!tiff.empty())
            properties.set(kCGImagePropertyTIFFDictionary, std::move(tiff));
        if (!exif.empty())
            properties.set(kCGImagePropertyExifDictionary, std::move(exif));
        if (!gps.empty())
            properties.set(kCGImagePropertyGPSDictionary, std::move(gps));
        if (!iptc.empty())
            properties.set(kCGImagePropertyIPTCDictionary, std::move(iptc));
    } catch (...) {
        // Exiv2 throws on truncated and malformed files; what the headers said stands.
    }
}

} // namespace

PropertyDictionary readImageProperties(const QByteArray& data, ImageFormat format)
{
    initializeMetadataLibrary();
    PropertyDictionary properties;
    Resolution resolution;
    switch (format) {
    case ImageFormat::JPEG:
        resolution = jfifDensity(data);
        break;
    case ImageFormat::PNG:
        resolution = pngPhysicalDimensions(data);
        break;
    case ImageFormat::BMP:
        resolution = bmpResolution(data);
        break;
    case ImageFormat::GIF:
    case ImageFormat::TIFF:
    case ImageFormat::HEIC:
    case ImageFormat::AVIF:
    case ImageFormat::WebP:
        break;
    }
    if (resolution.x)
        properties.set(kCGImagePropertyDPIWidth, *resolution.x);
    if (resolution.y)
        properties.set(kCGImagePropertyDPIHeight, *resolution.y);

    // GIF and BMP carry nothing Exiv2 reads; the others may.
    if (format == ImageFormat::JPEG || format == ImageFormat::PNG || format == ImageFormat::TIFF)
        readExiv2Properties(data, format, properties);
    return properties;
}

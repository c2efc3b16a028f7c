// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/metadata/MetadataWriter.h"

#include "engine/core/NativePath.h"
#include "engine/metadata/MetadataLibrary.h"

#include <exiv2/exiv2.hpp>

namespace {

std::string exifGroupFor(const std::string& dictionaryKey)
{
    if (dictionaryKey == kCGImagePropertyTIFFDictionary)
        return "Exif.Image.";
    if (dictionaryKey == kCGImagePropertyExifDictionary)
        return "Exif.Photo.";
    if (dictionaryKey == kCGImagePropertyGPSDictionary)
        return "Exif.GPSInfo.";
    return {};
}

// Converts one property into an Exiv2 value of the tag's standard type. Null when it cannot.
Exiv2::Value::AutoPtr toExiv2Value(Exiv2::TypeId type, const PropertyValue& value)
{
    if (type == Exiv2::invalidTypeId || type == Exiv2::lastTypeId)
        type = std::holds_alternative<QByteArray>(value) ? Exiv2::undefined : Exiv2::asciiString;
    Exiv2::Value::AutoPtr exivValue = Exiv2::Value::create(type);
    int failed = 1;
    if (const auto* i = std::get_if<std::int64_t>(&value)) {
        failed = exivValue->read(std::to_string(*i));
    } else if (const auto* d = std::get_if<double>(&value)) {
        if (type == Exiv2::unsignedRational || type == Exiv2::signedRational) {
            const Exiv2::Rational r = Exiv2::floatToRationalCast(float(*d));
            failed = exivValue->read(std::to_string(r.first) + "/" + std::to_string(r.second));
        } else {
            failed = exivValue->read(std::to_string(*d));
        }
    } else if (const auto* s = std::get_if<std::string>(&value)) {
        failed = exivValue->read(*s);
    } else if (const auto* b = std::get_if<QByteArray>(&value)) {
        failed = exivValue->read(
            reinterpret_cast<const Exiv2::byte*>(b->constData()), long(b->size()), Exiv2::littleEndian);
    }
    if (failed)
        return Exiv2::Value::AutoPtr();
    return exivValue;
}

void fillExifData(const PropertyDictionary& properties, Exiv2::ExifData& exif)
{
    for (const auto& [dictionaryKey, entry] : properties.entries()) {
        const std::string group = exifGroupFor(dictionaryKey);
        const auto* dictionary = std::get_if<PropertyDictionary>(&entry);
        if (group.empty() || !dictionary)
            continue;
        for (const auto& [name, value] : dictionary->entries()) {
            try {
                const Exiv2::ExifKey key(group + name);
                Exiv2::Value::AutoPtr exivValue = toExiv2Value(key.defaultTypeId(), value);
                if (exivValue.get())
                    exif.add(key, exivValue.get());
            } catch (...) {
                // A tag name Exiv2 does not know, or a value it cannot take: left out.
            }
        }
    }
    if (const auto orientation = properties.integer(kCGImagePropertyOrientation)) {
        const Exiv2::ExifKey key("Exif.Image.Orientation");
        auto it = exif.findKey(key);
        if (it != exif.end())
            exif.erase(it);
        Exiv2::UShortValue value;
        value.read(std::to_string(*orientation));
        exif.add(key, &value);
    }
}

} // namespace

QByteArray encodeExifPayload(const PropertyDictionary& properties)
{
    initializeMetadataLibrary();
    try {
        Exiv2::ExifData exif;
        fillExifData(properties, exif);
        if (exif.empty())
            return {};
        Exiv2::Blob blob;
        Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
        return QByteArray(reinterpret_cast<const char*>(blob.data()), qsizetype(blob.size()));
    } catch (...) {
        return {};
    }
}

bool writeMetadataToFile(const QString& path, const PropertyDictionary& properties)
{
    initializeMetadataLibrary();
    try {
        auto image = Exiv2::ImageFactory::open(encodePath(path).toStdString());
        if (!image.get())
            return false;
        image->readMetadata();
        Exiv2::ExifData added;
        fillExifData(properties, added);
        Exiv2::ExifData& exif = image->exifData();
        for (const Exiv2::Exifdatum& datum : added)
            exif[datum.key()] = datum.value();
        if (const PropertyDictionary* iptcProperties
            = properties.dictionary(kCGImagePropertyIPTCDictionary)) {
            Exiv2::IptcData& iptc = image->iptcData();
            for (const auto& [name, value] : iptcProperties->entries()) {
                if (const auto* text = std::get_if<std::string>(&value)) {
                    try {
                        iptc[Exiv2::IptcKey("Iptc.Application2." + name).key()] = *text;
                    } catch (...) {
                        // An IPTC name outside the application record: left out.
                    }
                }
            }
        }
        image->writeMetadata();
        return true;
    } catch (...) {
        return false;
    }
}

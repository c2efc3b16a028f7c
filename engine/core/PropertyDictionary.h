// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

class PropertyDictionary;

/// One value of an image property: an integer, a real, a text, raw bytes or a nested dictionary.
using PropertyValue = std::variant<std::int64_t, double, std::string, QByteArray, PropertyDictionary>;

/// The properties that a decoder reports for one image and that an encoder is handed: a map from
/// string keys to values, with sub-dictionaries for the EXIF, TIFF, GPS and IPTC blocks. A plain value
/// type; copies are independent (a sub-dictionary is copied with its parent).
class PropertyDictionary
{
public:
    PropertyDictionary();
    PropertyDictionary(const PropertyDictionary& other);
    PropertyDictionary(PropertyDictionary&& other) noexcept;
    PropertyDictionary& operator=(const PropertyDictionary& other);
    PropertyDictionary& operator=(PropertyDictionary&& other) noexcept;
    ~PropertyDictionary();

    [[nodiscard]] bool empty() const;
    [[nodiscard]] std::size_t size() const;
    [[nodiscard]] bool contains(const std::string& key) const;
    [[nodiscard]] const PropertyValue* find(const std::string& key) const;
    [[nodiscard]] PropertyValue* find(const std::string& key);
    void set(const std::string& key, PropertyValue value);
    void remove(const std::string& key);

    /// The value under \a key as a number (an integer, or a real truncated toward zero), if it is one.
    [[nodiscard]] std::optional<std::int64_t> integer(const std::string& key) const;
    /// The value under \a key as a real (an integer converts), if it is a number.
    [[nodiscard]] std::optional<double> real(const std::string& key) const;
    [[nodiscard]] const PropertyDictionary* dictionary(const std::string& key) const;
    [[nodiscard]] PropertyDictionary* dictionary(const std::string& key);

    [[nodiscard]] const std::map<std::string, PropertyValue>& entries() const;

    friend bool operator==(const PropertyDictionary& a, const PropertyDictionary& b);

private:
    std::unique_ptr<std::map<std::string, PropertyValue>> m_entries;
};

// Top-level keys.
inline const std::string kCGImagePropertyOrientation = "Orientation";
inline const std::string kCGImagePropertyDPIWidth = "DPIWidth";
inline const std::string kCGImagePropertyDPIHeight = "DPIHeight";
inline const std::string kCGImagePropertyPixelWidth = "PixelWidth";
inline const std::string kCGImagePropertyPixelHeight = "PixelHeight";
inline const std::string kCGImagePropertyHasAlpha = "HasAlpha";
inline const std::string kCGImageDestinationLossyCompressionQuality
    = "kCGImageDestinationLossyCompressionQuality";
/// Present (any value) when a WebP output is to be written lossless, as its lossless source was.
inline const std::string kImageDestinationLosslessCompression = "LosslessCompression";

// Sub-dictionaries: IFD0 entries, the EXIF IFD, the GPS IFD and the IPTC data set. Their entries are
// keyed by the tag names of the EXIF and IPTC standards ("DateTimeOriginal", "GPSLatitude", "City").
inline const std::string kCGImagePropertyTIFFDictionary = "{TIFF}";
inline const std::string kCGImagePropertyExifDictionary = "{Exif}";
inline const std::string kCGImagePropertyGPSDictionary = "{GPS}";
inline const std::string kCGImagePropertyIPTCDictionary = "{IPTC}";

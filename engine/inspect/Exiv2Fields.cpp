// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/FieldSortingPrivate.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <cmath>
#include <optional>

namespace fields {

bool holdsNothing(const QString& text)
{
    const QString trimmed = text.trimmed();
    static const QStringList kPlaceholders = { QStringLiteral("unknown"), QStringLiteral("none"),
        QStringLiteral("(none)"), QStringLiteral("n/a"), QStringLiteral("not set") };
    if (kPlaceholders.contains(trimmed, Qt::CaseInsensitive))
        return true;
    return std::all_of(trimmed.begin(), trimmed.end(),
        [](QChar c) { return c == u'0' || c.isSpace() || c == u':' || c == u'-' || c == u'.' || c == u'/'; });
}

QString fromStd(const std::string& text)
{
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString readableDate(QString text)
{
    static const QRegularExpression kDate(QStringLiteral("^(\\d{4})[:-](\\d{2})[:-](\\d{2})(?=$|[ T])"));
    text.replace(kDate, QStringLiteral("\\1-\\2-\\3"));
    if (text.size() > 11 && text[10] == u'T' && text[11].isDigit())
        text[10] = u' ';
    return text;
}

QString degreesText(double degrees, bool latitude)
{
    const char hemisphere = latitude ? (degrees < 0 ? 'S' : 'N') : (degrees < 0 ? 'W' : 'E');
    return QStringLiteral("%1 %2").arg(std::abs(degrees), 0, 'f', 4).arg(QLatin1Char(hemisphere));
}

QString valueText(const Exiv2::Metadatum& datum, const Exiv2::ExifData* exif)
{
    const Exiv2::TypeId type = datum.typeId();
    const bool windowsText
        = datum.familyName() == std::string("Exif") && datum.tag() >= 0x9C9B && datum.tag() <= 0x9C9F;
    if ((type == Exiv2::undefined || type == Exiv2::unsignedByte) && !windowsText
        && !(datum.familyName() == std::string("Exif")
            && (datum.tag() == 0x9286 || datum.tag() == 0x001B || datum.tag() == 0x001C))) {
        QByteArray bytes(qsizetype(datum.size()), Qt::Uninitialized);
        datum.copy(reinterpret_cast<Exiv2::byte*>(bytes.data()), Exiv2::littleEndian);
        if (bytes.size() > 16)
            return QCoreApplication::translate("MetadataInspector", "%1 bytes").arg(bytes.size())
                + (printableExcerpt(bytes).isEmpty() ? QString()
                                                     : QStringLiteral(": ") + printableExcerpt(bytes));
    }
    if ((type == Exiv2::unsignedRational || type == Exiv2::signedRational) && datum.count() == 1) {
        const Exiv2::Rational r = datum.toRational(0);
        // A rational Exiv2 has no interpretation for ("543/2") reads better as a decimal.
        if (r.second != 0 && datum.print(exif) == datum.toString())
            return QString::number(double(r.first) / double(r.second), 'g', 6);
    }
    QString text = fromStd(datum.print(exif));
    static const QRegularExpression kPrefix(QStringLiteral("^(charset=\"?[A-Za-z]*\"?|lang=\"[^\"]*\") "));
    text.remove(kPrefix);
    return ownValueText(datum, readableText(text));
}

// --- IPTC --------------------------------------------------------------------------------------------

std::optional<Group> iptcGroup(const Exiv2::Iptcdatum& datum)
{
    const std::string name = datum.tagName();
    if (datum.record() == Exiv2::IptcDataSets::envelope) {
        if (name == "ModelVersion" || name == "CharacterSet" || name == "FileFormat" || name == "FileVersion")
            return std::nullopt;
        return Group::Hidden;
    }
    if (name == "RecordVersion")
        return std::nullopt;
    static const std::map<std::string, Group> kGroups = {
        { "City", Group::Location },
        { "SubLocation", Group::Location },
        { "ProvinceState", Group::Location },
        { "CountryCode", Group::Location },
        { "CountryName", Group::Location },
        { "LocationCode", Group::Location },
        { "LocationName", Group::Location },
        { "DateCreated", Group::Time },
        { "TimeCreated", Group::Time },
        { "DigitizationDate", Group::Time },
        { "DigitizationTime", Group::Time },
        { "ReleaseDate", Group::Time },
        { "ReleaseTime", Group::Time },
        { "ExpirationDate", Group::Time },
        { "ExpirationTime", Group::Time },
        { "ReferenceDate", Group::Time },
        { "Byline", Group::People },
        { "BylineTitle", Group::People },
        { "Credit", Group::People },
        { "Source", Group::People },
        { "Copyright", Group::People },
        { "Contact", Group::People },
        { "Writer", Group::People },
        { "Program", Group::Device },
        { "ProgramVersion", Group::Device },
        { "Preview", Group::Hidden },
        { "PreviewFormat", Group::Hidden },
        { "PreviewVersion", Group::Hidden },
    };
    const auto it = kGroups.find(name);
    return it == kGroups.end() ? Group::Text : it->second;
}

void sortIptc(const Exiv2::IptcData& iptc, FieldSink& sink)
{
    for (const Exiv2::Iptcdatum& datum : iptc) {
        if (const std::optional<Group> group = iptcGroup(datum)) {
            const QString own = ownFieldName(datum.key());
            sink.add(*group,
                (own.isNull() ? readableKeyName(datum.tagName()) : own) + QStringLiteral(" (IPTC)"),
                valueText(datum));
        }
    }
}

// --- XMP ---------------------------------------------------------------------------------------------

/// The group of an XMP property by its namespace prefix (as Exiv2 names it) and top-level name; null
/// for what describes the pixels.
// NOLINTNEXTLINE(readability-function-cognitive-complexity): one branch per XMP namespace
std::optional<Group> xmpGroup(const std::string& prefix, const std::string& property)
{
    const auto is = [&](std::initializer_list<const char*> names) {
        return std::any_of(names.begin(), names.end(), [&](const char* name) { return property == name; });
    };
    const auto startsWith = [&](const char* start) { return property.rfind(start, 0) == 0; };
    if (prefix == "tiff") {
        if (is({ "Make", "Model", "Software", "HostComputer" }))
            return Group::Device;
        if (is({ "DateTime" }))
            return Group::Time;
        if (is({ "Artist", "Copyright" }))
            return Group::People;
        if (is({ "ImageDescription", "DocumentName", "PageName" }))
            return Group::Text;
        return std::nullopt; // sizes, orientation, resolution, sampling
    }
    if (prefix == "exif" || prefix == "exifEX") {
        if (startsWith("GPS"))
            return Group::Location;
        if (is({ "DateTimeOriginal", "DateTimeDigitized" }))
            return Group::Time;
        if (is({ "UserComment" }))
            return Group::Text;
        if (is({ "CameraOwnerName", "Photographer", "ImageEditor" }))
            return Group::People;
        if (is({ "ImageUniqueID" }))
            return Group::Hidden;
        if (is({ "PixelXDimension", "PixelYDimension", "ColorSpace", "ExifVersion", "FlashpixVersion",
                "ComponentsConfiguration", "NativeDigest" }))
            return std::nullopt;
        return Group::Device;
    }
    if (prefix == "aux")
        return property == "OwnerName" ? Group::People : Group::Device;
    if (prefix == "dc") {
        if (is({ "creator", "rights", "contributor", "publisher" }))
            return Group::People;
        if (is({ "date" }))
            return Group::Time;
        if (is({ "format" }))
            return std::nullopt;
        return Group::Text;
    }
    if (prefix == "xmp") {
        if (is({ "CreateDate", "ModifyDate", "MetadataDate" }))
            return Group::Time;
        if (is({ "CreatorTool" }))
            return Group::Device;
        if (is({ "Author" }))
            return Group::People;
        if (is({ "Thumbnails" }))
            return Group::Hidden;
        return Group::Text; // label, rating, nickname, identifiers given by people
    }
    if (prefix == "photoshop") {
        if (is({ "City", "State", "Country" }))
            return Group::Location;
        if (is({ "DateCreated" }))
            return Group::Time;
        if (is({ "AuthorsPosition", "Credit", "CaptionWriter", "Source" }))
            return Group::People;
        if (is({ "DocumentAncestors", "History", "TextLayers" }))
            return Group::Hidden;
        if (is({ "ColorMode", "ICCProfile" }))
            return std::nullopt;
        return Group::Text;
    }
    if (prefix == "iptc") {
        if (is({ "Location", "CountryCode" }))
            return Group::Location;
        if (is({ "CreatorContactInfo" }))
            return Group::People;
        return Group::Text;
    }
    if (prefix == "iptcExt") {
        if (startsWith("Location"))
            return Group::Location;
        if (is({ "PersonInImage", "PersonInImageWDetails", "ModelAge", "ArtworkOrObject", "Contributor" }))
            return Group::People;
        return Group::Text;
    }
    if (prefix == "xmpRights" || prefix == "plus" || prefix == "mwg-rs" || prefix == "MP" || prefix == "MPRI"
        || prefix == "MPReg")
        return Group::People; // rights holders, licensors, named regions and faces
    if (prefix == "lr" || prefix == "mwg-kw" || prefix == "digiKam" || prefix == "MicrosoftPhoto"
        || prefix == "acdsee" || prefix == "mediapro")
        return Group::Text; // keywords and labels
    return Group::Hidden; // editing history (xmpMM, crs), identifiers, unknown namespaces
}

/// The name of an XMP property: ours for a top-level one, else the name of its last member.
QString xmpFieldName(const Exiv2::Xmpdatum& datum)
{
    const std::string key = datum.key();
    if (key.find('/') == std::string::npos && key.find('[') == std::string::npos) {
        if (const QString own = ownFieldName(key); !own.isNull())
            return own;
        return readableKeyName(key.substr(key.find('.', 4) + 1));
    }
    // "Xmp.iptc.CreatorContactInfo/Iptc4xmpCore:CiEmailWork": the last property's name, ours by the
    // structure it belongs to ("Member.Flash/Mode") or by itself ("Member.CiEmailWork").
    std::string last = key.substr(key.find_last_of("/.") + 1);
    last = last.substr(last.find(':') + 1);
    last = last.substr(0, last.find('['));
    const std::string rest = key.substr(std::min(key.size(), key.find('.', 4) + 1));
    const std::string top = rest.substr(0, rest.find_first_of("/["));
    if (const QString own = ownFieldName("Member." + top + "/" + last); !own.isNull())
        return own;
    if (const QString own = ownFieldName("Member." + last); !own.isNull())
        return own;
    return readableKeyName(last);
}

/// Degrees from an XMP GPS coordinate ("47,22.00002N", "47,22,0N", "47.3667N").
std::optional<double> xmpCoordinate(const Exiv2::XmpData& xmp, const char* key)
{
    const auto it = xmp.findKey(Exiv2::XmpKey(key));
    if (it == xmp.end())
        return std::nullopt;
    QString text = fromStd(it->toString()).trimmed();
    if (text.isEmpty())
        return std::nullopt;
    const QChar hemisphere = text.back().toUpper();
    if (hemisphere == u'N' || hemisphere == u'S' || hemisphere == u'E' || hemisphere == u'W')
        text.chop(1);
    double degrees = 0;
    double unit = 1;
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() > 3)
        return std::nullopt;
    for (const QString& part : parts) {
        bool ok = false;
        const double value = part.toDouble(&ok);
        if (!ok)
            return std::nullopt;
        degrees += value / unit;
        unit *= 60;
    }
    if (!std::isfinite(degrees))
        return std::nullopt;
    return hemisphere == u'S' || hemisphere == u'W' ? -degrees : degrees;
}

void sortXmp(const Exiv2::XmpData& xmp, FieldSink& sink)
{
    const std::optional<double> latitude = xmpCoordinate(xmp, "Xmp.exif.GPSLatitude");
    const std::optional<double> longitude = xmpCoordinate(xmp, "Xmp.exif.GPSLongitude");
    const bool position = latitude && longitude;
    if (position)
        sink.addPosition(QCoreApplication::translate("MetadataInspector", "GPS position (XMP)"),
            degreesText(*latitude, true) + QStringLiteral(", ") + degreesText(*longitude, false));
    for (const Exiv2::Xmpdatum& datum : xmp) {
        const std::string key = datum.key(); // "Xmp.prefix.Property..."
        const std::string rest = key.substr(std::min(key.size(), key.find('.', 4) + 1));
        const std::string property = rest.substr(0, rest.find_first_of("/["));
        const std::string prefix = datum.groupName();
        if (position && prefix == "exif" && (property == "GPSLatitude" || property == "GPSLongitude"))
            continue;
        if (const std::optional<Group> group = xmpGroup(prefix, property)) {
            const QString value = *group == Group::Time ? readableDate(valueText(datum)) : valueText(datum);
            static const QRegularExpression kNode(QStringLiteral("^type=\"(Struct|Seq|Bag|Alt)\"$"));
            if (value.isEmpty() || kNode.match(value).hasMatch())
                continue; // the node of a structure or an array; its members follow
            sink.add(*group, xmpFieldName(datum) + QStringLiteral(" (XMP)"), value);
        }
    }
}

} // namespace fields

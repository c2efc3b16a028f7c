// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/MetadataInspector.h"

#include "engine/core/DescriptorIo.h"
#include "engine/core/HandedFiles.h"
#include "engine/core/ImageFormat.h"
#include "engine/core/LibraryMessages.h"
#include "engine/core/NativePath.h"
#include "engine/inspect/FieldSortingPrivate.h"
#include "engine/inspect/MetadataContainers.h"
#include "engine/metadata/MetadataLibrary.h"
#include "engine/metadata/MetadataReader.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QLocale>
#include <QRegularExpression>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <exiv2/exiv2.hpp>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

using namespace fields;

namespace {

// --- EXIF --------------------------------------------------------------------------------------------

/// The name of an EXIF field: ours, also for the same tag in a later page or a sub-image; else a
/// readable form of Exiv2's name of the tag, or its number.
QString exifFieldName(const Exiv2::Exifdatum& datum)
{
    const std::string tag = datum.tagName();
    if (datum.groupName() != "Photo" && datum.groupName() != "GPSInfo") {
        if (const QString own = ownFieldName("Exif.Image." + tag); !own.isNull())
            return own;
    }
    if (const QString own = ownFieldName(datum.key()); !own.isNull())
        return own;
    if (tag.rfind("0x", 0) == 0)
        return QCoreApplication::translate("MetadataInspector", "Tag 0x%1")
            .arg(datum.tag(), 4, 16, QLatin1Char('0'));
    return readableKeyName(tag);
}

/// The group of a tag of an image directory (IFD0, a page of a TIFF file); null for what describes the
/// pixels or points elsewhere.
std::optional<Group> imageTagGroup(quint32 tag)
{
    if (isTiffPixelTag(tag))
        return std::nullopt;
    switch (tag) {
    case 34665: // the Exif, GPS, SubIFD and interoperability pointers; XMP, IPTC, Photoshop resources and
    case 34853: // the profile are read as blocks of their own
    case 330:
    case 40965:
    case 700:
    case 33723:
    case 34377:
    case 34675:
        return std::nullopt;
    case 271: // Make
    case 272: // Model
    case 305: // Software
    case 316: // HostComputer
    case 0xC614: // UniqueCameraModel
    case 0xC615: // LocalizedCameraModel
    case 0xC62F: // CameraSerialNumber
    case 0xA431: // BodySerialNumber
    case 0xA434: // LensModel
        return Group::Device;
    case 306: // DateTime
    case 0x9003: // DateTimeOriginal
    case 0x882A: // TimeZoneOffset
        return Group::Time;
    case 315: // Artist
    case 33432: // Copyright
    case 0x9C9D: // XPAuthor
    case 0xA430: // CameraOwnerName
        return Group::People;
    case 269: // DocumentName
    case 270: // ImageDescription
    case 285: // PageName
    case 0x9C9B: // XPTitle
    case 0x9C9C: // XPComment
    case 0x9C9E: // XPKeywords
    case 0x9C9F: // XPSubject
    case 18246: // Rating
    case 18249: // RatingPercent
        return Group::Text;
    default:
        return Group::Hidden;
    }
}

/// The group of a tag of the Exif directory; null for what describes the pixels. Camera settings
/// (exposure, lens, flash) belong to the device.
std::optional<Group> photoTagGroup(quint32 tag)
{
    if (isExifPixelTag(tag))
        return std::nullopt;
    switch (tag) {
    case 34665: // pointers to other directories, read where they lead
    case 34853:
    case 330:
        return std::nullopt;
    case 0x9003: // DateTimeOriginal
    case 0x9004: // DateTimeDigitized
    case 0x9010: // OffsetTime, OffsetTimeOriginal, OffsetTimeDigitized
    case 0x9011:
    case 0x9012:
    case 0x9290: // SubSecTime, SubSecTimeOriginal, SubSecTimeDigitized
    case 0x9291:
    case 0x9292:
        return Group::Time;
    case 0xA430: // CameraOwnerName
    case 0xA437: // Photographer
    case 0xA438: // ImageEditor
        return Group::People;
    case 0x9286: // UserComment
    case 0xA436: // ImageTitle
        return Group::Text;
    case 0x927C: // MakerNote
    case 0xA420: // ImageUniqueID
        return Group::Hidden;
    default:
        return Group::Device;
    }
}

/// Degrees from an EXIF GPS coordinate (degrees, minutes, seconds as rationals) and its reference.
std::optional<double> exifCoordinate(const Exiv2::ExifData& exif, const char* key, const char* refKey)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() < 1)
        return std::nullopt;
    double degrees = 0;
    double unit = 1;
    for (long i = 0; i < std::min(it->count(), 3L); ++i, unit *= 60) {
        const Exiv2::Rational r = it->toRational(i);
        if (r.second == 0)
            return std::nullopt;
        degrees += double(r.first) / double(r.second) / unit;
    }
    if (!std::isfinite(degrees))
        return std::nullopt;
    const auto ref = exif.findKey(Exiv2::ExifKey(refKey));
    if (ref != exif.end()) {
        const std::string hemisphere = ref->toString();
        if (!hemisphere.empty() && (hemisphere[0] == 'S' || hemisphere[0] == 'W'))
            degrees = -degrees;
    }
    return degrees;
}

void sortGps(const Exiv2::ExifData& exif, FieldSink& sink, std::set<long>& handled)
{
    const std::optional<double> latitude
        = exifCoordinate(exif, "Exif.GPSInfo.GPSLatitude", "Exif.GPSInfo.GPSLatitudeRef");
    const std::optional<double> longitude
        = exifCoordinate(exif, "Exif.GPSInfo.GPSLongitude", "Exif.GPSInfo.GPSLongitudeRef");
    if (latitude && longitude) {
        sink.addPosition(QCoreApplication::translate("MetadataInspector", "GPS position"),
            degreesText(*latitude, true) + QStringLiteral(", ") + degreesText(*longitude, false));
        handled.insert({ 1, 2, 3, 4 });
    }
    const auto altitude = exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSAltitude"));
    if (altitude != exif.end() && altitude->count() == 1 && altitude->toRational(0).second != 0) {
        const auto ref = exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSAltitudeRef"));
        const bool below = ref != exif.end() && ref->count() > 0 && ref->toLong() == 1;
        const Exiv2::Rational r = altitude->toRational(0);
        const double metres = double(r.first) / double(r.second);
        sink.add(Group::Location, QCoreApplication::translate("MetadataInspector", "Altitude"),
            (below ? QCoreApplication::translate("MetadataInspector", "%1 m below sea level")
                   : QCoreApplication::translate("MetadataInspector", "%1 m above sea level"))
                .arg(metres, 0, 'f', 1));
        handled.insert({ 5, 6 });
    }
    const auto date = exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSDateStamp"));
    const auto time = exif.findKey(Exiv2::ExifKey("Exif.GPSInfo.GPSTimeStamp"));
    if (time != exif.end() && time->count() == 3) {
        QStringList parts;
        for (long i = 0; i < 3; ++i) {
            const Exiv2::Rational r = time->toRational(i);
            parts.append(r.second == 0
                    ? QStringLiteral("??")
                    : QStringLiteral("%1").arg(
                        int(std::floor(double(r.first) / double(r.second))), 2, 10, QLatin1Char('0')));
        }
        const QString day
            = date != exif.end() ? readableDate(fromStd(date->toString())) + QLatin1Char(' ') : QString();
        sink.add(Group::Location, QCoreApplication::translate("MetadataInspector", "GPS time"),
            day + parts.join(QLatin1Char(':')) + QCoreApplication::translate("MetadataInspector", " UTC"));
        handled.insert({ 7, 29 });
    }
}

/// A single rational of the GPS directory as a decimal; none when absent or not a number.
std::optional<double> gpsNumber(const Exiv2::ExifData& exif, const char* key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end() || it->count() != 1)
        return std::nullopt;
    const Exiv2::Rational r = it->toRational(0);
    if (r.second == 0)
        return std::nullopt;
    return double(r.first) / double(r.second);
}

/// The letter of a GPS reference ("T", "K"); 0 when absent.
char gpsReference(const Exiv2::ExifData& exif, const char* key)
{
    const auto it = exif.findKey(Exiv2::ExifKey(key));
    if (it == exif.end())
        return 0;
    const std::string text = it->toString();
    return text.empty() ? char(0) : text[0];
}

/// The directions, the speed and the distance with their references, in words of our own: "123.5° (true
/// north)", "12 km/h".
void sortGpsMeasures(const Exiv2::ExifData& exif, FieldSink& sink, std::set<long>& handled)
{
    const struct
    {
        const char* key;
        const char* refKey;
        long tag;
        const char* name;
    } directions[] = {
        { "Exif.GPSInfo.GPSImgDirection", "Exif.GPSInfo.GPSImgDirectionRef", 17,
            QT_TRANSLATE_NOOP("MetadataInspector", "Image direction") },
        { "Exif.GPSInfo.GPSTrack", "Exif.GPSInfo.GPSTrackRef", 15,
            QT_TRANSLATE_NOOP("MetadataInspector", "Direction of movement") },
        { "Exif.GPSInfo.GPSDestBearing", "Exif.GPSInfo.GPSDestBearingRef", 24,
            QT_TRANSLATE_NOOP("MetadataInspector", "Destination bearing") },
    };
    for (const auto& d : directions) {
        const std::optional<double> degrees = gpsNumber(exif, d.key);
        if (!degrees)
            continue;
        const char ref = gpsReference(exif, d.refKey);
        const QString number = QString::number(*degrees, 'f', 1);
        sink.add(Group::Location, QCoreApplication::translate("MetadataInspector", d.name),
            ref == 'T' ? QCoreApplication::translate("MetadataInspector", "%1° (true north)").arg(number)
                : ref == 'M'
                ? QCoreApplication::translate("MetadataInspector", "%1° (magnetic north)").arg(number)
                : QStringLiteral("%1°").arg(number));
        handled.insert({ d.tag - 1, d.tag });
    }
    if (const std::optional<double> speed = gpsNumber(exif, "Exif.GPSInfo.GPSSpeed")) {
        const QString number = QString::number(*speed, 'g', 6);
        const char ref = gpsReference(exif, "Exif.GPSInfo.GPSSpeedRef");
        sink.add(Group::Location, QCoreApplication::translate("MetadataInspector", "Speed"),
            ref == 'M'       ? QCoreApplication::translate("MetadataInspector", "%1 mph").arg(number)
                : ref == 'N' ? QCoreApplication::translate("MetadataInspector", "%1 knots").arg(number)
                             : QCoreApplication::translate("MetadataInspector", "%1 km/h").arg(number));
        handled.insert({ 12, 13 });
    }
    if (const std::optional<double> distance = gpsNumber(exif, "Exif.GPSInfo.GPSDestDistance")) {
        const QString number = QString::number(*distance, 'g', 6);
        const char ref = gpsReference(exif, "Exif.GPSInfo.GPSDestDistanceRef");
        sink.add(Group::Location, QCoreApplication::translate("MetadataInspector", "Destination distance"),
            ref == 'M' ? QCoreApplication::translate("MetadataInspector", "%1 miles").arg(number)
                : ref == 'N'
                ? QCoreApplication::translate("MetadataInspector", "%1 nautical miles").arg(number)
                : QCoreApplication::translate("MetadataInspector", "%1 km").arg(number));
        handled.insert({ 25, 26 });
    }
}

/// The GPS directory's tags in \a exif: the position, altitude and time as a person reads them, then
/// every other tag but the version, which alone says nothing.
void sortGpsInfo(const Exiv2::ExifData& exif, FieldSink& sink)
{
    std::set<long> handled { 0 };
    sortGps(exif, sink, handled);
    sortGpsMeasures(exif, sink, handled);
    for (const Exiv2::Exifdatum& datum : exif) {
        if (datum.groupName() == "GPSInfo" && !handled.count(long(datum.tag())))
            sink.add(Group::Location, exifFieldName(datum), valueText(datum, &exif));
    }
}

/// A field of the Exif directory that says something of a photo (its maker notes aside).
void sortPhotoField(const Exiv2::Exifdatum& datum, const Exiv2::ExifData& exif, FieldSink& sink)
{
    if (const std::optional<Group> g = photoTagGroup(datum.tag())) {
        QString value = valueText(datum, &exif);
        if (*g == Group::Time)
            value = readableDate(value);
        sink.add(*g, exifFieldName(datum), value);
    }
}

/// A field of the maker notes that names a person or a device: the owner, a serial number, the firmware.
void sortMakerNoteField(const Exiv2::Exifdatum& datum, const Exiv2::ExifData& exif, FieldSink& sink)
{
    const std::string name = datum.tagName();
    if (name.find("OwnerName") != std::string::npos)
        sink.add(Group::People, QCoreApplication::translate("MetadataInspector", "Owner name (maker notes)"),
            valueText(datum, &exif));
    else if (name.find("SerialNumber") != std::string::npos)
        sink.add(Group::Device,
            QCoreApplication::translate("MetadataInspector", "Serial number (maker notes)"),
            valueText(datum, &exif));
    else if (name.find("Firmware") != std::string::npos)
        sink.add(Group::Device, QCoreApplication::translate("MetadataInspector", "Firmware (maker notes)"),
            valueText(datum, &exif));
}

/// A field of an image directory: IFD0; in a TIFF file every later page (Exiv2 calls the second
/// "Thumbnail") and sub-image. False when \a group is no image directory.
bool sortImageField(
    const std::string& group, const Exiv2::Exifdatum& datum, const Exiv2::ExifData& exif, FieldSink& sink)
{
    const bool firstImage = group == "Image";
    const bool subImage = group.rfind("SubImage", 0) == 0;
    if (!firstImage && group != "Thumbnail" && group.rfind("Image", 0) != 0 && !subImage)
        return false;
    if (const std::optional<Group> g = imageTagGroup(datum.tag())) {
        QString page;
        if (group == "Thumbnail")
            page = QCoreApplication::translate("MetadataInspector", "Page 2: ");
        else if (subImage)
            page = QCoreApplication::translate("MetadataInspector", "Sub-image %1: ")
                       .arg(fromStd(group.substr(8)));
        else if (!firstImage)
            page = QCoreApplication::translate("MetadataInspector", "Page %1: ")
                       .arg(QString::number(std::atoi(group.c_str() + 5) + 1));
        QString value = valueText(datum, &exif);
        if (*g == Group::Time)
            value = readableDate(value);
        sink.add(*g, page + exifFieldName(datum), value);
    }
    return true;
}

/// The maker notes as one field: whose they are, how many entries Exiv2 read and their size.
void addMakerNotes(const QString& family, int entries, long size, FieldSink& sink)
{
    QStringList parts;
    if (!family.isEmpty())
        parts.append(family);
    if (entries > 0)
        parts.append(entries == 1
                ? QCoreApplication::translate("MetadataInspector", "1 entry")
                : QCoreApplication::translate("MetadataInspector", "%1 entries").arg(entries));
    if (size >= 0)
        parts.append(QCoreApplication::translate("MetadataInspector", "%1 bytes").arg(size));
    sink.add(Group::Hidden, QCoreApplication::translate("MetadataInspector", "Maker notes"),
        parts.join(QStringLiteral(", ")));
}

void addExifThumbnail(const Exiv2::ExifData& exif, FieldSink& sink)
{
    const Exiv2::ExifThumbC preview(exif);
    const Exiv2::DataBuf data = preview.copy();
    sink.add(Group::Hidden, QCoreApplication::translate("MetadataInspector", "Thumbnail (EXIF)"),
        data.size_ > 0 ? QCoreApplication::translate("MetadataInspector", "%1, %2 bytes")
                             .arg(fromStd(preview.mimeType()))
                             .arg(data.size_)
                       : QCoreApplication::translate("MetadataInspector", "present"));
}

void sortExif(const Exiv2::ExifData& exif, bool wholeFile, FieldSink& sink)
{
    sortGpsInfo(exif, sink);
    QString makerFamily;
    long makerNoteSize = -1;
    int makerEntries = 0;
    bool thumbnail = false;
    for (const Exiv2::Exifdatum& datum : exif) {
        const std::string group = datum.groupName();
        if (group == "GPSInfo" || group == "Iop" || group == "MakerNote")
            continue; // sorted above; the interoperability index; where the maker notes lie
        if (group == "Photo" && datum.tag() == 0x927C) {
            makerNoteSize = datum.size();
        } else if (group == "Photo") {
            sortPhotoField(datum, exif, sink);
        } else if (Exiv2::ExifTags::isMakerGroup(group)) {
            if (makerFamily.isEmpty())
                makerFamily = fromStd(group);
            ++makerEntries;
            sortMakerNoteField(datum, exif, sink);
        } else if (!wholeFile && group == "Thumbnail") {
            thumbnail = true; // in an EXIF block the second directory is the thumbnail
        } else if (!sortImageField(group, datum, exif, sink)) {
            sink.add(Group::Hidden, QStringLiteral("%1 (%2)").arg(exifFieldName(datum), fromStd(group)),
                valueText(datum, &exif));
        }
    }
    if (makerNoteSize >= 0 || makerEntries > 0)
        addMakerNotes(makerFamily, makerEntries, makerNoteSize, sink);
    if (thumbnail)
        addExifThumbnail(exif, sink);
}

// --- Directories Exiv2 does not read -----------------------------------------------------------------

/// How many pages of a TIFF file Exiv2 0.27 reads (its groups Image, Thumbnail, Image2 and Image3); of an
/// EXIF block it reads the first and the thumbnail's.
constexpr int kPagesExiv2Reads = 4;

/// Whether Exiv2's decoding of the structure reads \a directory itself: pages up to its limit, the Exif
/// directory and sub-images only where one of its pages names them. GPS directories are always read here
/// too (Exiv2 skips one it met before as another directory), and a second reading of one gives the same
/// fields, which are shown once.
bool readByExiv2(const TiffDirectory& directory, bool wholeFile)
{
    switch (directory.role) {
    case TiffRole::Page:
        return directory.page < (wholeFile ? kPagesExiv2Reads : 2);
    case TiffRole::Exif:
        return directory.namedBy == TiffRole::Page && directory.page == 0 && !directory.underSubImage;
    case TiffRole::SubImage:
        return directory.namedBy == TiffRole::Page && directory.page < 2;
    case TiffRole::Gps:
    case TiffRole::Interoperability:
        return false;
    }
    return false;
}

/// The entries of \a directory as Exiv2 metadata of \a group ("Image", "Photo", "GPSInfo"), for Exiv2's
/// names and readings of the values. Entries whose values lie outside the structure are left out.
Exiv2::ExifData exifOfDirectory(const TiffDirectory& directory, bool littleEndian, const char* group)
{
    Exiv2::ExifData exif;
    const Exiv2::ByteOrder order = littleEndian ? Exiv2::littleEndian : Exiv2::bigEndian;
    for (const TiffEntry& entry : directory.entries) {
        if (entry.value.isEmpty())
            continue;
        try {
            const Exiv2::ExifKey key(entry.tag, group);
            Exiv2::TypeId type
                = entry.type >= 1 && entry.type <= 13 ? Exiv2::TypeId(entry.type) : Exiv2::undefined;
            // As Exiv2's own reading does: comments stored as undefined bytes (a user comment, a GPS area
            // or processing method) are read with their character-set prefix.
            if (type == Exiv2::undefined && key.defaultTypeId() == Exiv2::comment)
                type = Exiv2::comment;
            Exiv2::Value::AutoPtr value = Exiv2::Value::create(type);
            value->read(
                reinterpret_cast<const Exiv2::byte*>(entry.value.data()), long(entry.value.size()), order);
            exif.add(key, value.get());
        } catch (...) {
            // A value Exiv2 cannot take: the walk has already counted it as metadata.
        }
    }
    return exif;
}

/// Sorts what the walk of a TIFF structure found beyond Exiv2's reading of it: every GPS directory,
/// wherever a GPS pointer leads (also to a directory read before in another role), and the pages,
/// sub-images and Exif directories Exiv2 does not reach, their fields named for the page they belong to.
void sortDirectoriesBeyondExiv2(const TiffWalk& walk, bool wholeFile, FieldSink& sink)
{
    for (const TiffDirectory& directory : walk.gps)
        sortGpsInfo(exifOfDirectory(directory, walk.littleEndian, "GPSInfo"), sink);
    for (const TiffDirectory& directory : walk.described) {
        if (readByExiv2(directory, wholeFile))
            continue;
        QString where;
        if (directory.page > 0)
            where = QCoreApplication::translate("MetadataInspector", "Page %1: ").arg(directory.page + 1);
        if (directory.underSubImage)
            where += QCoreApplication::translate("MetadataInspector", "Sub-image: ");
        const bool exifDirectory = directory.role == TiffRole::Exif;
        const Exiv2::ExifData exif
            = exifOfDirectory(directory, walk.littleEndian, exifDirectory ? "Photo" : "Image");
        for (const Exiv2::Exifdatum& datum : exif) {
            const quint32 tag = datum.tag();
            if (exifDirectory && tag == 0x927C) {
                sink.add(Group::Hidden,
                    where + QCoreApplication::translate("MetadataInspector", "Maker notes"),
                    QCoreApplication::translate("MetadataInspector", "%1 bytes").arg(datum.size()));
                continue;
            }
            const std::optional<Group> group = exifDirectory ? photoTagGroup(tag) : imageTagGroup(tag);
            if (!group)
                continue;
            QString value = valueText(datum, &exif);
            if (*group == Group::Time)
                value = readableDate(value);
            sink.add(*group, where + exifFieldName(datum), value);
        }
    }
}

/// Whether the walk met a tag that the inspection names as a field (not one read as a block of its own,
/// such as XMP or a profile, nor a pointer).
bool tiffHoldsTagsToName(const TiffWalk& walk)
{
    const auto named = [](const TiffDirectory& directory) {
        return std::any_of(directory.entries.begin(), directory.entries.end(), [&](const TiffEntry& entry) {
            switch (directory.role) {
            case TiffRole::Page:
            case TiffRole::SubImage:
                return imageTagGroup(entry.tag).has_value();
            case TiffRole::Exif:
                return entry.tag == 0x927C || photoTagGroup(entry.tag).has_value();
            case TiffRole::Gps:
                return entry.tag != 0;
            case TiffRole::Interoperability:
                return false;
            }
            return false;
        });
    };
    return std::any_of(walk.described.begin(), walk.described.end(), named)
        || std::any_of(walk.gps.begin(), walk.gps.end(), named);
}

// --- Blocks ------------------------------------------------------------------------------------------

void sortBlocks(const MetadataBlocks& blocks, Inspection& inspection, const QString& prefix)
{
    FieldSink sink(inspection, prefix);
    for (const QByteArray& block : blocks.exif) {
        const TiffWalk walk = walkTiffStructure(block, false);
        if (!walk.metadata)
            continue; // resolution and orientation only: what a clean copy keeps
        const qsizetype before = sink.added();
        try {
            Exiv2::ExifData exif;
            Exiv2::ExifParser::decode(
                exif, reinterpret_cast<const Exiv2::byte*>(block.constData()), uint32_t(block.size()));
            sortExif(exif, false, sink);
        } catch (...) {
            // A block Exiv2 cannot follow: what it read before stands, and the block is reported below.
        }
        sortDirectoriesBeyondExiv2(walk, false, sink);
        if (walk.incomplete)
            sink.add(Group::Hidden, QStringLiteral("EXIF"),
                QCoreApplication::translate("MetadataInspector", "directories that cannot be read"));
        if (sink.added() == before)
            sink.add(Group::Hidden, QStringLiteral("EXIF"),
                QCoreApplication::translate("MetadataInspector", "%1 bytes that cannot be read")
                    .arg(block.size()));
    }
    Exiv2::IptcData tiffIptc;
    Exiv2::XmpData tiffXmp;
    qsizetype fromTiffFile = 0;
    TiffWalk tiffWalk;
    if (!blocks.tiffFile.isEmpty()) {
        tiffWalk = walkTiffStructure(blocks.tiffFile, true);
        const qsizetype before = sink.added();
        try {
            Exiv2::ExifData exif;
            Exiv2::TiffParser::decode(exif, tiffIptc, tiffXmp,
                reinterpret_cast<const Exiv2::byte*>(blocks.tiffFile.constData()),
                uint32_t(blocks.tiffFile.size()));
            sortExif(exif, true, sink);
        } catch (...) {
            // As above: what was read stands.
        }
        sortDirectoriesBeyondExiv2(tiffWalk, true, sink);
        if (tiffWalk.incomplete)
            sink.add(Group::Hidden, QStringLiteral("TIFF"),
                QCoreApplication::translate("MetadataInspector", "directories that cannot be read"));
        fromTiffFile += sink.added() - before;
    }
    qsizetype beforeTiffBlocks = sink.added();
    sortIptc(tiffIptc, sink);
    fromTiffFile += sink.added() - beforeTiffBlocks;
    for (const QByteArray& block : blocks.iptc) {
        const qsizetype before = sink.added();
        try {
            Exiv2::IptcData iptc;
            if (Exiv2::IptcParser::decode(
                    iptc, reinterpret_cast<const Exiv2::byte*>(block.constData()), uint32_t(block.size()))
                == 0)
                sortIptc(iptc, sink);
        } catch (...) { }
        if (sink.added() == before)
            sink.add(Group::Hidden, QStringLiteral("IPTC"),
                QCoreApplication::translate("MetadataInspector", "%1 bytes with nothing readable")
                    .arg(block.size()));
    }
    beforeTiffBlocks = sink.added();
    sortXmp(tiffXmp, sink);
    fromTiffFile += sink.added() - beforeTiffBlocks;
    // The walk found tags beyond the pixels' own that no reading above could name.
    if (!blocks.tiffFile.isEmpty() && fromTiffFile == 0 && tiffHoldsTagsToName(tiffWalk))
        sink.add(Group::Hidden, QStringLiteral("TIFF"),
            QCoreApplication::translate("MetadataInspector", "%1 bytes of tags that cannot be read")
                .arg(blocks.tiffFile.size()));
    for (const QByteArray& packet : blocks.xmp) {
        const qsizetype before = sink.added();
        try {
            Exiv2::XmpData xmp;
            if (Exiv2::XmpParser::decode(xmp, packet.toStdString()) == 0)
                sortXmp(xmp, sink);
        } catch (...) { }
        if (sink.added() == before)
            sink.add(Group::Hidden, QStringLiteral("XMP"),
                QCoreApplication::translate("MetadataInspector", "%1 bytes").arg(packet.size()));
    }
    for (const auto& [group, field] : blocks.found)
        sink.add(group, field.name, field.value);
    for (const QByteArray& profile : blocks.profiles) {
        for (const InspectedField& field : colourProfileFindings(profile))
            sink.add(Group::Hidden, field.name, field.value);
    }
    for (const MetadataBlocks& embedded : blocks.embedded)
        sortBlocks(embedded, inspection,
            prefix + QCoreApplication::translate("MetadataInspector", "Embedded image: "));
}

Inspection unreadable(const QString& reason)
{
    Inspection inspection;
    inspection.reason = reason;
    return inspection;
}

QString systemError(int error)
{
    return systemErrorText(error);
}

/// Reads the file open at \a descriptor from offset 0 on, without moving its offset, and inspects it; a
/// file larger than \a maxBytes is not read.
Inspection inspectDescriptor(int descriptor, qint64 maxBytes)
{
    struct stat status
    {
    };
    if (::fstat(descriptor, &status) != 0)
        return unreadable(systemError(errno));
    if (S_ISDIR(status.st_mode))
        return unreadable(QCoreApplication::translate("MetadataInspector", "it is a folder"));
    if (!S_ISREG(status.st_mode))
        return unreadable(QCoreApplication::translate("MetadataInspector", "it is not a regular file"));
    // The walks read the file from memory, whole: one larger than the bound is not read at all, so that
    // no inspection takes more memory than that.
    if (qint64(status.st_size) > maxBytes)
        return unreadable(
            QCoreApplication::translate(
                "MetadataInspector", "the file is too large (%1; files above %2 are not read)")
                .arg(QLocale::c().formattedDataSize(qint64(status.st_size), 1, QLocale::DataSizeIecFormat),
                    QLocale::c().formattedDataSize(maxBytes, 0, QLocale::DataSizeIecFormat)));
    QByteArray data;
    try {
        data.resize(qsizetype(status.st_size));
    } catch (const std::bad_alloc&) {
        return unreadable(
            QCoreApplication::translate("MetadataInspector", "there is not enough memory to read it"));
    }
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t got = ::pread(descriptor, data.data() + done, size_t(data.size() - done), off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return unreadable(systemError(errno));
        if (got == 0)
            break; // the file became shorter while it was read
        done += got;
    }
    data.truncate(done);
    return inspectImageData(data);
}

} // namespace

Inspection inspectMetadataBlocks(const MetadataBlocks& blocks)
{
    initializeMetadataLibrary();
    // Exiv2's warnings about the blocks are no news about the file being converted on this thread: what
    // was recorded before stays, what the inspection adds goes.
    const QStringList earlier = takeLibraryMessages();
    Inspection inspection;
    inspection.readable = true;
    sortBlocks(blocks, inspection, QString());
    (void)takeLibraryMessages();
    for (const QString& message : earlier)
        recordLibraryMessage(message);
    return inspection;
}

Inspection inspectImageData(const QByteArray& data)
{
    MetadataBlocks blocks;
    QString reason;
    if (!walkImageContainer(data, blocks, &reason))
        return unreadable(reason);
    return inspectMetadataBlocks(blocks);
}

Inspection inspectImageFile(const QString& path)
{
    // Non-blocking: opening a named pipe must not wait for a writer (a regular file reads as usual).
    const int descriptor = openSourcePath(path);
    if (descriptor < 0)
        return unreadable(systemError(errno));
    Inspection inspection = inspectDescriptor(descriptor, kMaxSourceFileBytes);
    ::close(descriptor);
    addFileNameFindings(inspection, path);
    return inspection;
}

Inspection inspectOpenFile(int descriptor)
{
    return inspectDescriptor(descriptor, kMaxSourceFileBytes);
}

Inspection inspectOpenFile(int descriptor, qint64 maxBytes)
{
    return inspectDescriptor(descriptor, maxBytes);
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <map>
#include <optional>
#include <utility>
#include <vector>

// What an image file gives away about the people behind it, read once and sorted into the groups a
// person cares about. The window's list and details, the command line's --inspect and the check of every
// written copy all use this one reader.
//
// What counts: everything a file carries beyond what a clean copy may keep. A clean copy may keep the
// pixels and what describes them (sizes, depth, palette, transparency, gamma, Adobe's colour transform,
// a GIF's loop count and frame timing), the resolution, an EXIF orientation, and a colour profile that
// is a well-known standard one or one whose tags are colour tags and whose texts name only colour spaces
// and profile makers. Anything else is reported in one of the six groups, unknown blocks included, so
// that "nothing personal found" means exactly that nothing but those was found. The numbers inside a
// profile's colour tags are not judged (a curve or a LUT may spell anything); that a profile cleans to
// itself is no proof either, so the engine rebuilds every profile it writes instead.
//
// Every function here is free of shared state and may be called from any thread; none leaves a message in
// the thread's record of library messages (engine/LibraryMessages.h).

/// The six groups, in the order they are shown.
enum class PersonalGroup {
    Location, ///< GPS position, altitude, direction and time, place names
    Device, ///< make, model, serial numbers, lens, software, firmware, camera settings
    Time, ///< dates taken, digitised and modified, time-zone offsets
    People, ///< artist, author, copyright holder, owner, named faces and regions, contact fields
    Text, ///< comments, descriptions, titles, keywords, captions
    Hidden, ///< maker notes, thumbnails and previews, editing history, identifiers, data after the image,
            ///< unknown blocks, colour-profile texts that name a person or a device
};

inline constexpr std::array<PersonalGroup, 6> kPersonalGroups
    = { PersonalGroup::Location, PersonalGroup::Device, PersonalGroup::Time, PersonalGroup::People,
          PersonalGroup::Text, PersonalGroup::Hidden };

/// The group's name: "Location", "Device", "Time", "People", "Text", "Hidden". The window shows these and
/// the command line's JSON uses them as keys.
[[nodiscard]] QString personalGroupName(PersonalGroup group);

/// One thing found: a readable name ("Camera model", "Comment (PNG text)") and its value as a person
/// reads it ("47.3667 N, 8.5500 E", "Canon EOS 5D Mark IV", "4,212 bytes").
struct InspectedField
{
    QString name;
    QString value;

    friend bool operator==(const InspectedField&, const InspectedField&) = default;
};

/// The outcome of inspecting one file.
struct Inspection
{
    /// The groups in which something was found, each with its fields in file order. A group is present
    /// only with at least one field.
    std::map<PersonalGroup, std::vector<InspectedField>> groups;
    /// The GPS position as degrees ("48.8584 N, 2.2945 E"), for copying; from the EXIF block when the
    /// file has one, else from XMP.
    std::optional<QString> location;
    /// False when the data is no image of a kind the inspector knows, or the file could not be read;
    /// \a reason then says why ("the file is empty", "No such file or directory"). A damaged file whose
    /// structure can be followed only in part is readable: what was found up to the damage is reported.
    bool readable = false;
    QString reason;

    /// Readable with nothing found in any group.
    [[nodiscard]] bool nothingPersonal() const { return readable && groups.empty(); }
    /// The names of the groups with findings, in the order of kPersonalGroups.
    [[nodiscard]] QStringList groupNames() const;
    /// "Location, Device, Time", or "Nothing personal found", or for an unreadable file its reason.
    [[nodiscard]] QString summary() const;
};

/// Inspects an image file held in memory (JPEG, PNG, GIF, BMP, TIFF, HEIC/HEIF/AVIF or WebP, recognised by
/// content).
[[nodiscard]] Inspection inspectImageData(const QByteArray& data);
/// Inspects the file at \a path. Unreadable with the system's reason when it cannot be read, and with
/// "the file is too large" when it is larger than a photo can be (kMaxSourceFileBytes, engine/ImageSource.h):
/// such a file is not read at all, and no file takes more memory than that bound. What the file's name
/// gives away is reported with what it holds (addFileNameFindings).
[[nodiscard]] Inspection inspectImageFile(const QString& path);
/// Inspects the file open at \a descriptor (an unnamed work file has no path), read from its start, as
/// inspectImageFile() does; the descriptor's own offset is left as it was.
[[nodiscard]] Inspection inspectOpenFile(int descriptor);
/// The same, with \a maxBytes instead of kMaxSourceFileBytes as the bound: for a file the engine wrote
/// itself, which may be larger than any source it reads.
[[nodiscard]] Inspection inspectOpenFile(int descriptor, qint64 maxBytes);

/// What the last component of \a path gives away, each finding named as coming from the file name: a date
/// with its time where one follows ("IMG_20240612_184501.jpg", "Screenshot from 2024-06-12 18-45-01.png")
/// under Time; a known device model ("iPhone 15 Pro", "Pixel 8", "SM-S918B") and the app that named the
/// file (WhatsApp's "-WA0003", Android's "Screenshot_…_Chrome") under Device. Empty for a name that gives
/// nothing away ("photo-0001.jpg").
[[nodiscard]] std::vector<std::pair<PersonalGroup, InspectedField>> fileNameFindings(const QString& path);
/// Adds fileNameFindings(\a path) to a readable \a inspection, after what the file holds.
void addFileNameFindings(Inspection& inspection, const QString& path);

/// The inspection as one JSON object: "readable", then either "reason" or "summary", "groups" (an object
/// whose keys are the group names, each an array of {"name", "value"}) and, when there is one,
/// "location".
[[nodiscard]] QJsonObject inspectionToJson(const Inspection& inspection);

/// What a container holds besides its pixels: the blocks it carries for Exiv2 to read and what the
/// walk of its structure found by itself. A container walk fills one; inspectMetadataBlocks() sorts it.
///
/// This is where other containers come in: a reader for HEIF (libheif's metadata-block API gives the
/// Exif block, after its 4-byte offset, and the XMP packet) or WebP (its EXIF, XMP and ICCP chunks)
/// fills the blocks it finds, adds its own findings (unknown boxes or chunks, data after the image) and
/// hands the result to inspectMetadataBlocks(). Byte arrays may refer to the inspected data without
/// owning it (QByteArray::fromRawData); they are only read during the call.
struct MetadataBlocks
{
    QList<QByteArray> exif; ///< TIFF structures of EXIF blocks, from the byte-order mark on
    QByteArray tiffFile; ///< a whole TIFF file whose directories hold the tags (TIFF files only)
    QList<QByteArray> xmp; ///< XMP packets
    QList<QByteArray> iptc; ///< IPTC-IIM datasets
    QList<QByteArray> profiles; ///< whole ICC profiles
    /// What the walk found itself: comments, text chunks, thumbnails, unknown blocks, data after the end.
    std::vector<std::pair<PersonalGroup, InspectedField>> found;
    /// The blocks of images embedded in the container (a second JPEG after the end of the first), found by
    /// the same walks; their fields are reported with "Embedded image: " before their names.
    std::vector<MetadataBlocks> embedded;
};

/// Sorts \a blocks into an inspection (readable). Exiv2 reads the EXIF, XMP and IPTC blocks; the colour
/// profiles are judged by their tags and texts.
[[nodiscard]] Inspection inspectMetadataBlocks(const MetadataBlocks& blocks);

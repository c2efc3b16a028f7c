// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// How the inspector turns what Exiv2 reads into fields: the sink that collects them for one inspection and
// the texts of values, shared by the EXIF, IPTC and XMP sorting. Private to engine/inspect/.

#include "engine/inspect/MetadataContainers.h"
#include "engine/inspect/MetadataInspector.h"

#include <QCoreApplication>
#include <QString>

#include <algorithm>
#include <exiv2/exiv2.hpp>
#include <string>

namespace fields {

using Group = PersonalGroup;

/// A field's name is cut after this many characters, a value (already cut where it is read, with room for
/// a few words around it) after the second number.
constexpr qsizetype kMaxNameLength = 120;
constexpr qsizetype kMaxValueLength = 360;

/// Whether a field's text says nothing: empty, blanks, zeros ("0000:00:00 00:00:00", "0000000000") or a
/// placeholder that cameras and programs write for a field nobody filled in ("Unknown", "None", "N/A").
[[nodiscard]] bool holdsNothing(const QString& text);

/// Collects the fields of one inspection; \a prefix goes before the names of an embedded image's fields.
class FieldSink
{
public:
    FieldSink(Inspection& inspection, QString prefix)
        : m_inspection(inspection)
        , m_prefix(std::move(prefix))
    { }

    /// Adds a field, unless its value holds nothing (holdsNothing): an empty Copyright or a blank User
    /// Comment tells nothing about anyone. It still counts as offered.
    void add(Group group, const QString& name, const QString& value)
    {
        ++m_added;
        // Names and values come from the file (XMP property names, PNG keywords, any tag's text): whatever
        // made them, no control or direction character reaches a terminal or a line of a report.
        const QString shown = readableText(value, kMaxValueLength);
        if (holdsNothing(shown))
            return;
        std::vector<InspectedField>& fields = m_inspection.groups[group];
        InspectedField field { m_prefix + readableText(name, kMaxNameLength), shown };
        // The same field twice (one IPTC keyword repeated, a tag in two blocks) says nothing new.
        if (std::find(fields.begin(), fields.end(), field) == fields.end())
            fields.push_back(std::move(field));
    }
    /// The GPS position: first in its group, and the inspection's location when it has none yet.
    void addPosition(const QString& name, const QString& degrees)
    {
        if (!m_prefix.isEmpty()) {
            add(Group::Location, name, degrees);
            return;
        }
        ++m_added;
        std::vector<InspectedField>& fields = m_inspection.groups[Group::Location];
        InspectedField field { name, degrees };
        // The same position read twice (a GPS directory reached by two pointers) is shown once.
        if (std::find(fields.begin(), fields.end(), field) == fields.end())
            fields.insert(fields.begin() + std::min<qsizetype>(m_positions++, qsizetype(fields.size())),
                std::move(field));
        if (!m_inspection.location)
            m_inspection.location = degrees;
    }
    /// How many fields were offered so far, repeated ones included.
    [[nodiscard]] qsizetype added() const { return m_added; }

private:
    Inspection& m_inspection;
    QString m_prefix;
    qsizetype m_added = 0;
    qsizetype m_positions = 0;
};

[[nodiscard]] QString fromStd(const std::string& text);
/// Our own name of the field of Exiv2's \a key ("Exif.Photo.ExposureTime" is "Exposure time"), or of a
/// member of an XMP structure ("Member.CiEmailWork"), translated; null for a field we have not named.
[[nodiscard]] QString ownFieldName(const std::string& key);
/// \a printed, Exiv2's reading of \a datum, translated where it is one of Exiv2's own words for an
/// EXIF value ("Aperture priority", "True direction"); as it is otherwise.
[[nodiscard]] QString ownValueText(const Exiv2::Metadatum& datum, const QString& printed);
/// A readable form of a tag's or property's own name for one we have not named: "HostComputer" reads
/// "Host computer".
[[nodiscard]] QString readableKeyName(const std::string& name);
/// "2022:07:14 18:30:05" (EXIF) and "2022-07-14T18:30:05" (XMP) as "2022-07-14 18:30:05"; other texts as
/// they are.
[[nodiscard]] QString readableDate(QString text);
/// Latitude or longitude as degrees with four decimals and the hemisphere: "48.8584 N".
[[nodiscard]] QString degreesText(double degrees, bool latitude);
/// A value as a person reads it: Exiv2's interpretation, without the character-set and language
/// prefixes of comments and alternative texts; raw bytes as their size and what can be read of them.
[[nodiscard]] QString valueText(const Exiv2::Metadatum& datum, const Exiv2::ExifData* exif = nullptr);

/// The fields of an IPTC block and of an XMP packet, each in its group.
void sortIptc(const Exiv2::IptcData& iptc, FieldSink& sink);
void sortXmp(const Exiv2::XmpData& xmp, FieldSink& sink);

} // namespace fields

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/PropertyDictionary.h"

#include <QByteArray>
#include <QString>

// Writing a property set's EXIF and IPTC entries with Exiv2, for the keep-all mode of saving: into a
// JPEG's EXIF segment before it is written, or into a finished file. Thread-safe.

/// The TIFF structure of an EXIF block with the entries of \a properties' {TIFF}, {Exif} and {GPS}
/// sub-dictionaries, and its top-level orientation as IFD0's Orientation. Empty when there is nothing to
/// write or the block cannot be built.
[[nodiscard]] QByteArray encodeExifPayload(const PropertyDictionary& properties);

/// Writes the EXIF and IPTC entries of \a properties into the image file at \a path (JPEG, PNG, TIFF),
/// replacing any it had. False on failure.
[[nodiscard]] bool writeMetadataToFile(const QString& path, const PropertyDictionary& properties);

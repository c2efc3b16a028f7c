// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/Image.h"
#include "engine/ImageSource.h"
#include "engine/PropertyDictionary.h"

#include <QString>

#include <memory>
#include <optional>

/// An image file to be written: a path, a format, at most one image and the property set it is written
/// with. finalize() writes the file and is the only step that touches the disk.
///
/// What reaches the file is exactly: the pixels, the image's colour profile, the DPI of the property set,
/// the JPEG quality of the property set, the orientation of the property set, and, only when the set
/// carries them, the {TIFF}/{Exif}/{GPS}/{IPTC} entries where the format can hold them. Nothing else.
///
/// The file is written beside the target under a temporary name and renamed over the target only when
/// complete, so a failed write leaves neither a partial file nor an empty one behind, and whatever was at
/// the target stays until the new file is whole. One thread at a time.
class ImageDestination
{
public:
    [[nodiscard]] static std::unique_ptr<ImageDestination> createWithPath(
        const QString& path, ImageFormat format);

    void addImage(const Image& image, const PropertyDictionary& properties);
    /// Writes the file. False when no image was added or anything failed; nothing is left behind then.
    [[nodiscard]] bool finalize();

private:
    ImageDestination(QString path, ImageFormat format);

    bool fail(const QString& reason);

    QString m_path;
    ImageFormat m_format;
    std::optional<Image> m_image;
    PropertyDictionary m_properties;
};

/// Why the last failed finalize() on this thread failed, in the system's words ("No space left on
/// device", "Permission denied") or the encoder's; empty after a success.
[[nodiscard]] QString lastImageWriteError();

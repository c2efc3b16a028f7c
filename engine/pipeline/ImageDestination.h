// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/Image.h"
#include "engine/core/PropertyDictionary.h"
#include "engine/formats/jpeg/PlanarJpeg.h"
#include "engine/pipeline/ImageSource.h"

#include <QString>

#include <memory>
#include <optional>

class WorkFile;
struct JpegBands;

/// An image file to be written: a path, a format, at most one image and the property set it is written
/// with. finalize() writes the file and is the only step that touches the disk.
///
/// What reaches the file is exactly: the pixels, the image's colour profile, the DPI of the property set,
/// the quality of the property set (JPEG, HEIC, AVIF, WebP), the orientation of the property set, and, only
/// when the set carries them, the {TIFF}/{Exif}/{GPS}/{IPTC} entries where the format can hold them. Nothing
/// else.
///
/// The file is written into a work file that has no name until it is complete (see WorkFile): either
/// one the caller made and names afterwards, or one of the destination's own beside a target path, which
/// takes that name only when the file is whole and never replaces anything there. A failed write leaves
/// nothing behind. One thread at a time.
class ImageDestination
{
public:
    [[nodiscard]] static std::unique_ptr<ImageDestination> createWithPath(
        const QString& path, ImageFormat format);
    /// A destination that writes into \a file, which the caller names once finalize() succeeded.
    [[nodiscard]] static std::unique_ptr<ImageDestination> createWithWorkFile(
        WorkFile& file, ImageFormat format);

    void addImage(const Image& image, const PropertyDictionary& properties);
    /// For a JPEG destination: the image is \a planes, with \a iccProfile (the cleaned one) as its colour
    /// profile, written without a round trip through RGB.
    void addJpegPlanes(
        const YCbCr420Planes& planes, const QByteArray& iccProfile, const PropertyDictionary& properties);
    /// For a JPEG destination: the image is \a bands, decoded while it is written, with \a iccProfile
    /// (the cleaned one) as its colour profile. The same file as addImage with the decoded image.
    void addJpegBands(std::shared_ptr<const JpegBands> bands, const QByteArray& iccProfile,
        const PropertyDictionary& properties);
    /// Writes the file. False when no image was added, when something exists at the target path already,
    /// or when anything failed; nothing is left behind then.
    [[nodiscard]] bool finalize();

private:
    ImageDestination(QString path, WorkFile* file, ImageFormat format);

    bool fail(const QString& reason);

    QString m_path;
    WorkFile* m_file;
    ImageFormat m_format;
    std::optional<Image> m_image;
    std::shared_ptr<const JpegBands> m_bands;
    std::optional<YCbCr420Planes> m_planes;
    PropertyDictionary m_properties;
};

/// Why the last failed finalize() on this thread failed, in the system's words ("No space left on
/// device", "Permission denied") or the encoder's; empty after a success.
[[nodiscard]] QString lastImageWriteError();
/// Whether the last failed finalize() or save on this thread failed because the source's pixels, decoded
/// only while they were written, could not be decoded: then the source is at fault, not the output.
[[nodiscard]] bool lastImageWriteFailedReading();
/// Records such a failure (\a failed) for a save that decodes before it writes, or forgets the last
/// failure of either kind (ImageSaving).
void recordImageReadFailure(bool failed);

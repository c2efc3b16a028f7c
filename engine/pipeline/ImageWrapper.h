// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSource.h"

#include <QString>

class WorkFile;

/// The object through which the rest of the system uses the image engine: holds at most one loaded
/// image and the pixel size at which the next save draws it, chooses the output type from a path's
/// extension and scales the quality its caller hands in (setQuality) for the encoder. Reads no
/// preference: the run takes the quality from its options. Owns its image record. One thread at a time.
class ImageWrapper
{
public:
    ImageWrapper() = default;
    ImageWrapper(const ImageWrapper&) = delete;
    ImageWrapper& operator=(const ImageWrapper&) = delete;

    /// \a path made absolute and clean: always a plain file-system path, never parsed as a URL.
    [[nodiscard]] static QString CFURLFromString(const QString& path);

    /// Loads the image at \a path, turned upright when \a FixupOrientation is set. On failure the wrapper
    /// holds no image; the output size stays that of the previous image until the next resize.
    bool load(const QString& path, bool FixupOrientation);

    /// The output type for \a path by its extension, in any case: jpg and jpeg, bmp, png, gif, tif and
    /// tiff, heic, heif and hif (HEIC), avif, webp; JPEG for any other extension and for none.
    [[nodiscard]] static ImageFormat GetImageTypeFromPath(const QString& path);

    /// The JPEG quality of the next saves on the scale 0 to 100, as the user chose it; a save clamps it to
    /// that range and hands the encoder the fraction (70 becomes 0.7). 70 until set.
    void setQuality(float quality) { m_quality = quality; }
    [[nodiscard]] float quality() const { return m_quality; }

    /// Writes the loaded image to \a path at the output size: without metadata, or with all of the
    /// source's properties when \a withExif is set. True without writing anything when no image is loaded;
    /// false before any resize.
    bool save(const QString& path, bool withExif);
    /// The same into \a file, in the type that \a outputName's extension asks for; the caller names the
    /// file afterwards.
    bool save(WorkFile& file, const QString& outputName, bool withExif);

    /// Sets the output size from the box \a w x \a Height, keeping the image's proportions when asked.
    void resizeToWidth(int w, int Height, bool KeepAspect);
    /// Sets the output size as fractions of the image's size; 1.0 and 1.0 keep it.
    void resizeToPercentOfWidth(float pw, float Height);

    [[nodiscard]] int newWidth() const { return m_newWidth; }
    [[nodiscard]] int newHeight() const { return m_newHeight; }
    [[nodiscard]] const ImageInfo* imgInfo() const { return m_imgInfo.get(); }

private:
    int m_newWidth = 0;
    int m_newHeight = 0;
    float m_quality = 70.0f;
    ImageInfoPtr m_imgInfo;
};

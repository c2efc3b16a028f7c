// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QString>

/// One directory of a TIFF that the tests write with libtiff.
struct TiffPageLayout
{
    enum class Kind { Rgb, Gray, Rgba };
    int width = 8;
    int height = 8;
    Kind kind = Kind::Rgb;
    quint16 unit = 0; ///< 0: no resolution fields at all
    float xResolution = 0;
    float yResolution = 0;
    int orientation = 1;
    bool reduced = false; ///< a reduced-resolution image (NewSubfileType 1), not a page
    /// When set: ImageDescription, Artist, Software, an XMP packet (tag 700) and a GPS directory holding
    /// this text, and a DateTime of kTiffMarkerDate.
    QString marker;
    int pattern = -1; ///< which pixels the directory holds (tiffFixturePixels); -1: its index in the file
};

inline constexpr const char* kTiffMarkerDate = "2001:02:03 04:05:06";

/// The pixels the fixture writes for directory \a index of \a layout (the layout's pattern instead, when it
/// names one), as a straight-alpha ARGB32 image.
[[nodiscard]] QImage tiffFixturePixels(const TiffPageLayout& layout, int index);

/// Writes the directories of \a layouts with libtiff into \a path, each holding tiffFixturePixels(layout,
/// index) in one uncompressed strip. False when libtiff failed.
[[nodiscard]] bool writeTiffFixture(const QString& path, const QList<TiffPageLayout>& layouts);

/// Changes the value of \a tag (SHORT or LONG, one value, held in the entry) in directory \a directory of
/// the little-endian TIFF \a data, walking the chain of directories byte by byte. False when there is no
/// such entry.
[[nodiscard]] bool patchTiffEntry(QByteArray& data, int directory, quint16 tag, quint32 value);

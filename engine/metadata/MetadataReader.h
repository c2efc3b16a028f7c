// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "engine/core/ImageFormat.h"
#include "engine/core/PropertyDictionary.h"

#include <QByteArray>
#include <QString>

/// Reads the properties of the first frame of an image file held in memory: the orientation (EXIF or
/// TIFF tag, XMP tiff:Orientation, PNG eXIf), the DPI exactly as the file states it (JFIF density, EXIF
/// or TIFF resolution with its unit, PNG pHYs, BMP pixels per metre; absent when the file states none),
/// and the IFD0, EXIF, GPS and IPTC entries as the {TIFF}, {Exif}, {GPS} and {IPTC} sub-dictionaries.
/// Structural TIFF tags (strip offsets, sample layout, IFD pointers) and maker notes are left out.
/// Never throws: a file Exiv2 cannot parse gives what the format's own headers say.
[[nodiscard]] PropertyDictionary readImageProperties(const QByteArray& data, ImageFormat format);

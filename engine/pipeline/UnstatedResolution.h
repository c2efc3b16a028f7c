// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

/// Qt's writers always write a resolution: an image whose resolution was never set is written at 96 dpi.
/// A file made from a source that states none should not claim one. What each format gets instead:
/// PNG no pHYs chunk at all (our PNG writer leaves it out), BMP zero pixels per metre (the format's "not
/// stated"), TIFF a resolution unit of "none" with a 1:1 resolution (the fields are required in a baseline
/// TIFF; unit 1 is how TIFF says that they carry no absolute size). JPEG writes a JFIF density of unit 0
/// itself.

/// Sets the resolution of the BMP file open at \a fd to zero pixels per metre. False when the file has no
/// header with a resolution or cannot be written.
bool clearBmpResolution(int fd);

/// Rewrites the resolution of the first image of the TIFF file open at \a fd as unit "none" and 1:1. False
/// when its first directory lacks the three fields in the form Qt's writer gives them, or on an I/O error.
bool clearTiffResolution(int fd);

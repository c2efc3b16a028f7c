// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

/// About how many bytes converting the image file at \a path takes at its peak: the file's bytes, the
/// decoded frame and the canvas it is drawn into; for a JPEG copied in bands (one that stays as it is
/// stored, turned by \a fixOrientation or not), its bytes, those of its copy and a band of rows. Opens
/// the file once and reads only its header (a HEIF file's 'ftyp' and 'meta' boxes). A file whose header
/// cannot be read, or whose frame the engine would refuse unread, counts its bytes alone. Any thread.
[[nodiscard]] qint64 estimatedConversionBytes(const QString& path, bool fixOrientation = true);

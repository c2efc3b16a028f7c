// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What the HEIF reader and writer share: libheif's objects and set-up. Private to engine/formats/heif/.

#include "engine/formats/heif/HeifCodec.h"
#include "engine/structure/HeifBoxes.h"

#include <QByteArrayView>
#include <QString>

#include <libheif/heif.h>
#include <map>
#include <memory>
#include <optional>
#include <vector>

/// libheif objects owned by unique_ptr.
struct HeifContextFree
{
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HeifHandleRelease
{
    void operator()(const heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct HeifImageRelease
{
    void operator()(const heif_image* image) const { heif_image_release(image); }
};
using HeifContextPtr = std::unique_ptr<heif_context, HeifContextFree>;
using HeifHandlePtr = std::unique_ptr<const heif_image_handle, HeifHandleRelease>;
using HeifImagePtr = std::unique_ptr<heif_image, HeifImageRelease>;

/// libheif's error as a reason: its message, or \a fallback when it gives none.
[[nodiscard]] QString heifErrorText(const heif_error& error, const char* fallback);

/// Makes sure libheif is initialised (its plugins registered) once per process.
void initializeHeifLibrary();

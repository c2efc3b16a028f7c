// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/RunOptions.h"

#include "settings/Settings.h"

RunOptions RunOptions::fromPreferences(const Settings& settings)
{
    RunOptions options;
    options.quality = settings.quality();
    options.fixOrientation = settings.fixOrientation();
    options.keepJpegQuality = settings.keepJpegQuality();
    return options;
}

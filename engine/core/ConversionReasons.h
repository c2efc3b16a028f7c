// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCoreApplication>

/// The translation context of the engine's reasons and notes: why a file could not be read, written or
/// kept as it was. ConversionReasons::tr("...") gives the text in the language of the installed
/// translation; the command line installs none and keeps English. Any thread.
class ConversionReasons
{
    Q_DECLARE_TR_FUNCTIONS(ConversionReasons)
};

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

/// What the image libraries (libtiff, libpng through Qt, Exiv2) had to say while this thread worked on
/// a file. They never write to the terminal: their words are kept here so that a file's skip reason can
/// quote them. Per thread; a few messages at most are kept.
void recordLibraryMessage(const QString& message);
/// The messages recorded on this thread since the last call, oldest first; clears them.
[[nodiscard]] QStringList takeLibraryMessages();
/// Routes Qt's image-reading and -writing messages (libpng's warnings among them) into the record and
/// leaves every other Qt message to the handler installed before. For programs that keep their own
/// messages on the terminal.
void routeQtImageMessages();

/// The words the decoders record for a file that ends before its pixels do.
[[nodiscard]] QString endsBeforeItsPixelsMessage();

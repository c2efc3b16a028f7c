// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

/// Why a step of the work on a file failed, in the engine's words or those of the library whose step it
/// was (libtiff's and libpng's errors, a decoder's refusal), kept so that the file's skip reason can name
/// its cause. Library warnings are not kept: they speak of something other than what failed (Exiv2's of
/// the metadata, which is never copied; libpng's of a chunk it passed over) and are never a reason.
/// Nothing is written to the terminal. Per thread; a few messages at most are kept.
void recordLibraryMessage(const QString& message);
/// The messages recorded on this thread since the last call, oldest first; clears them.
[[nodiscard]] QStringList takeLibraryMessages();
/// Takes Qt's message if it comes from image reading or writing (libpng's among them): an error is
/// recorded, a warning dropped. False, with nothing done, for any other message. For message handlers.
bool takeQtImageMessage(QtMsgType type, const QMessageLogContext& context, const QString& message);
/// Routes Qt's image-reading and -writing messages into the record (takeQtImageMessage) and leaves every
/// other Qt message to the handler installed before. For programs that keep their own messages on the
/// terminal.
void routeQtImageMessages();

/// The words the decoders record for a file that ends before its pixels do.
[[nodiscard]] QString endsBeforeItsPixelsMessage();
/// The words the decoders record for a frame of \a size above the engine's bound.
[[nodiscard]] QString tooLargeMessage(QSize size);

/// How much of its picture a file that ends early held, as the decoder that filled in the rest found it.
struct RowsInFile
{
    int present = 0; ///< the stored rows whose data was all in the file
    int total = 0; ///< the stored rows of the picture
    bool lessDetail = false; ///< a progressive file: scans that add detail to every row are missing
};
/// Records what a decoder filled in for the file this thread works on; a later record replaces it.
void recordRowsInFile(const RowsInFile& rows);
/// The record made since the last call, if any; clears it.
[[nodiscard]] std::optional<RowsInFile> takeRowsInFile();

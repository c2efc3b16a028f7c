// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

/// Why a file was left out of a run or skipped in it, in words for the user: every such text of the batch
/// job, so that the window shows each in its language and the command line in English (it loads no
/// translation). Lower case, as the middle of a sentence; any thread.
namespace SkipReasons {

[[nodiscard]] QString notFound();
/// \a systemError: the system's description of the failure.
[[nodiscard]] QString couldNotBeRead(const QString& systemError);
[[nodiscard]] QString notARegularFile();
[[nodiscard]] QString emptyFile();
/// A file of \a bytes above the limit of \a limitBytes.
[[nodiscard]] QString tooLarge(qint64 bytes, qint64 limitBytes);
[[nodiscard]] QString notASupportedImage();
[[nodiscard]] QString couldNotBeDecoded();
[[nodiscard]] QString notEnoughMemory();
/// A file that would need about \a neededMegabytes where the run allows \a limitMegabytes.
[[nodiscard]] QString notEnoughMemoryFor(qint64 neededMegabytes, qint64 limitMegabytes);
/// \a error: what stopped the write.
[[nodiscard]] QString couldNotBeWritten(const QString& error);

[[nodiscard]] QString brokenLink();
/// A link to \a target, whose name has none of the image extensions.
[[nodiscard]] QString linkWithoutImageExtension(const QString& target);
[[nodiscard]] QString linkToFolderNotFollowed();
[[nodiscard]] QString linkOutsideFolder();
/// A folder whose entries could not be listed, for the reason \a systemError.
[[nodiscard]] QString couldNotBeListed(const QString& systemError);

/// A file whose folder below the output folder cannot be made: \a level (a path below the output
/// folder) is a link or a file.
[[nodiscard]] QString outputLevelNotAFolder(const QString& level);

/// A file the run never started: the run was stopped first.
[[nodiscard]] QString interrupted();

} // namespace SkipReasons

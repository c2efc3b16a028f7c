// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/SkipReasons.h"

#include <QCoreApplication>
#include <QLocale>

namespace SkipReasons {

QString notFound()
{
    return QCoreApplication::translate("SkipReasons", "not found");
}

QString couldNotBeRead(const QString& systemError)
{
    return QCoreApplication::translate("SkipReasons", "could not be read: %1").arg(systemError);
}

QString notARegularFile()
{
    return QCoreApplication::translate("SkipReasons", "not a regular file");
}

QString emptyFile()
{
    return QCoreApplication::translate("SkipReasons", "empty file");
}

QString tooLarge(qint64 bytes, qint64 limitBytes)
{
    // Sizes in the C locale's units (MiB, GiB) in every language, as the command line shows them.
    return QCoreApplication::translate("SkipReasons", "too large (%1; files above %2 are not read)")
        .arg(QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeIecFormat),
            QLocale::c().formattedDataSize(limitBytes, 0, QLocale::DataSizeIecFormat));
}

QString notASupportedImage()
{
    return QCoreApplication::translate("SkipReasons", "not a supported image");
}

QString couldNotBeDecoded()
{
    return QCoreApplication::translate("SkipReasons", "could not be decoded");
}

QString notEnoughMemory()
{
    return QCoreApplication::translate("SkipReasons", "not enough memory");
}

QString notEnoughMemoryFor(qint64 neededMegabytes, qint64 limitMegabytes)
{
    return QCoreApplication::translate(
        "SkipReasons", "not enough memory: it needs about %1 MB, the memory limit is %2 MB")
        .arg(neededMegabytes)
        .arg(limitMegabytes);
}

QString couldNotBeWritten(const QString& error)
{
    return QCoreApplication::translate("SkipReasons", "could not be written: %1").arg(error);
}

QString brokenLink()
{
    return QCoreApplication::translate("SkipReasons", "a link to something that does not exist");
}

QString linkWithoutImageExtension(const QString& target)
{
    return QCoreApplication::translate("SkipReasons", "a link to %1, which has no image extension")
        .arg(target);
}

QString linkToFolderNotFollowed()
{
    return QCoreApplication::translate(
        "SkipReasons", "a link to a folder, not followed (name it to include it)");
}

QString linkOutsideFolder()
{
    return QCoreApplication::translate("SkipReasons", "a link to a file outside the folder");
}

QString couldNotBeListed(const QString& systemError)
{
    return QCoreApplication::translate("SkipReasons", "could not be listed: %1").arg(systemError);
}

QString outputLevelNotAFolder(const QString& level)
{
    return QCoreApplication::translate(
        "SkipReasons", "could not be written: %1 in the output folder is a link or a file, not a folder")
        .arg(level);
}

QString interrupted()
{
    return QCoreApplication::translate("SkipReasons", "interrupted");
}

} // namespace SkipReasons

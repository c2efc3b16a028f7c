// SPDX-License-Identifier: GPL-3.0-or-later
// Why a source cannot be loaded, from what the file system and its first bytes say: apart from the
// conversion, so that a program that only hands files to workers links none of the decoders.
#include "batch/FileConversion.h"
#include "batch/SkipReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/HandedFiles.h"
#include "engine/core/ImageFormat.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

QString describeUnloadableSource(const QString& source)
{
    struct stat info = {};
    if (statSourcePath(source, &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? SkipReasons::notFound()
                                                   : SkipReasons::couldNotBeRead(systemErrorText(errno));
    }
    if (!S_ISREG(info.st_mode))
        return SkipReasons::notARegularFile();
    if (info.st_size == 0)
        return SkipReasons::emptyFile();
    if (qint64(info.st_size) > kMaxSourceFileBytes)
        return SkipReasons::tooLarge(qint64(info.st_size), kMaxSourceFileBytes);
    const int fd = openSourcePath(source);
    if (fd < 0)
        return SkipReasons::couldNotBeRead(systemErrorText(errno));
    QByteArray header(256, '\0');
    const ssize_t n = ::pread(fd, header.data(), size_t(header.size()), 0);
    ::close(fd);
    header.truncate(n > 0 ? qsizetype(n) : 0);
    if (!sniffImageFormat(header))
        return SkipReasons::notASupportedImage();
    return SkipReasons::couldNotBeDecoded();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileConversion.h"

#include "batch/BatchController.h"
#include "engine/ImageDestination.h"
#include "engine/ImageSource.h"
#include "engine/ImageWrapper.h"
#include "engine/LibraryMessages.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

QString describeUnloadableSource(const QString& source)
{
    const QByteArray name = QFile::encodeName(source);
    struct stat info = {};
    if (::stat(name.constData(), &info) != 0) {
        return errno == ENOENT || errno == ENOTDIR
            ? QStringLiteral("not found")
            : QStringLiteral("could not be read: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    }
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("not a regular file");
    if (info.st_size == 0)
        return QStringLiteral("empty file");
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return QStringLiteral("could not be read: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
    QByteArray header(32, '\0');
    const ssize_t n = ::read(fd, header.data(), size_t(header.size()));
    ::close(fd);
    header.truncate(n > 0 ? qsizetype(n) : 0);
    if (!sniffImageFormat(header))
        return QStringLiteral("not a supported image");
    return QStringLiteral("could not be decoded");
}

ConversionOutcome ConvertFile(
    ImageWrapper& wrapper, const QString& source, bool fixOrientation, const OutputNamer& reserveOutput)
{
    ConversionOutcome outcome;
    // What the libraries say about this file explains a skip; earlier files' words do not.
    (void)takeLibraryMessages();
    const auto withLibraryWords = [](QString reason) {
        const QStringList words = takeLibraryMessages();
        if (!words.isEmpty())
            reason += QStringLiteral(" (%1)").arg(words.first());
        return reason;
    };
    if (!wrapper.load(source, fixOrientation)) {
        outcome.reason = withLibraryWords(describeUnloadableSource(source));
        return outcome;
    }
    const QString output = reserveOutput(source);
    if (output.isEmpty()) {
        outcome.reason = QStringLiteral("could not be written: no free name in the output folder");
        return outcome;
    }
    wrapper.resizeToPercentOfWidth(1.0f, 1.0f);
    if (!wrapper.save(output, false)) {
        BatchController::ReleaseNewFile(output);
        outcome.reason
            = withLibraryWords(QStringLiteral("could not be written: %1").arg(lastImageWriteError()));
        return outcome;
    }
    outcome.status = ConversionOutcome::Status::Written;
    outcome.output = output;
    return outcome;
}

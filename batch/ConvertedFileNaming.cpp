// SPDX-License-Identifier: GPL-3.0-or-later
// The second half of a file's conversion, in the program that gives the names: apart from the first, so
// that a program whose conversions run in workers links none of the decoders.
#include "batch/Converter.h"
#include "batch/FileConversion.h"
#include "batch/FolderCreation.h"
#include "batch/SkipReasons.h"
#include "engine/core/NativePath.h"
#include "engine/core/WorkFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

void nameConvertedFile(ConvertedFile& converted, const QString& requestedName, OutputFolder& output)
{
    const QString outputName = converted.outputName.isEmpty() ? requestedName : converted.outputName;
    if (converted.outcome.status != ConversionOutcome::Status::Written || !converted.file)
        return;
    QString error;
    QString folder = output.path;
    int folderFd = -1;
    if (!converted.subfolder.isEmpty()) {
        // Every level below the output folder is made and opened without following a link.
        const int outputFd = ::open(encodePath(output.path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        folderFd = outputFd < 0 ? -1 : openOutputSubfolder(outputFd, converted.subfolder, &error);
        if (outputFd < 0)
            error = SkipReasons::couldNotBeWritten(QString::fromLocal8Bit(std::strerror(errno)));
        else
            ::close(outputFd);
        if (folderFd < 0) {
            converted.file.reset();
            converted.outcome = { ConversionOutcome::Status::Skipped, {}, error, {}, false };
            return;
        }
        folder += (folder.endsWith(u'/') ? QString() : QStringLiteral("/")) + converted.subfolder;
    }
    const QString path = converted.names == OutputNames::Numbered
        ? nameNumberedOutputFile(
            Converter::pathExtension(outputName), folder, *converted.file, &output.taken, &error, folderFd)
        : nameOutputFile(outputName, folder, *converted.file, &output.taken, &error, folderFd);
    if (folderFd >= 0)
        ::close(folderFd);
    converted.file.reset();
    if (path.isEmpty()) {
        converted.outcome
            = { ConversionOutcome::Status::Skipped, {}, SkipReasons::couldNotBeWritten(error), {}, false };
        return;
    }
    converted.outcome.output = path;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/FileConversion.h"

#include "batch/Converter.h"
#include "batch/FolderCreation.h"
#include "batch/SkipReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/HandedFiles.h"
#include "engine/core/LibraryMessages.h"
#include "engine/core/NativePath.h"
#include "engine/core/WorkFile.h"
#include "engine/inspect/CopyCheck.h"
#include "engine/pipeline/AnimationSaving.h"
#include "engine/pipeline/ContainerSaving.h"
#include "engine/pipeline/ImageDestination.h"
#include "engine/pipeline/ImageSaving.h"
#include "engine/pipeline/ImageSource.h"
#include "engine/pipeline/ImageWrapper.h"
#include "engine/pipeline/LosslessSaving.h"
#include "engine/pipeline/PageSaving.h"

#include <QCoreApplication>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// What the user should know about a file of several pages or frames, of which only the first is written.
QString framesNote(const ImageInfo* info)
{
    if (!info || info->frameCount <= 1)
        return {};
    return (info->sourceFormat == ImageFormat::TIFF
            ? QCoreApplication::translate("FileConversion", "first of %1 pages")
            : QCoreApplication::translate("FileConversion", "first of %1 frames"))
        .arg(info->frameCount);
}

/// \a reason with what the libraries said about this file; a lack of memory is named as such, whatever
/// step it broke.
QString withLibraryWords(QString reason)
{
    const QStringList words = takeLibraryMessages();
    for (const QString& word : words) {
        if (word.contains(QLatin1String("out of memory"), Qt::CaseInsensitive))
            return SkipReasons::notEnoughMemory();
    }
    if (!words.isEmpty())
        reason += QStringLiteral(" (%1)").arg(words.first());
    return reason;
}

/// Reads the finished copy back before it has a name: one that still holds anything personal goes, with
/// its work file, and its source is skipped with what was found.
void checkCopy(ConvertedFile& converted)
{
    const QString refusal = refusalOfCopy(*converted.file);
    if (refusal.isEmpty())
        return;
    converted.file.reset();
    converted.outcome = { ConversionOutcome::Status::Skipped, {}, refusal, {}, false };
}

/// The first bytes of \a source, enough to tell its format by content; empty when it cannot be read.
QByteArray headerOf(const QString& source)
{
    const int fd = openSourcePath(source);
    if (fd < 0)
        return {};
    QByteArray header(256, '\0');
    const ssize_t n = ::pread(fd, header.data(), size_t(header.size()), 0);
    ::close(fd);
    header.truncate(n > 0 ? qsizetype(n) : 0);
    return header;
}

/// Whether \a source is a container that saveRewrittenContainer copies into \a type: a HEIF or WebP file
/// written as the type its content is.
bool isRewrittenInOwnType(const QString& source, ImageFormat type)
{
    if (type != kUTTypeHEIC && type != kUTTypeAVIF && type != kUTTypeWebP)
        return false;
    const QByteArray header = headerOf(source);
    if (type == kUTTypeWebP)
        return isWebpFile(header);
    return isHeifFile(header) && sniffImageFormat(header) == type;
}

/// How an attempt at a copy that keeps the source's coded picture ended.
enum class KeptCopy {
    Written, ///< the converted file holds the copy, checked
    Reencode, ///< the usual path follows, into a fresh work file: the attempt may have left part of one
    Failed, ///< not even a work file could be made; the outcome says why
};

/// Makes a work file with \a newWorkFile and lets \a attempt write a copy that keeps the source's coded
/// picture into it; \a attempt returns whether it did.
template<typename Attempt>
KeptCopy keepCodedPicture(ConvertedFile& converted, const WorkFileMaker& newWorkFile, Attempt&& attempt)
{
    QString error;
    std::unique_ptr<WorkFile> file = newWorkFile(&error);
    if (!file) {
        converted.outcome.reason = SkipReasons::couldNotBeWritten(error);
        return KeptCopy::Failed;
    }
    if (!attempt(*file))
        return KeptCopy::Reencode;
    converted.file = std::move(file);
    converted.outcome.status = ConversionOutcome::Status::Written;
    checkCopy(converted);
    return KeptCopy::Written;
}

/// The note of a file that ends before its last row, written with what it holds.
QString rowsNote(const RowsInFile& rows)
{
    if (rows.present >= rows.total)
        return QCoreApplication::translate(
            "FileConversion", "the file ends early: every row was in it, with less detail");
    return QCoreApplication::translate("FileConversion", "only %1 of its %2 rows were in the file")
        .arg(rows.present)
        .arg(rows.total);
}

/// The note of a file re-encoded at \a quality against the user's choice, and why.
QString reencodedAt(float quality, const QString& why)
{
    // The quality the wrapper hands the encoder, clamped in the same order.
    const float clamped = std::max(0.0f, std::min(100.0f, quality));
    return QCoreApplication::translate("FileConversion", "re-encoded at quality %1: %2")
        .arg(qRound(clamped))
        .arg(why);
}

} // namespace

// NOLINTNEXTLINE(readability-function-cognitive-complexity): one branch per way a picture is kept
ConvertedFile convertToWorkFile(ImageWrapper& wrapper, const QString& source, const QString& requestedName,
    const RunOptions& options, const WorkFileMaker& newWorkFile)
{
    ConvertedFile converted;
    converted.outputName = options.outputNameFor(requestedName);
    converted.names = options.names;
    const QString& outputName = converted.outputName;
    ConversionOutcome& outcome = converted.outcome;
    // What the libraries say about this file explains a skip; earlier files' words do not.
    (void)takeLibraryMessages();
    (void)takeRowsInFile();
    QString reencoded;
    QString framesLost;
    QString pagesLeftOut;
    QString pagesFailed;
    const ImageFormat outputType = ImageWrapper::GetImageTypeFromPath(outputName);
    KeptCopy kept = KeptCopy::Reencode;
    if (isRewrittenInOwnType(source, outputType)) {
        kept = keepCodedPicture(converted, newWorkFile, [&](WorkFile& file) {
            QString why;
            const std::optional<ContainerRewriteResult> rewritten
                = saveRewrittenContainer(source, options.fixOrientation, file, &why);
            // A WebP re-encode keeps a lossless source lossless: no quality to name.
            if (rewritten && rewritten != ContainerRewriteResult::Written)
                reencoded = outputType == kUTTypeWebP
                    ? QCoreApplication::translate("FileConversion", "re-encoded: %1").arg(why)
                    : reencodedAt(options.quality, why);
            return rewritten == ContainerRewriteResult::Written;
        });
    } else if (options.keepJpegQuality && ImageWrapper::GetImageTypeFromPath(requestedName) == kUTTypeJPEG) {
        kept = keepCodedPicture(converted, newWorkFile, [&](WorkFile& file) {
            QString why;
            const std::optional<LosslessJpegResult> lossless
                = saveJpegLosslessly(source, options.fixOrientation, file, &why);
            // A source that cannot be decoded either is skipped as it would be without the setting.
            if (lossless && lossless != LosslessJpegResult::Written)
                reencoded = reencodedAt(options.quality, why);
            return lossless == LosslessJpegResult::Written;
        });
    } else if (outputType == kUTTypeGIF || outputType == kUTTypePNG) {
        // An animation written in its own format keeps every frame; a still image goes the usual way.
        kept = keepCodedPicture(converted, newWorkFile, [&](WorkFile& file) {
            const std::optional<AnimationSaving> whole
                = saveAnimationWhole(source, outputType, options.fixOrientation, file);
            if (whole && !whole->written)
                framesLost = whole->reason;
            return whole && whole->written;
        });
    } else if (outputType == kUTTypeTIFF) {
        // A TIFF of several pages keeps them all; one whose pages cannot all be written is written as its
        // first page, and the note says why.
        kept = keepCodedPicture(converted, newWorkFile, [&](WorkFile& file) {
            QString why;
            const std::optional<PageSavingResult> pages
                = saveTiffPages(source, options.fixOrientation, file, &why);
            if (pages == PageSavingResult::FirstPageOnly)
                pagesLeftOut = why;
            else if (pages == PageSavingResult::Failed)
                pagesFailed = why;
            return pages == PageSavingResult::Written;
        });
    }
    if (!pagesFailed.isEmpty()) {
        outcome.reason = withLibraryWords(SkipReasons::couldNotBeWritten(pagesFailed));
        return converted;
    }
    // The pages of a TIFF are decoded and written again, as a single page is.
    outcome.reencoded = kept == KeptCopy::Written && outputType == kUTTypeTIFF;
    if (kept != KeptCopy::Reencode)
        return converted;
    if (!wrapper.load(source, options.fixOrientation)) {
        outcome.reason = withLibraryWords(describeUnloadableSource(source));
        return converted;
    }
    QString error;
    converted.file = newWorkFile(&error);
    if (!converted.file) {
        outcome.reason = SkipReasons::couldNotBeWritten(error);
        return converted;
    }
    wrapper.resizeToPercentOfWidth(1.0f, 1.0f);
    wrapper.setQuality(options.quality);
    if (!wrapper.save(*converted.file, outputName, false)) {
        converted.file.reset();
        // A JPEG is decoded while its copy is written: a source that breaks off on the way is at fault,
        // as when it fails at load.
        outcome.reason = lastImageWriteFailedReading()
            ? withLibraryWords(describeUnloadableSource(source))
            : withLibraryWords(SkipReasons::couldNotBeWritten(lastImageWriteError()));
        return converted;
    }
    outcome.status = ConversionOutcome::Status::Written;
    outcome.reencoded = true;
    outcome.note = framesNote(wrapper.imgInfo());
    if (const std::optional<RowsInFile> rows = takeRowsInFile())
        outcome.note = rowsNote(*rows);
    if (!framesLost.isEmpty())
        outcome.note += QStringLiteral("; ")
            + QCoreApplication::translate("FileConversion", "the frames could not be kept: %1")
                  .arg(framesLost);
    if (!pagesLeftOut.isEmpty() && !outcome.note.isEmpty())
        outcome.note += QStringLiteral(": ") + pagesLeftOut;
    if (!reencoded.isEmpty())
        outcome.note = outcome.note.isEmpty() ? reencoded : outcome.note + QStringLiteral("; ") + reencoded;
    checkCopy(converted);
    return converted;
}

ConvertedFile convertToWorkFile(ImageWrapper& wrapper, const QString& source, const QString& requestedName,
    const RunOptions& options, const QString& folder)
{
    return convertToWorkFile(wrapper, source, requestedName, options,
        [&folder](QString* error) { return WorkFile::create(folder, error); });
}

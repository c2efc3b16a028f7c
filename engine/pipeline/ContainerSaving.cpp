// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ContainerSaving.h"

#include "engine/core/ConversionReasons.h"
#include "engine/core/DescriptorIo.h"
#include "engine/core/HandedFiles.h"
#include "engine/core/ImageFormat.h"
#include "engine/core/NativePath.h"
#include "engine/core/Orientation.h"
#include "engine/core/WorkFile.h"
#include "engine/formats/heif/HeifRewriter.h"
#include "engine/formats/webp/WebpCodec.h"
#include "engine/formats/webp/WebpRewriter.h"
#include "engine/pipeline/ImageInfo.h"
#include "engine/pipeline/ImageSource.h"

#include <fcntl.h>
#include <new>
#include <unistd.h>

namespace {

/// The first bytes of the file at \a path, enough to tell its format by content; empty when it cannot
/// be read.
QByteArray fileHeader(const QString& path)
{
    const int fd = openSourcePath(path);
    if (fd < 0)
        return {};
    QByteArray header(4096, '\0');
    const DescriptorTransfer read = readFully(fd, header.data(), std::size_t(header.size()), 0);
    ::close(fd);
    header.truncate(qsizetype(read.bytes));
    return header;
}

void say(QString* reason, const QString& text)
{
    if (reason)
        *reason = text;
}

std::optional<ContainerRewriteResult> saveRewrittenWebp(
    const QString& sourcePath, bool fixOrientation, WorkFile& file, QString* reason)
{
    // libwebp's own walk of the file comes first: a file it refuses is not carried over either, and
    // the orientation is the one a re-encode would read.
    const std::unique_ptr<ImageSource> source = ImageSource::createWithPath(sourcePath);
    if (!source || source->format() != ImageFormat::WebP) {
        say(reason, ConversionReasons::tr("could not be read"));
        return ContainerRewriteResult::NeedsReencode;
    }
    if (fixOrientation) {
        ImageInfo probe;
        probe.properties = source->copyPropertiesAtIndex0();
        if (orientationFromExif(IIGetImageOrientation(&probe)) != Orientation::Normal) {
            say(reason, ConversionReasons::tr("turned upright"));
            return ContainerRewriteResult::NeedsReencode;
        }
    }
    // The bitstreams are carried over unread: a damaged one is found here, as a decode would find it,
    // instead of in a copy that looks whole.
    QString why;
    const std::unique_ptr<WebpInput> input = WebpInput::open(source->data(), kMaxDecodedPixels, &why);
    if (!input || !input->decodesEveryFrame(&why)) {
        if (!why.isEmpty())
            why[0] = why[0].toLower();
        say(reason, ConversionReasons::tr("the picture does not decode: %1").arg(why));
        return ContainerRewriteResult::NeedsReencode;
    }
    switch (rewriteWebp(QByteArrayView(source->data()), file.descriptor(), &why)) {
    case WebpRewriteResult::Written:
        return ContainerRewriteResult::Written;
    case WebpRewriteResult::Refused:
        say(reason, why);
        return ContainerRewriteResult::NeedsReencode;
    case WebpRewriteResult::Failed:
        break;
    }
    say(reason, why);
    return ContainerRewriteResult::Failed;
}

/// A HEIF source: opened as the decoding path opens it (its structure checked whole), so that only a file
/// that path would decode is copied.
std::optional<ContainerRewriteResult> saveRewrittenHeif(
    const ImageSource& source, WorkFile& file, QString* reason)
{
    const HeifCoding coding = source.format() == ImageFormat::AVIF ? HeifCoding::AV1 : HeifCoding::HEVC;
    switch (rewriteHeif(source.data(), file.descriptor(), coding, reason)) {
    case HeifRewriteResult::Written:
        return ContainerRewriteResult::Written;
    case HeifRewriteResult::NeedsReencode:
        return ContainerRewriteResult::NeedsReencode;
    case HeifRewriteResult::Failed:
        break;
    }
    return ContainerRewriteResult::Failed;
}

} // namespace

std::optional<ContainerRewriteResult> saveRewrittenContainer(
    const QString& sourcePath, bool fixOrientation, WorkFile& file, QString* reason)
{
    try {
        const QByteArray header = fileHeader(sourcePath);
        if (isWebpFile(QByteArrayView(header)))
            return saveRewrittenWebp(sourcePath, fixOrientation, file, reason);
        if (isHeifFile(QByteArrayView(header))) {
            // A HEIF file's EXIF orientation is informative only: decoding never turns by it, nor does
            // this.
            const std::unique_ptr<ImageSource> source = ImageSource::createWithPath(sourcePath);
            if (source && (source->format() == ImageFormat::HEIC || source->format() == ImageFormat::AVIF))
                return saveRewrittenHeif(*source, file, reason);
        }
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        say(reason, ConversionReasons::tr("not enough memory"));
        return ContainerRewriteResult::Failed;
    } catch (...) {
        say(reason, ConversionReasons::tr("could not be read"));
        return ContainerRewriteResult::Failed;
    }
}

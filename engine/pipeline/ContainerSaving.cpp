// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/pipeline/ContainerSaving.h"

#include "engine/core/WorkFile.h"
#include "engine/formats/heif/HeifRewriter.h"
#include "engine/pipeline/ImageSource.h"

#include <new>

namespace {

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
    // A HEIF file's EXIF orientation is informative only: decoding never turns by it, nor does this.
    (void)fixOrientation;
    try {
        const std::unique_ptr<ImageSource> source = ImageSource::createWithPath(sourcePath);
        if (!source)
            return std::nullopt;
        if (source->format() == ImageFormat::HEIC || source->format() == ImageFormat::AVIF)
            return saveRewrittenHeif(*source, file, reason);
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        if (reason)
            *reason = QStringLiteral("not enough memory");
        return ContainerRewriteResult::Failed;
    } catch (...) {
        if (reason)
            *reason = QStringLiteral("could not be read");
        return ContainerRewriteResult::Failed;
    }
}

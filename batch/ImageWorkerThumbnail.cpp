// SPDX-License-Identifier: GPL-3.0-or-later
// Thumbnails through the workers: apart from the rest, so that a program that shows none (the command
// line) links no image library of its own.
#include "batch/ImageJobsPrivate.h"
#include "batch/ImageWorkers.h"
#include "worker/SharedMemory.h"
#include "worker/WorkerPool.h"

using namespace ImageJobs;

QImage ImageWorkers::thumbnail(const QString& source, const QSize& box)
{
    if (box.isEmpty())
        return {};
    const Descriptor input(openForWorker(source));
    if (!input.isValid())
        return {};
    RecordWriter request = requestFor(Job::Thumbnail);
    request.putString(source).putU32(std::uint32_t(box.width())).putU32(std::uint32_t(box.height()));
    const int descriptors[] = { input.get() };
    const WorkerResult result = m_pool->take()->request(request.data(), descriptors, m_limits.timeLimit);
    if (!result.ok())
        return {};
    RecordReader reply(result.payload);
    const std::uint32_t width = reply.getU32();
    const std::uint32_t height = reply.getU32();
    const std::uint8_t alpha = reply.getU8();
    // Nothing larger than the box asked for, in one of the two formats a worker sends.
    if (!reply.finished() || width == 0 || height == 0 || width > std::uint32_t(box.width())
        || height > std::uint32_t(box.height()) || alpha > 1 || result.descriptors.size() != 1)
        return {};
    const std::size_t lineBytes = std::size_t(width) * 4;
    const std::optional<SharedMemoryView> pixels
        = SharedMemoryView::map(result.descriptors.front(), lineBytes * height);
    if (!pixels)
        return {};
    const QImage shared(reinterpret_cast<const uchar*>(pixels->bytes().data()), int(width), int(height),
        qsizetype(lineBytes), alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    return shared.copy();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/InspectionCache.h"

#include "ui/FileStamp.h"

namespace {

/// Inspections kept at most: each is a few hundred bytes to a few kilobytes.
constexpr int kMaxInspections = 20000;

} // namespace

InspectionCache::InspectionCache(QObject* parent)
    : QObject(parent)
    // One reader: inspecting is quick next to decoding, and the thumbnails take the other cores.
    , m_workers(std::make_shared<ImageWorkers>(1, imageWorkerLimitsFromSettings()))
    , m_cache(this, 1, kMaxInspections,
          [this](const QString&, const QString& path) { emit inspectionReady(path); })
{ }

std::shared_ptr<const Inspection> InspectionCache::inspection(const QString& path)
{
    qint64 size = -1;
    qint64 modifiedNs = 0;
    if (!fileStamp(path, size, modifiedNs)) {
        // Gone, or not a regular file: said at once, without a thread (and without opening it).
        auto gone = std::make_shared<Inspection>();
        gone->reason = tr("the file cannot be read");
        return gone;
    }
    if (const std::shared_ptr<const Inspection>* kept = m_cache.find(path, size, modifiedNs))
        return *kept;
    m_cache.request(path, path, size, modifiedNs, [workers = m_workers, path] {
        return std::make_shared<const Inspection>(workers->inspectImageFile(path));
    });
    return nullptr;
}

void InspectionCache::clear()
{
    m_cache.clear();
}

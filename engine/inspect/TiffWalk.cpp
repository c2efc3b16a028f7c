// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/inspect/ContainerWalksPrivate.h"
#include "engine/inspect/MetadataContainers.h"
#include "engine/structure/TiffStructure.h"

#include <algorithm>
#include <array>
#include <deque>
#include <limits>
#include <set>

namespace containers {

// --- TIFF --------------------------------------------------------------------------------------------

void walkTiff(QByteArrayView data, MetadataBlocks& blocks)
{
    TiffWalk walk = walkTiffStructure(data, true);
    blocks.profiles.append(walk.profiles);
    for (const QByteArray& resources : walk.photoshopResources)
        walkPhotoshopResources(resources, blocks, true);
    if (walk.metadata)
        blocks.tiffFile = rawBytes(data);
}

} // namespace containers

using namespace containers;

namespace {

constexpr int kMaxTiffPages = 16384;
constexpr int kMaxTiffDirectoriesPerRole = 1024;
constexpr quint32 kMaxSubImagesPerDirectory = 64;
constexpr qsizetype kMaxTiffEntries = qsizetype(1) << 20;
constexpr qsizetype kMaxTiffPointers = qsizetype(1) << 18;

} // namespace

/// Tags of an image directory that describe the pixels, their layout, resolution and orientation: what a
/// clean copy keeps.
bool isTiffPixelTag(quint32 tag)
{
    static const std::set<quint32> kTags = { 254, 255, 256, 257, 258, 259, 262, 263, 264, 265, 266, 273, 274,
        277, 278, 279, 280, 281, 282, 283, 284, 286, 287, 290, 291, 292, 293, 296, 297, 301, 317, 318, 319,
        320, 321, 322, 323, 324, 325, 332, 338, 339, 340, 341, 347, 512, 513, 514, 515, 517, 518, 519, 520,
        521, 529, 530, 531, 532 };
    return kTags.count(tag) != 0;
}

/// Tags of the Exif directory that describe the pixels only: the versions, the component order, the
/// colour space, the pixel dimensions and the pointer to the interoperability directory.
bool isExifPixelTag(quint32 tag)
{
    return tag == 0x9000 || tag == 0x9101 || tag == 0xA000 || tag == 0xA001 || tag == 0xA002 || tag == 0xA003
        || tag == 0xA005;
}

TiffWalk walkTiffStructure(QByteArrayView data, bool wholeFile)
{
    TiffWalk walk;
    const TiffStructure tiff(data);
    if (!tiff.valid())
        return walk;
    walk.littleEndian = tiff.littleEndian();
    struct Pending
    {
        qsizetype offset;
        TiffRole role;
        int page;
        TiffRole namedBy;
        bool underSubImage;
    };
    std::deque<Pending> pending { { tiff.firstDirectory(), TiffRole::Page, 0, TiffRole::Page, false } };
    std::set<std::pair<qsizetype, TiffRole>> visited;
    std::array<int, 5> directoriesLeft {};
    directoriesLeft.fill(kMaxTiffDirectoriesPerRole);
    directoriesLeft[size_t(TiffRole::Page)] = kMaxTiffPages;
    qsizetype entriesLeft = kMaxTiffEntries;
    qsizetype pointersLeft = kMaxTiffPointers;
    const auto follow = [&](const Pending& next) {
        if (pointersLeft-- > 0)
            pending.push_back(next);
        else
            walk.incomplete = walk.metadata = true;
    };
    while (!pending.empty()) {
        const Pending at = pending.front();
        pending.pop_front();
        // A pointer to nowhere (zero, into the header, past the data) names no directory to read.
        if (at.offset < 8 || at.offset + 2 > tiff.size() || !visited.insert({ at.offset, at.role }).second)
            continue;
        const qsizetype count = tiff.u16(at.offset);
        int& left = directoriesLeft[size_t(at.role)];
        if (left == 0 || count > entriesLeft) {
            walk.incomplete = walk.metadata = true;
            continue;
        }
        --left;
        entriesLeft -= count;
        if (at.offset + 2 + count * 12 > tiff.size()) {
            walk.incomplete = walk.metadata = true; // a directory that runs past the data hides what it holds
            continue;
        }
        TiffDirectory directory { at.role, at.page, at.namedBy, at.underSubImage, {} };
        bool holdsMetadata = false;
        for (qsizetype i = 0; i < count; ++i) {
            const TiffStructure::Entry e = tiff.entry(at.offset + 2 + i * 12);
            directory.entries.push_back(
                { quint16(e.tag), quint16(e.type), e.count, tiff.bytes(e.valueAt, e.valueSize) });
            if (at.role == TiffRole::Gps) {
                holdsMetadata = holdsMetadata || e.tag != 0; // the version alone says nothing
                continue;
            }
            // The pointers to other directories, wherever they appear but in a GPS directory: readers
            // (exiftool among them) follow them from pages, sub-images, Exif and interoperability
            // directories alike.
            const auto followFrom = [&](qsizetype offset, TiffRole role) {
                follow({ offset, role, at.page, at.role, at.underSubImage || role == TiffRole::SubImage });
            };
            if (e.tag == 34665) {
                followFrom(tiff.firstValue(e), TiffRole::Exif);
                continue;
            }
            if (e.tag == 34853) {
                followFrom(tiff.firstValue(e), TiffRole::Gps);
                continue;
            }
            if (e.tag == 40965) {
                followFrom(tiff.firstValue(e), TiffRole::Interoperability);
                continue;
            }
            if (e.tag == 330) {
                for (quint32 k = 0; k < std::min<quint32>(e.count, kMaxSubImagesPerDirectory); ++k)
                    followFrom(tiff.u32(e.valueAt + k * 4), TiffRole::SubImage);
                if (e.count > kMaxSubImagesPerDirectory)
                    walk.incomplete = walk.metadata = true;
                continue;
            }
            switch (at.role) {
            case TiffRole::Page:
            case TiffRole::SubImage:
                if (e.tag == 34675 && wholeFile) {
                    walk.profiles.append(tiff.bytes(e.valueAt, e.valueSize).toByteArray());
                } else if (e.tag == 34377 && wholeFile) {
                    walk.photoshopResources.append(tiff.bytes(e.valueAt, e.valueSize).toByteArray());
                    holdsMetadata = true;
                } else if (!isTiffPixelTag(e.tag) || (!wholeFile && (e.tag == 513 || e.tag == 514))) {
                    holdsMetadata = true;
                }
                break;
            case TiffRole::Exif:
                holdsMetadata = holdsMetadata || !isExifPixelTag(e.tag);
                break;
            case TiffRole::Gps:
            case TiffRole::Interoperability:
                break;
            }
        }
        walk.metadata = walk.metadata || holdsMetadata;
        // Pages and sub-images may name a next one; in an EXIF block the directory after the first holds
        // a thumbnail.
        if (at.role == TiffRole::Page || at.role == TiffRole::SubImage) {
            const qsizetype next = tiff.u32(at.offset + 2 + count * 12);
            if (next != 0 && !wholeFile && at.role == TiffRole::Page && at.page == 0)
                walk.metadata = true;
            if (next != 0)
                follow({ next, at.role, at.role == TiffRole::Page ? at.page + 1 : at.page, at.role,
                    at.underSubImage });
        }
        if (at.role == TiffRole::Gps)
            walk.gps.push_back(std::move(directory));
        else if (holdsMetadata && at.role != TiffRole::Interoperability)
            walk.described.push_back(std::move(directory));
    }
    return walk;
}

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

namespace {

struct PendingDirectory
{
    qsizetype offset;
    TiffRole role;
    int page;
    TiffRole namedBy;
    bool underSubImage;
};

/// One walk of a TIFF structure: its directories breadth first from the first page's, each read once
/// (per role), within bounds on the directories, entries and pointers that a hostile file could multiply.
class TiffStructureWalker
{
public:
    TiffStructureWalker(QByteArrayView data, bool wholeFile)
        : m_tiff(data)
        , m_wholeFile(wholeFile)
    {
        m_directoriesLeft.fill(kMaxTiffDirectoriesPerRole);
        m_directoriesLeft[size_t(TiffRole::Page)] = kMaxTiffPages;
    }

    TiffWalk run()
    {
        if (!m_tiff.valid())
            return m_walk;
        m_walk.littleEndian = m_tiff.littleEndian();
        m_pending.push_back({ m_tiff.firstDirectory(), TiffRole::Page, 0, TiffRole::Page, false });
        while (!m_pending.empty()) {
            const PendingDirectory at = m_pending.front();
            m_pending.pop_front();
            readDirectory(at);
        }
        return std::move(m_walk);
    }

private:
    void cutShort() { m_walk.incomplete = m_walk.metadata = true; }

    void follow(const PendingDirectory& next)
    {
        if (m_pointersLeft-- > 0)
            m_pending.push_back(next);
        else
            cutShort();
    }

    void readDirectory(const PendingDirectory& at)
    {
        // A pointer to nowhere (zero, into the header, past the data) names no directory to read.
        if (at.offset < 8 || at.offset + 2 > m_tiff.size()
            || !m_visited.insert({ at.offset, at.role }).second)
            return;
        const qsizetype count = m_tiff.u16(at.offset);
        int& left = m_directoriesLeft[size_t(at.role)];
        if (left == 0 || count > m_entriesLeft) {
            cutShort();
            return;
        }
        --left;
        m_entriesLeft -= count;
        if (at.offset + 2 + count * 12 > m_tiff.size()) {
            cutShort(); // a directory that runs past the data hides what it holds
            return;
        }
        TiffDirectory directory { at.role, at.page, at.namedBy, at.underSubImage, {} };
        bool holdsMetadata = false;
        for (qsizetype i = 0; i < count; ++i) {
            const TiffStructure::Entry e = m_tiff.entry(at.offset + 2 + i * 12);
            directory.entries.push_back(
                { quint16(e.tag), quint16(e.type), e.count, m_tiff.bytes(e.valueAt, e.valueSize) });
            if (at.role == TiffRole::Gps)
                holdsMetadata = holdsMetadata || e.tag != 0; // the version alone says nothing
            else if (!followPointer(at, e))
                holdsMetadata = entryHoldsMetadata(at.role, e) || holdsMetadata;
        }
        m_walk.metadata = m_walk.metadata || holdsMetadata;
        // Pages and sub-images may name a next one; in an EXIF block the directory after the first holds
        // a thumbnail.
        if (at.role == TiffRole::Page || at.role == TiffRole::SubImage) {
            const qsizetype next = m_tiff.u32(at.offset + 2 + count * 12);
            if (next != 0 && !m_wholeFile && at.role == TiffRole::Page && at.page == 0)
                m_walk.metadata = true;
            if (next != 0)
                follow({ next, at.role, at.role == TiffRole::Page ? at.page + 1 : at.page, at.role,
                    at.underSubImage });
        }
        if (at.role == TiffRole::Gps)
            m_walk.gps.push_back(std::move(directory));
        else if (holdsMetadata && at.role != TiffRole::Interoperability)
            m_walk.described.push_back(std::move(directory));
    }

    /// Follows the pointers to other directories that \a e holds, wherever they appear but in a GPS
    /// directory: readers (exiftool among them) follow them from pages, sub-images, Exif and
    /// interoperability directories alike. False when \a e is no such pointer.
    bool followPointer(const PendingDirectory& at, const TiffStructure::Entry& e)
    {
        const auto followFrom = [&](qsizetype offset, TiffRole role) {
            follow({ offset, role, at.page, at.role, at.underSubImage || role == TiffRole::SubImage });
        };
        switch (e.tag) {
        case 34665:
            followFrom(m_tiff.firstValue(e), TiffRole::Exif);
            return true;
        case 34853:
            followFrom(m_tiff.firstValue(e), TiffRole::Gps);
            return true;
        case 40965:
            followFrom(m_tiff.firstValue(e), TiffRole::Interoperability);
            return true;
        case 330:
            for (quint32 k = 0; k < std::min<quint32>(e.count, kMaxSubImagesPerDirectory); ++k)
                followFrom(m_tiff.u32(e.valueAt + k * 4), TiffRole::SubImage);
            if (e.count > kMaxSubImagesPerDirectory)
                cutShort();
            return true;
        default:
            return false;
        }
    }

    /// Whether \a e, an entry of a directory of \a role that points nowhere, holds metadata; a whole
    /// file's colour profile and Photoshop resources are kept for their own walks.
    bool entryHoldsMetadata(TiffRole role, const TiffStructure::Entry& e)
    {
        switch (role) {
        case TiffRole::Page:
        case TiffRole::SubImage:
            if (e.tag == 34675 && m_wholeFile) {
                m_walk.profiles.append(m_tiff.bytes(e.valueAt, e.valueSize).toByteArray());
                return false;
            }
            if (e.tag == 34377 && m_wholeFile) {
                m_walk.photoshopResources.append(m_tiff.bytes(e.valueAt, e.valueSize).toByteArray());
                return true;
            }
            return !isTiffPixelTag(e.tag) || (!m_wholeFile && (e.tag == 513 || e.tag == 514));
        case TiffRole::Exif:
            return !isExifPixelTag(e.tag);
        case TiffRole::Gps:
        case TiffRole::Interoperability:
            break;
        }
        return false;
    }

    const TiffStructure m_tiff;
    const bool m_wholeFile;
    TiffWalk m_walk;
    std::deque<PendingDirectory> m_pending;
    std::set<std::pair<qsizetype, TiffRole>> m_visited;
    std::array<int, 5> m_directoriesLeft {};
    qsizetype m_entriesLeft = kMaxTiffEntries;
    qsizetype m_pointersLeft = kMaxTiffPointers;
};

} // namespace

TiffWalk walkTiffStructure(QByteArrayView data, bool wholeFile)
{
    return TiffStructureWalker(data, wholeFile).run();
}

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QtGlobal>

/// A TIFF structure (a TIFF file, or the TIFF inside an EXIF block) read in its own byte order, every
/// read checked against the data: a read that does not fit gives zero or an empty view. The one reader of
/// TIFF directories that the page count, the EXIF orientation field and the inspector's walk share. Holds
/// a view of the bytes, which must outlive it.
class TiffStructure
{
public:
    explicit TiffStructure(QByteArrayView data);

    /// Whether the data starts with a classic TIFF header ("II" or "MM", then 42).
    [[nodiscard]] bool valid() const { return m_valid; }
    [[nodiscard]] bool littleEndian() const { return m_littleEndian; }
    [[nodiscard]] qsizetype size() const { return m_data.size(); }
    /// Whether \a length bytes at \a at lie inside the data.
    [[nodiscard]] bool contains(qsizetype at, qsizetype length) const
    {
        return at >= 0 && length >= 0 && at <= size() && length <= size() - at;
    }
    [[nodiscard]] QByteArrayView bytes(qsizetype at, qsizetype length) const
    {
        return contains(at, length) ? m_data.sliced(at, length) : QByteArrayView();
    }
    [[nodiscard]] quint32 u16(qsizetype at) const;
    [[nodiscard]] quint32 u32(qsizetype at) const;
    /// Where the first image directory (IFD0) lies, as the header says.
    [[nodiscard]] qsizetype firstDirectory() const { return u32(4); }

    /// One directory entry: its tag, and where its values lie (inline in the entry when they fit).
    struct Entry
    {
        quint32 tag = 0;
        quint32 type = 0;
        quint32 count = 0;
        qsizetype valueAt = 0;
        qsizetype valueSize = 0;
    };
    static constexpr qsizetype kEntrySize = 12;

    /// The entry at \a at (a directory's offset + 2 + index * 12).
    [[nodiscard]] Entry entry(qsizetype at) const;
    /// The first value of an entry as a number (an offset, a count).
    [[nodiscard]] quint32 firstValue(const Entry& e) const
    {
        return e.type == 3 || e.type == 8 ? u16(e.valueAt) : u32(e.valueAt);
    }

private:
    QByteArrayView m_data;
    bool m_littleEndian = true;
    bool m_valid = false;
};

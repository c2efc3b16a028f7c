// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui/InspectionCache.h"
#include "ui/ThumbnailCache.h"
#include "ui/widgets/LiveTableModel.h"

#include <QStringList>

class Converter;

/// The file table's rows, read live from the shared file list: row i is the file at index i of
/// allFilePaths(), every count and cell is read when the view asks. The columns, told apart by their
/// identifiers (kIdentifierRole of the header data), are "image" (a thumbnail of the file, decoded in the
/// background when first shown, a placeholder until then, and cached), "name", "personal" (what the file
/// gives away: the groups of personal data found in it, read in the background when first shown), "kind",
/// "size" and "modified" (the record's keys; size and date as the display texts). Owns its thumbnail and
/// inspection caches; reads the list without owning it. Main thread only.
///
/// Sorting a column puts the shared list itself in that order, so that the run goes through the files
/// as the list shows them: names in natural order (IMG_2 before IMG_10), sizes and dates by value, the
/// other texts as the user's language sorts them; equal rows keep their order. Once sorted, the list is
/// kept in that order as files join it; until then files stay in the order they came in.
class FileTableModel : public LiveTableModel
{
    Q_OBJECT

public:
    /// Header data role of a column's identifier (QString).
    static constexpr int kIdentifierRole = Qt::UserRole;
    /// Cell data role of the row's path (QString), in every column.
    static constexpr int kPathRole = Qt::UserRole + 1;

    static inline const QString kImageColumn = QStringLiteral("image");
    static inline const QString kPersonalColumn = QStringLiteral("personal");

    explicit FileTableModel(Converter* converter, QObject* parent = nullptr);

    /// The identifiers in column order.
    [[nodiscard]] static const QStringList& columnIdentifiers();
    /// The column of \a identifier; -1 for an unknown one.
    [[nodiscard]] static int columnForIdentifier(const QString& identifier);

    /// The number of paths in the list.
    [[nodiscard]] int numberOfRows() const;
    /// The cell's value: for "modified" and "size" their display texts, for "image" the thumbnail (a
    /// placeholder while it is decoded, null when the file cannot be read as an image), for "personal" what
    /// the file gives away (or that it is being read), for other
    /// identifiers the record's value.
    /// Null for a row outside the list.
    [[nodiscard]] QVariant objectValueForTableColumn(const QString& identifier, int row) const;

    /// The box thumbnails are decoded to fit, in device pixels, and the device pixel ratio they are
    /// drawn at.
    void setThumbnailSize(const QSize& box, qreal devicePixelRatio = 1.0);
    [[nodiscard]] QSize thumbnailSize() const { return m_thumbnailSize; }
    [[nodiscard]] ThumbnailCache& thumbnails() const { return m_thumbnails; }
    [[nodiscard]] InspectionCache& inspections() const { return m_inspections; }
    /// What the "image" cell shows while its thumbnail is decoded.
    [[nodiscard]] QImage placeholder() const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    [[nodiscard]] QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    /// Puts the list in the order of \a column (the image's sorts by name); -1 leaves it as it is and
    /// ends the sorting.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;
    /// The column the list is kept sorted by; -1 while it keeps the order files came in.
    [[nodiscard]] int sortColumn() const { return m_sortColumn; }

protected:
    void rowsWillReload() override;

private:
    /// The list's paths in the order of the sort column.
    [[nodiscard]] QStringList sortedPaths() const;

    Converter* m_converter;
    QSize m_thumbnailSize { 88, 56 };
    qreal m_devicePixelRatio = 1.0;
    mutable ThumbnailCache m_thumbnails;
    mutable InspectionCache m_inspections;
    mutable QImage m_placeholder;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
};

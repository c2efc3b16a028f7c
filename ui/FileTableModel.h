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

private:
    Converter* m_converter;
    QSize m_thumbnailSize { 104, 72 };
    qreal m_devicePixelRatio = 1.0;
    mutable ThumbnailCache m_thumbnails;
    mutable InspectionCache m_inspections;
    mutable QImage m_placeholder;
};

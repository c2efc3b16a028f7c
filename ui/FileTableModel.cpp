// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FileTableModel.h"

#include "batch/Converter.h"
#include "batch/Utility.h"
#include "engine/core/NativePath.h"
#include "ui/InspectionPanel.h"

#include <QPainter>
#include <QPalette>

FileTableModel::FileTableModel(Converter* converter, QObject* parent)
    : LiveTableModel(parent)
    , m_converter(converter)
{
    // A finished thumbnail repaints its cell: the row is looked up then, as rows move.
    connect(&m_thumbnails, &ThumbnailCache::thumbnailReady, this, [this](const QString& path) {
        const int row = int(m_converter->allFilePaths().indexOf(path));
        if (row < 0)
            return;
        const QModelIndex cell = index(row, columnForIdentifier(kImageColumn));
        emit dataChanged(cell, cell, { Qt::DecorationRole });
    });
    connect(&m_inspections, &InspectionCache::inspectionReady, this, [this](const QString& path) {
        const int row = int(m_converter->allFilePaths().indexOf(path));
        if (row < 0)
            return;
        const QModelIndex cell = index(row, columnForIdentifier(kPersonalColumn));
        emit dataChanged(cell, cell, { Qt::DisplayRole, Qt::ToolTipRole, Qt::ForegroundRole });
    });
}

const QStringList& FileTableModel::columnIdentifiers()
{
    static const QStringList identifiers = { kImageColumn, FileRecord::kName, kPersonalColumn,
        FileRecord::kKind, FileRecord::kSize, FileRecord::kModified };
    return identifiers;
}

int FileTableModel::columnForIdentifier(const QString& identifier)
{
    return int(columnIdentifiers().indexOf(identifier));
}

int FileTableModel::numberOfRows() const
{
    return int(m_converter->allFilePaths().size());
}

QVariant FileTableModel::objectValueForTableColumn(const QString& identifier, int row) const
{
    const QStringList& paths = m_converter->allFilePaths();
    if (row < 0 || row >= paths.size())
        return {};
    const QString& path = paths.at(row);
    const FileRecord rec = m_converter->allFiles().value(path);
    if (identifier == FileRecord::kModified)
        return Utility::GetDateString(rec.modified);
    if (identifier == FileRecord::kSize)
        return Utility::GetCapacityString(rec.size);
    if (identifier == kPersonalColumn)
        return InspectionPanel::summaryOf(m_inspections.inspection(path).get());
    if (identifier == FileRecord::kName)
        return readablePath(rec.name);
    if (identifier == kImageColumn) {
        ThumbnailCache::State state = ThumbnailCache::State::Unreadable;
        QImage image = m_thumbnails.thumbnail(path, m_thumbnailSize, &state);
        if (state == ThumbnailCache::State::Pending)
            return placeholder();
        if (image.isNull())
            return {};
        image.setDevicePixelRatio(m_devicePixelRatio);
        return image;
    }
    return rec.value(identifier);
}

void FileTableModel::setThumbnailSize(const QSize& box, qreal devicePixelRatio)
{
    if (box != m_thumbnailSize || devicePixelRatio != m_devicePixelRatio)
        m_placeholder = {};
    m_thumbnailSize = box;
    m_devicePixelRatio = devicePixelRatio;
}

QImage FileTableModel::placeholder() const
{
    if (m_placeholder.isNull() && !m_thumbnailSize.isEmpty()) {
        // A frame of a photo's proportions in the palette's quiet colours.
        const QSize frame
            = QSize(3, 2).scaled(m_thumbnailSize * 0.8, Qt::KeepAspectRatio).expandedTo(QSize(2, 2));
        m_placeholder = QImage(frame, QImage::Format_ARGB32_Premultiplied);
        m_placeholder.fill(Qt::transparent);
        QPainter painter(&m_placeholder);
        painter.setRenderHint(QPainter::Antialiasing);
        const QPalette palette;
        const qreal line = std::max<qreal>(1.0, m_devicePixelRatio);
        painter.setPen(QPen(palette.color(QPalette::Mid), line));
        painter.setBrush(palette.color(QPalette::AlternateBase));
        painter.drawRoundedRect(
            QRectF(m_placeholder.rect()).adjusted(line / 2, line / 2, -line / 2, -line / 2), 3 * line,
            3 * line);
        painter.end();
        m_placeholder.setDevicePixelRatio(m_devicePixelRatio);
    }
    return m_placeholder;
}

int FileTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : numberOfRows();
}

int FileTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(columnIdentifiers().size());
}

QVariant FileTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.column() >= columnCount())
        return {};
    const QString& identifier = columnIdentifiers().at(index.column());
    switch (role) {
    case Qt::DisplayRole:
        if (identifier == kImageColumn)
            return {};
        return objectValueForTableColumn(identifier, index.row());
    case Qt::DecorationRole:
        // Thumbnails are decoded only when a view shows the column.
        if (identifier != kImageColumn)
            return {};
        return objectValueForTableColumn(identifier, index.row());
    case Qt::ForegroundRole:
        // What gives nothing away, and what is still being read, is said quietly.
        if (identifier == kPersonalColumn) {
            const auto inspection = m_inspections.inspection(m_converter->allFilePaths().value(index.row()));
            if (!inspection || inspection->nothingPersonal())
                return QPalette().brush(QPalette::PlaceholderText);
        }
        return {};
    case Qt::ToolTipRole:
        if (identifier == kPersonalColumn)
            return objectValueForTableColumn(identifier, index.row());
        return {};
    case Qt::TextAlignmentRole:
        if (identifier == FileRecord::kSize)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
        return QVariant::fromValue(Qt::Alignment(Qt::AlignLeft | Qt::AlignVCenter));
    case kPathRole:
        return m_converter->allFilePaths().value(index.row());
    default:
        return {};
    }
}

QVariant FileTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return LiveTableModel::headerData(section, orientation, role);
    const QString& identifier = columnIdentifiers().at(section);
    if (role == kIdentifierRole)
        return identifier;
    if (role == Qt::DisplayRole) {
        if (identifier == FileRecord::kName)
            return tr("Name");
        if (identifier == kPersonalColumn)
            return tr("Personal Data");
        if (identifier == FileRecord::kKind)
            return tr("Kind");
        if (identifier == FileRecord::kSize)
            return tr("Size");
        if (identifier == FileRecord::kModified)
            return tr("Date Modified");
        return QString();
    }
    if (role == Qt::TextAlignmentRole && identifier == FileRecord::kSize)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return LiveTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags FileTableModel::flags(const QModelIndex& index) const
{
    // Files may be dropped anywhere on the table, between rows too.
    return LiveTableModel::flags(index) | Qt::ItemIsDropEnabled;
}

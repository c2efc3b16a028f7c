// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FileTableModel.h"

#include "batch/Converter.h"
#include "batch/Utility.h"

FileTableModel::FileTableModel(Converter* converter, QObject* parent)
    : LiveTableModel(parent)
    , m_converter(converter)
{ }

const QStringList& FileTableModel::columnIdentifiers()
{
    static const QStringList identifiers
        = { kImageColumn, FileRecord::kName, FileRecord::kKind, FileRecord::kSize, FileRecord::kModified };
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
    if (identifier == kImageColumn) {
        QImage image = m_thumbnails.thumbnail(path, m_thumbnailSize);
        if (image.isNull())
            return {};
        image.setDevicePixelRatio(m_devicePixelRatio);
        return image;
    }
    return rec.value(identifier);
}

void FileTableModel::setThumbnailSize(const QSize& box, qreal devicePixelRatio)
{
    m_thumbnailSize = box;
    m_devicePixelRatio = devicePixelRatio;
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

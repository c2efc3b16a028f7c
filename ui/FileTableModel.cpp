// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/FileTableModel.h"

#include "batch/Converter.h"
#include "batch/Utility.h"
#include "engine/core/NativePath.h"
#include "ui/InspectionPanel.h"

#include <QCollator>
#include <QPainter>
#include <QPalette>

#include <algorithm>
#include <numeric>
#include <vector>

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
    // A first click on a header sorts up, whatever the column sorted before.
    if (role == Qt::InitialSortOrderRole)
        return QVariant::fromValue(int(Qt::AscendingOrder));
    if (role == Qt::TextAlignmentRole && identifier == FileRecord::kSize)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return LiveTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags FileTableModel::flags(const QModelIndex& index) const
{
    // Files may be dropped anywhere on the table, between rows too.
    return LiveTableModel::flags(index) | Qt::ItemIsDropEnabled;
}

void FileTableModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount()) {
        m_sortColumn = -1;
        return;
    }
    m_sortColumn = column;
    m_sortOrder = order;
    // The selection and the current row stay with their files.
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const QStringList& paths = m_converter->allFilePaths();
    const QModelIndexList before = persistentIndexList();
    QStringList beforePaths;
    for (const QModelIndex& index : before)
        beforePaths << paths.value(index.row());
    m_converter->arrange(sortedPaths());
    QHash<QString, int> rows;
    rows.reserve(paths.size());
    for (int row = 0; row < paths.size(); ++row)
        rows.insert(paths.at(row), row);
    QModelIndexList after;
    for (qsizetype i = 0; i < before.size(); ++i)
        after << index(rows.value(beforePaths.at(i), -1), before.at(i).column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void FileTableModel::rowsWillReload()
{
    // Files that joined a sorted list take their places in it.
    if (m_sortColumn >= 0)
        m_converter->arrange(sortedPaths());
}

QStringList FileTableModel::sortedPaths() const
{
    const QStringList& paths = m_converter->allFilePaths();
    const QHash<QString, FileRecord>& records = m_converter->allFiles();
    const QString& identifier = columnIdentifiers().at(m_sortColumn);
    std::vector<int> order(size_t(paths.size()));
    std::iota(order.begin(), order.end(), 0);
    // Each row's key is made once: texts as collation keys, sizes and dates as numbers.
    std::vector<QCollatorSortKey> texts;
    std::vector<qint64> numbers;
    if (identifier == FileRecord::kSize || identifier == FileRecord::kModified) {
        numbers.reserve(order.size());
        for (const QString& path : paths) {
            const FileRecord rec = records.value(path);
            numbers.push_back(
                identifier == FileRecord::kSize ? qint64(rec.size) : rec.modified.toMSecsSinceEpoch());
        }
    } else {
        // The C locale's collator compares code points and knows no numbers: such a user gets English's.
        QLocale locale;
        if (locale.language() == QLocale::C)
            locale = QLocale(QLocale::English);
        QCollator collator(locale);
        collator.setNumericMode(true);
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        texts.reserve(order.size());
        for (const QString& path : paths) {
            QString text;
            if (identifier == FileRecord::kKind)
                text = records.value(path).kind;
            else if (identifier == kPersonalColumn)
                text = InspectionPanel::summaryOf(m_inspections.inspection(path).get());
            else
                text = readablePath(records.value(path).name);
            texts.push_back(collator.sortKey(text));
        }
    }
    const auto less = [&](int a, int b) {
        return texts.empty() ? numbers[size_t(a)] < numbers[size_t(b)]
                             : texts[size_t(a)].compare(texts[size_t(b)]) < 0;
    };
    if (m_sortOrder == Qt::AscendingOrder)
        std::stable_sort(order.begin(), order.end(), less);
    else
        std::stable_sort(order.begin(), order.end(), [&less](int a, int b) { return less(b, a); });
    QStringList sorted;
    sorted.reserve(paths.size());
    for (const int row : order)
        sorted << paths.at(row);
    return sorted;
}

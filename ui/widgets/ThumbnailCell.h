// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStyledItemDelegate>

/// The cell of the file table's "image" column: the row's background, then the thumbnail of the
/// model's decoration centred in the cell, or nothing when there is none. Stateless. Main thread only.
class ThumbnailCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

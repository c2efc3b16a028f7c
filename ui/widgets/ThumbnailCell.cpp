// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/widgets/ThumbnailCell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

void ThumbnailCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    // A table of whole rows frames its current row itself (BlankTableView).
    if (const auto* view = qobject_cast<const QAbstractItemView*>(item.widget);
        view && view->selectionBehavior() == QAbstractItemView::SelectRows)
        item.state &= ~QStyle::State_HasFocus;
    item.text.clear();
    item.icon = {};
    item.features &= ~QStyleOptionViewItem::HasDecoration;
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QImage image = qvariant_cast<QImage>(index.data(Qt::DecorationRole));
    if (image.isNull())
        return;
    const QSizeF shown = image.deviceIndependentSize();
    const QRectF cell = option.rect;
    const QRectF target(cell.x() + (cell.width() - shown.width()) / 2,
        cell.y() + (cell.height() - shown.height()) / 2, shown.width(), shown.height());
    painter->save();
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->drawImage(target, image);
    painter->restore();
}

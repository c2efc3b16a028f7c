// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/widgets/MiddleAlignedTextFieldCell.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>

namespace {

/// A little air between neighbouring columns, whichever side the text keeps to.
constexpr int kAirBefore = 4;
constexpr int kAirAfter = 8;

} // namespace

QRectF MiddleAlignedTextFieldCell::titleRectForBounds(
    const QRectF& bounds, const QRectF& baseRect, qreal textHeight)
{
    QRectF rect = baseRect;
    // Subtracting the half point after centring keeps the line half a point nearer the top.
    rect.moveTop(bounds.y() - 0.5 + (bounds.height() - textHeight) * 0.5);
    return rect;
}

QRectF MiddleAlignedTextFieldCell::wrappedRect(
    const QRectF& bounds, const QRectF& baseRect, const QFontMetricsF& metrics, const QString& text)
{
    // Only a text too long for one line, in a row tall enough for more (the thumbnails' rows), whose
    // every word fits the width: a name without spaces is cut at its end as before.
    if (metrics.horizontalAdvance(text) <= baseRect.width() || bounds.height() < 2 * metrics.lineSpacing())
        return {};
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (metrics.horizontalAdvance(word) > baseRect.width())
            return {};
    }
    const QRectF needed = metrics.boundingRect(
        QRectF(baseRect.x(), 0, baseRect.width(), bounds.height() * 4), Qt::TextWordWrap, text);
    if (needed.height() > bounds.height())
        return {};
    return { baseRect.x(), bounds.y() + (bounds.height() - needed.height()) * 0.5, baseRect.width(),
        needed.height() };
}

void MiddleAlignedTextFieldCell::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyleOptionViewItem item = option;
    initStyleOption(&item, index);
    // A table of whole rows frames its current row itself (BlankTableView).
    if (const auto* view = qobject_cast<const QAbstractItemView*>(item.widget);
        view && view->selectionBehavior() == QAbstractItemView::SelectRows)
        item.state &= ~QStyle::State_HasFocus;
    const QWidget* widget = item.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();

    // Selection and alternating backgrounds and the focus frame as the base cell draws them, no text.
    const QString text = item.text;
    item.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

    const QRectF bounds = item.rect;
    const QRectF baseRect = QRectF(style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget))
                                .adjusted(kAirBefore, 0, -kAirAfter, 0);
    const QFontMetricsF metrics(item.font);
    const QRectF rect = titleRectForBounds(bounds, baseRect, metrics.height());

    const bool selected = item.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
        : (item.state & QStyle::State_Active)                                ? QPalette::Active
                                                                             : QPalette::Inactive;
    painter->save();
    painter->setFont(item.font);
    painter->setPen(item.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const Qt::Alignment horizontal = item.displayAlignment & Qt::AlignHorizontal_Mask;
    if (const QRectF wrapped = wrappedRect(bounds, baseRect, metrics, text); !wrapped.isEmpty()) {
        painter->drawText(wrapped, int(horizontal | Qt::AlignTop | Qt::TextWordWrap), text);
    } else {
        painter->drawText(rect, int(horizontal | Qt::AlignTop | Qt::TextSingleLine),
            metrics.elidedText(text, item.textElideMode, rect.width()));
    }
    painter->restore();
}

QSize MiddleAlignedTextFieldCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    return QStyledItemDelegate::sizeHint(option, index) + QSize(kAirBefore + kAirAfter, 0);
}

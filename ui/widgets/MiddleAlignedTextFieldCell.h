// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFontMetricsF>
#include <QRectF>
#include <QStyledItemDelegate>

/// A text cell that draws its one line centred between the top and the bottom of the cell, half a
/// point nearer the top than exact centring, instead of at the top. Text taller than the cell starts
/// above it (not clamped). Draws with the view's font and the palette's text colours, elided to one
/// line. Stateless; owns nothing. Main thread only, like every delegate.
class MiddleAlignedTextFieldCell : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    /// The rectangle the text is drawn in: \a baseRect with its top moved to
    /// bounds.y − 0.5 + (bounds.height − textHeight) × 0.5; its left edge, width and height stay.
    [[nodiscard]] static QRectF titleRectForBounds(
        const QRectF& bounds, const QRectF& baseRect, qreal textHeight);
    /// Where \a text is drawn over several lines, centred in \a bounds: in a row tall enough for two lines
    /// when it does not fit on one and every word fits the width; empty where it is drawn on one line, cut.
    [[nodiscard]] static QRectF wrappedRect(
        const QRectF& bounds, const QRectF& baseRect, const QFontMetricsF& metrics, const QString& text);

    void paint(
        QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    /// The base cell's size with the air paint() keeps beside the text, so that a column sized to its
    /// contents shows every text whole.
    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

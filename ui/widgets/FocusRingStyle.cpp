// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/widgets/FocusRingStyle.h"

#include <QApplication>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOption>

namespace {

/// The ring's width in device-independent pixels.
constexpr qreal kRingWidth = 2.0;

} // namespace

FocusRingStyle::FocusRingStyle(const QString& key)
    : QProxyStyle(key.isEmpty() ? nullptr : QStyleFactory::create(key))
{ }

void FocusRingStyle::install()
{
    if (qobject_cast<FocusRingStyle*>(QApplication::style()))
        return;
    QApplication::setStyle(new FocusRingStyle(QApplication::style()->name()));
}

void FocusRingStyle::drawRing(QPainter* painter, const QRectF& rect, const QPalette& palette)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing, true);
    painter->setBrush(Qt::NoBrush);
    painter->setPen(QPen(palette.color(QPalette::Active, QPalette::Highlight), kRingWidth));
    const qreal inset = kRingWidth / 2;
    painter->drawRoundedRect(rect.adjusted(inset, inset, -inset, -inset), 3, 3);
    painter->restore();
}

void FocusRingStyle::drawPrimitive(
    PrimitiveElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    // Shown whichever way the focus came, not only after the Tab key as some looks do.
    if (element == PE_FrameFocusRect) {
        // On a selected row, whose background is the highlight itself, the ring takes the selection's
        // text colour.
        const auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option);
        QPalette palette = option->palette;
        if (focus && focus->backgroundColor == palette.color(QPalette::Active, QPalette::Highlight))
            palette.setColor(QPalette::Active, QPalette::Highlight,
                palette.color(QPalette::Active, QPalette::HighlightedText));
        drawRing(painter, option->rect, palette);
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

QRect FocusRingStyle::subElementRect(
    SubElement element, const QStyleOption* option, const QWidget* widget) const
{
    const QRect rect = QProxyStyle::subElementRect(element, option, widget);
    if (element != SE_CheckBoxFocusRect && element != SE_RadioButtonFocusRect)
        return rect;
    return rect.adjusted(-2, -1, 2, 1).intersected(option->rect);
}

void FocusRingStyle::drawControl(
    ControlElement element, const QStyleOption* option, QPainter* painter, const QWidget* widget) const
{
    if (element == CE_PushButton && (option->state & State_HasFocus)) {
        // The ring round the button's edge takes the place of the look's own mark, drawn or not.
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (button) {
            QStyleOptionButton plain = *button;
            plain.state &= ~State_HasFocus;
            QProxyStyle::drawControl(element, &plain, painter, widget);
            drawRing(painter, QRectF(option->rect).adjusted(1, 1, -1, -1), option->palette);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
}

void FocusRingStyle::drawComplexControl(
    ComplexControl control, const QStyleOptionComplex* option, QPainter* painter, const QWidget* widget) const
{
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (!(option->state & State_HasFocus))
        return;
    if (control == CC_Slider) {
        const QRect handle = subControlRect(CC_Slider, option, SC_SliderHandle, widget);
        drawRing(painter, QRectF(handle).adjusted(-2, -2, 2, 2), option->palette);
    } else if (control == CC_ComboBox) {
        drawRing(painter, option->rect, option->palette);
    }
}

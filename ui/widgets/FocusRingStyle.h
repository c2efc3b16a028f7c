// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProxyStyle>

/// The application's look with a keyboard focus that shows: wherever the look draws its focus frame (it
/// may be faint, or only after the Tab key), a ring of two pixels in the palette's highlight colour is
/// drawn instead; push buttons and combo boxes, which some looks mark only by a tinted outline, get the
/// ring round their edge, and the slider, whose look may draw none, round its handle. Everything else is
/// the look's own. Main thread only, like every style.
class FocusRingStyle : public QProxyStyle
{
    Q_OBJECT

public:
    /// Wraps the look named \a key (QStyleFactory's names); the platform's own when empty.
    explicit FocusRingStyle(const QString& key = {});

    /// Makes the application's current look one with a ring (the application owns it).
    static void install();

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    /// The focus frames of check boxes and radio buttons, a little larger than their labels so that the
    /// ring does not touch the text.
    [[nodiscard]] QRect subElementRect(
        SubElement element, const QStyleOption* option, const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option, QPainter* painter,
        const QWidget* widget = nullptr) const override;

    /// Draws the ring inside \a rect with the colours of \a palette.
    static void drawRing(QPainter* painter, const QRectF& rect, const QPalette& palette);
};

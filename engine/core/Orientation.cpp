// SPDX-License-Identifier: GPL-3.0-or-later
#include "engine/core/Orientation.h"

QSize uprightSize(Orientation orientation, QSize stored)
{
    return stepsOf(orientation).transposes ? stored.transposed() : stored;
}

namespace {

/// The transposition, if any, then the mirrors of \a steps, onto a canvas of \a upright size.
QTransform transformOf(OrientationSteps steps, QSize upright)
{
    const double across = steps.mirrorsAcross ? -1 : 1;
    const double down = steps.mirrorsDown ? -1 : 1;
    const double dx = steps.mirrorsAcross ? upright.width() : 0;
    const double dy = steps.mirrorsDown ? upright.height() : 0;
    // x' = m11 x + m21 y + dx, y' = m12 x + m22 y + dy
    return steps.transposes ? QTransform(0, down, across, 0, dx, dy) : QTransform(across, 0, 0, down, dx, dy);
}

} // namespace

QTransform uprightTransformYUp(Orientation orientation, int storedWidth, int storedHeight)
{
    // Seen with y up, a transposition mirrors both axes as well; mirrors alone stay what they are.
    OrientationSteps steps = stepsOf(orientation);
    steps.mirrorsAcross = steps.mirrorsAcross != steps.transposes;
    steps.mirrorsDown = steps.mirrorsDown != steps.transposes;
    return transformOf(steps, uprightSize(orientation, QSize(storedWidth, storedHeight)));
}

Orientation orientationOfPermutation(const QTransform& transform)
{
    // A stored pixel (u, v) lands at (m11 u + m21 v, m12 u + m22 v) plus the translation: with the axes
    // swapped, the stored rows (v) run along the upright x axis.
    const bool transposes = transform.m11() == 0;
    const bool mirrorsAcross = (transposes ? transform.m21() : transform.m11()) < 0;
    const bool mirrorsDown = (transposes ? transform.m12() : transform.m22()) < 0;
    for (int value = 1; value <= 8; ++value) {
        const OrientationSteps steps = kOrientationSteps[size_t(value - 1)];
        if (steps.transposes == transposes && steps.mirrorsAcross == mirrorsAcross
            && steps.mirrorsDown == mirrorsDown)
            return Orientation(value);
    }
    return Orientation::Normal;
}

QImage turnedUpright(const QImage& image, Orientation orientation)
{
    const OrientationSteps steps = stepsOf(orientation);
    if (!steps.transposes)
        return image.mirrored(steps.mirrorsAcross, steps.mirrorsDown);
    // Qt's quarter turn clockwise is the transposition mirrored across; the mirrors make up the rest.
    return image.transformed(QTransform().rotate(90)).mirrored(!steps.mirrorsAcross, steps.mirrorsDown);
}

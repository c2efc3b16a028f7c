// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window's placement over its parent. Its behaviour during a run (progress, cancelling, the
// end of a run from the worker, following the parent) is tested through the real window in RunTests.
#include "tests/common/TestSupport.h"
#include "ui/StatusWindowController.h"

#include <gtest/gtest.h>

namespace {

TEST(SheetPlacement, CentresAcrossTruncatingTowardZeroAndHangsEightyBelowTheTop)
{
    const struct
    {
        const char* name;
        QRectF parent; ///< lower-left coordinates
        QSizeF sheet;
        QPointF origin; ///< expected, lower-left coordinates
    } cases[] = { { "centred", { 100, 100, 1000, 700 }, { 400, 120 }, { 400, 600 } },
        { "half point dropped", { 0, 100, 1001, 700 }, { 400, 120 }, { 300, 600 } },
        { "negative truncates upwards", { -1001, 100, 1000, 700 }, { 401, 120 }, { -701, 600 } },
        { "sheet wider than parent", { 50, 0, 300, 200 }, { 401, 120 }, { 0, 0 } } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(sheetOriginFromBottom(c.parent, c.sheet), c.origin);
        // The same frames on a screen 2000 high, in top-down coordinates.
        const QRect parent(
            int(c.parent.x()), int(2000 - c.parent.bottom()), int(c.parent.width()), int(c.parent.height()));
        const QPoint topLeft = sheetTopLeft(parent, c.sheet.toSize());
        EXPECT_EQ(QPoint(topLeft.x(), 2000 - topLeft.y() - int(c.sheet.height())), c.origin.toPoint());
    }
}

} // namespace

// SPDX-License-Identifier: GPL-3.0-or-later
// The progress window's placement over its parent. Its behaviour during a run (progress, cancelling, the
// end of a run from the worker, following the parent) is tested through the real window in RunTests.
#include "tests/common/TestSupport.h"
#include "ui/StatusWindowController.h"

#include <gtest/gtest.h>

namespace {

struct Placement
{
    const char* name;
    double parentX, parentY, parentWidth, parentHeight;
    double sheetWidth, sheetHeight;
    double x, y; ///< expected origin, lower-left coordinates
};

class SheetPlacement : public ::testing::TestWithParam<Placement>
{
};

TEST_P(SheetPlacement, CentresAcrossTruncatingTowardZeroAndHangsEightyBelowTheTop)
{
    const Placement& c = GetParam();
    const QPointF origin = sheetOriginFromBottom(
        QRectF(c.parentX, c.parentY, c.parentWidth, c.parentHeight), QSizeF(c.sheetWidth, c.sheetHeight));
    EXPECT_EQ(origin, QPointF(c.x, c.y));

    // The same frames on a screen 2000 high, in top-down coordinates.
    const int screenHeight = 2000;
    const QRect parentTopDown(int(c.parentX), int(screenHeight - c.parentY - c.parentHeight),
        int(c.parentWidth), int(c.parentHeight));
    const QPoint topLeft = sheetTopLeft(parentTopDown, QSize(int(c.sheetWidth), int(c.sheetHeight)));
    EXPECT_EQ(topLeft.x(), int(c.x));
    EXPECT_EQ(screenHeight - topLeft.y() - int(c.sheetHeight), int(c.y));
}

INSTANTIATE_TEST_SUITE_P(Figures, SheetPlacement,
    ::testing::Values(Placement { "centred", 100, 100, 1000, 700, 400, 120, 400, 600 },
        Placement { "halfPointDropped", 0, 100, 1001, 700, 400, 120, 300, 600 },
        Placement { "negativeTruncatesUpwards", -1001, 100, 1000, 700, 401, 120, -701, 600 },
        Placement { "sheetWiderThanParent", 50, 0, 300, 200, 401, 120, 0, 0 }),
    [](const ::testing::TestParamInfo<Placement>& param) { return std::string(param.param.name); });

} // namespace

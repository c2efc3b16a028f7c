// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/widgets/SegmentedControl.h"

#include <QToolButton>

#include <gtest/gtest.h>

namespace {

QList<bool> selection(const SegmentedControl& control)
{
    QList<bool> selected;
    for (int i = 0; i < control.segmentCount(); ++i)
        selected << control.isSelectedForSegment(i);
    return selected;
}

TEST(SegmentedControl, ClickSelectsTheClickedSegmentAloneAndSendsTheAction)
{
    SegmentedControl control;
    control.setSegmentCount(3);
    control.setSelectedSegment(0);
    QList<int> activated;
    QObject::connect(&control, &SegmentedControl::activated, [&](int segment) { activated << segment; });

    const struct
    {
        int click;
        QList<bool> selected;
    } steps[]
        = { { 2, { false, false, true } }, { 2, { false, false, true } }, { 1, { false, true, false } } };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.click);
        control.segmentButton(step.click)->click();
        EXPECT_EQ(selection(control), step.selected);
        EXPECT_EQ(control.selectedSegment(), step.click);
    }
    // Clicking the selected segment again keeps it selected and still sends the action.
    EXPECT_EQ(activated, (QList<int> { 2, 2, 1 }));

    // Code selects any combination without sending the action; segments that do not exist are neither
    // selected nor selectable.
    control.setSelected(true, 0);
    EXPECT_EQ(selection(control), (QList<bool> { true, true, false }));
    EXPECT_EQ(control.selectedSegment(), 0);
    control.setSelectedSegment(-1);
    EXPECT_EQ(selection(control), (QList<bool> { false, false, false }));
    control.setSelected(true, 5);
    EXPECT_FALSE(control.isSelectedForSegment(5) || control.isSelectedForSegment(-1));
    EXPECT_EQ(activated.size(), 3);
}

} // namespace

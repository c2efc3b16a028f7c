// SPDX-License-Identifier: GPL-3.0-or-later
// The run's summary sheet as the user reads it: every reason whole, however narrow the sheet.
#include "batch/RunReport.h"
#include "ui/RunSummaryDialog.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

// A reason too long for one line is wrapped over as many lines as the result column needs, at every
// width of the sheet, and never shortened; a short one keeps a single line.
TEST(RunSummary, LongReasonsWrapWholeInRowsTallEnoughAtEveryWidth)
{
    const QString longReason = QStringLiteral(
        "the file's colour profile could not be read, so its colours would change in a copy; convert it "
        "to sRGB in a photo editor first, or choose JPEG output to have it converted for you");
    const QString longNote = QStringLiteral(
        "only the first of 14 pages was written, because the chosen output format holds a single page "
        "and the remaining pages would otherwise be lost without a word");
    RunReport report;
    report.folder = QStringLiteral("/tmp/out");
    report.total = 3;
    report.files.push_back({ QStringLiteral("/tmp/in/long.jpg"),
        { ConversionOutcome::Status::Skipped, {}, longReason, {}, false }, {} });
    report.files.push_back({ QStringLiteral("/tmp/in/short.jpg"),
        { ConversionOutcome::Status::Skipped, {}, QStringLiteral("not an image"), {}, false }, {} });
    report.files.push_back({ QStringLiteral("/tmp/in/pages.tif"),
        { ConversionOutcome::Status::Written, QStringLiteral("/tmp/out/pages.tif"), {}, longNote, true },
        {} });
    RunSummaryDialog summary(report, [](const QUrl&) { return true; });
    auto* list = summary.findChild<QTreeWidget*>(QStringLiteral("summaryFiles"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 3);
    summary.show();
    QApplication::processEvents();
    EXPECT_LT(summary.height(), 12 * 3 * QFontMetrics(list->font()).lineSpacing())
        << "the sheet opens no taller than a dozen rows of three lines";

    const QFontMetrics metrics(list->font());
    const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    for (const int width : { 560, 900, 480, 1400 }) {
        SCOPED_TRACE(width);
        summary.resize(width, summary.height());
        QApplication::processEvents();
        const int column = list->columnWidth(1);
        ASSERT_GT(column, 100);
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            SCOPED_TRACE(row);
            const QString text = list->topLevelItem(row)->text(1);
            EXPECT_TRUE(text.contains(row == 0 ? longReason.mid(1)
                    : row == 1                 ? QStringLiteral("ot an image")
                                               : longNote))
                << "the item holds the whole text";
            // The lines the text takes in the column, measured apart from the view.
            const QRect needed = metrics.boundingRect(
                QRect(0, 0, column - 2 * margin, 100000), Qt::TextWordWrap | Qt::AlignLeft, text);
            const int shown = list->visualRect(list->model()->index(row, 1)).height();
            EXPECT_GE(shown, needed.height()) << "every line of the text shows";
            const bool oneLine = metrics.horizontalAdvance(text) <= column - 2 * margin;
            if (oneLine) {
                EXPECT_LT(shown, 2 * metrics.lineSpacing()) << "a short text keeps one line";
            } else {
                EXPECT_GE(shown, 2 * metrics.lineSpacing()) << "a long text takes more than one line";
            }
        }
        if (width == 560) {
            EXPECT_GT(metrics.horizontalAdvance(list->topLevelItem(0)->text(1)), column)
                << "the sheet is narrow enough to need wrapping";
        }
    }
}

} // namespace

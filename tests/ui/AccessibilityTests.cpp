// SPDX-License-Identifier: GPL-3.0-or-later
// The windows as a screen reader and a keyboard meet them: every control the accessibility tree shows
// has a name, Tab reaches every control a person can use, and the one with the focus shows it.
#include "app/MainNib.h"
#include "batch/Converter.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/AppController.h"
#include "ui/RunSummaryDialog.h"
#include "ui/widgets/FocusRingStyle.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QHash>
#include <QMainWindow>
#include <QScopeGuard>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

#include <cstdlib>
#include <gtest/gtest.h>

namespace {

bool interactive(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::Slider:
    case QAccessible::SpinBox:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Table:
    case QAccessible::List:
    case QAccessible::Tree:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
        return true;
    default:
        return false;
    }
}

// The controls of the accessibility tree under \a root that are shown and enabled, each with its name.
void collect(QAccessibleInterface* node, QList<QPair<QWidget*, QString>>& found, int depth = 0)
{
    if (!node || depth > 40)
        return;
    const QAccessible::State state = node->state();
    if (state.invisible || state.disabled)
        return;
    auto* widget = qobject_cast<QWidget*>(node->object());
    if (widget && interactive(node->role()))
        found.append({ widget, node->text(QAccessible::Name) });
    // Rows and cells of a table are the table's own business.
    if (node->role() == QAccessible::Table || node->role() == QAccessible::Tree
        || node->role() == QAccessible::List)
        return;
    for (int i = 0; i < node->childCount(); ++i)
        collect(node->child(i), found, depth + 1);
}

// How many of \a widget's pixels have its palette's highlight colour, as it draws itself now.
int highlightPixels(QWidget* widget)
{
    const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor highlight = widget->palette().color(QPalette::Active, QPalette::Highlight);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int distance = std::abs(qRed(row[x]) - highlight.red())
                + std::abs(qGreen(row[x]) - highlight.green()) + std::abs(qBlue(row[x]) - highlight.blue());
            count += distance < 48 ? 1 : 0;
        }
    }
    return count;
}

// The widgets Tab visits from the first one that takes focus in \a window, once round, each with how
// many more pixels of the highlight colour it shows while it has the focus than without.
QHash<QWidget*, int> tabbedThrough(QWidget* window)
{
    QHash<QWidget*, int> visited;
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QWidget* start = window->nextInFocusChain();
    while (start != window
        && !(start->isVisible() && start->isEnabled() && (start->focusPolicy() & Qt::TabFocus)))
        start = start->nextInFocusChain();
    start->setFocus(Qt::TabFocusReason);
    for (int i = 0; i < 200 && QApplication::focusWidget(); ++i) {
        QWidget* focused = QApplication::focusWidget();
        if (visited.contains(focused))
            break;
        const int withFocus = highlightPixels(focused);
        focused->clearFocus();
        visited.insert(focused, withFocus - highlightPixels(focused));
        focused->setFocus(Qt::TabFocusReason);
        // What a Tab key press does.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(focused, &tab);
    }
    return visited;
}

// Every control of \a window has a name, is reached by Tab and shows plainly when it has the focus: a
// ring of the highlight colour, at least a line of pixels round a small button.
void expectNamedAndReachable(QWidget* window, const char* what)
{
    SCOPED_TRACE(what);
    QList<QPair<QWidget*, QString>> controls;
    collect(QAccessible::queryAccessibleInterface(window), controls);
    EXPECT_FALSE(controls.isEmpty());
    const QHash<QWidget*, int> reached = tabbedThrough(window);
    for (const auto& [widget, name] : controls) {
        const std::string id = (widget->metaObject()->className() + QStringLiteral(" ") + widget->objectName()
            + QStringLiteral(" \"") + name + u'"')
                                   .toStdString();
        EXPECT_FALSE(name.trimmed().isEmpty()) << id << " has no accessible name";
        EXPECT_TRUE(reached.contains(widget)) << id << " is not reached by Tab";
        EXPECT_GE(reached.value(widget), 60) << id << " does not show the focus";
    }
}

} // namespace

TEST(Accessibility, EveryControlOfTheWindowsHasANameIsReachedByTabAndShowsTheFocus)
{
    // The program's look over the plainest one, whose own focus frame is faint.
    const QString look = QApplication::style()->name();
    QApplication::setStyle(QStringLiteral("Fusion"));
    FocusRingStyle::install();
    const auto restoreLook = qScopeGuard([&look] { QApplication::setStyle(look); });
    Converter::converter()->clear();
    QTemporaryDir dir;
    MainNib nib;
    nib.load();
    QWidget* window = nib.mainWindow();
    window->show();
    QApplication::processEvents();
    expectNamedAndReachable(window, "the home page");

    // The list of files.
    ASSERT_TRUE(writePng(dir.filePath(QStringLiteral("a.png"))));
    Converter::converter()->addFile(dir.filePath(QStringLiteral("a.png")));
    nib.appController()->switchUI();
    QApplication::processEvents();
    expectNamedAndReachable(window, "the list");
    Converter::converter()->clear();

    QDialog* progress = nib.progressWindow();
    progress->show();
    QApplication::processEvents();
    expectNamedAndReachable(progress, "the progress window");
    progress->hide();

    RunReport report;
    report.folder = dir.path();
    report.total = 2;
    report.files.push_back({ dir.filePath(QStringLiteral("a.png")),
        { ConversionOutcome::Status::Written, dir.filePath(QStringLiteral("out/a.png")), {}, {} }, {} });
    report.files.push_back({ dir.filePath(QStringLiteral("b.jpg")),
        { ConversionOutcome::Status::Skipped, {}, QStringLiteral("not an image"), {} }, {} });
    RunSummaryDialog summary(report, [](const QUrl&) { return true; });
    summary.show();
    QApplication::processEvents();
    expectNamedAndReachable(&summary, "the summary");
}

// The list without a mouse: Tab to it, arrows to a file, Delete takes it out; Ctrl+Return starts a run.
TEST(Keyboard, DeleteRemovesTheSelectedFilesAndCtrlReturnAsksToConvert)
{
    Converter::converter()->clear();
    QTemporaryDir dir;
    MainNib nib;
    nib.load();
    QMainWindow* window = nib.mainWindow();
    for (const char* name : { "a.png", "b.png", "c.png" }) {
        ASSERT_TRUE(writePng(dir.filePath(QLatin1String(name))));
        Converter::converter()->addFile(dir.filePath(QLatin1String(name)));
    }
    nib.appController()->reloadImageData();
    nib.appController()->switchUI();
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    auto* table = window->findChild<QAbstractItemView*>(QStringLiteral("tableImages"));
    table->setFocus(Qt::TabFocusReason);
    QTest::keyClick(table, Qt::Key_Home);
    QTest::keyClick(table, Qt::Key_Down);
    QTest::keyClick(table, Qt::Key_Delete);
    QApplication::processEvents();
    EXPECT_EQ(Converter::converter()->allFilePaths(),
        (QStringList { dir.filePath(QStringLiteral("a.png")), dir.filePath(QStringLiteral("c.png")) }));

    auto* convert = window->findChild<QAction*>(QStringLiteral("actionConvert"));
    ASSERT_TRUE(convert);
    int asked = 0;
    const QObject counting;
    QObject::connect(convert, &QAction::triggered, &counting, [&asked] { ++asked; });
    // The run's dialogs are not wanted here: the command is taken away before it opens any.
    convert->setEnabled(true);
    QObject::disconnect(convert, &QAction::triggered, nib.appController(), nullptr);
    QTest::keyClick(table, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(asked, 1);
    Converter::converter()->clear();
}

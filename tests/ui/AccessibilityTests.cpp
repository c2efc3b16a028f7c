// SPDX-License-Identifier: GPL-3.0-or-later
// The windows as a screen reader and a keyboard meet them: every control the accessibility tree shows
// has a name, and Tab reaches every control a person can use.
#include "app/MainNib.h"
#include "batch/Converter.h"
#include "tests/ui/UiTestSupport.h"
#include "ui/AppController.h"
#include "ui/RunSummaryDialog.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QMainWindow>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>

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

// The widgets Tab visits from the first one that takes focus in \a window, once round.
QSet<QWidget*> tabbedThrough(QWidget* window)
{
    QSet<QWidget*> visited;
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
        visited.insert(focused);
        // What a Tab key press does.
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        QApplication::sendEvent(focused, &tab);
    }
    return visited;
}

// Every control of \a window has a name and is reached by Tab.
void expectNamedAndReachable(QWidget* window, const char* what)
{
    SCOPED_TRACE(what);
    QList<QPair<QWidget*, QString>> controls;
    collect(QAccessible::queryAccessibleInterface(window), controls);
    EXPECT_FALSE(controls.isEmpty());
    const QSet<QWidget*> reached = tabbedThrough(window);
    for (const auto& [widget, name] : controls) {
        const std::string id = (widget->metaObject()->className() + QStringLiteral(" ") + widget->objectName()
            + QStringLiteral(" \"") + name + u'"')
                                   .toStdString();
        EXPECT_FALSE(name.trimmed().isEmpty()) << id << " has no accessible name";
        EXPECT_TRUE(reached.contains(widget)) << id << " is not reached by Tab";
    }
}

} // namespace

TEST(Accessibility, EveryControlOfTheWindowsHasANameAndIsReachedByTab)
{
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

// SPDX-License-Identifier: GPL-3.0-or-later
// The application shell under the offscreen platform: the loaded layout, the delegate's preference
// controls against the INI file, and quitting when the main window closes.
#include "app/MainNib.h"
#include "app/MorvaneApplication.h"
#include "settings/Settings.h"
#include "tests/common/StoreTestSupport.h"
#include "tests/common/TestSupport.h"
#include "ui/AppController.h"
#include "ui/StatusWindowController.h"
#include "ui/widgets/SegmentedControl.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>
#include <memory>

namespace {

class Shell : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearStore();
        nib = std::make_unique<MainNib>();
    }
    void TearDown() override
    {
        nib.reset();
        clearStore();
    }

    void launch()
    {
        nib->load();
        nib->applicationDidFinishLaunching();
    }

    template<typename T> T* mainChild(const char* name) const
    {
        return nib->mainWindow()->findChild<T*>(QLatin1String(name));
    }

    std::unique_ptr<MainNib> nib;
};

TEST_F(Shell, RestoresTheControlsFromTheStoreAndLeavesItUnchanged)
{
    const struct
    {
        const char* ini; ///< the store's text before launch
        const char* label;
        int slider;
        bool checked;
        bool keepsJpegQuality = false;
    } cases[] = { { "", "70", 70, true },
        { "[General]\nImageQuality=42\nfixOrientation=false\nkeepJpegQuality=true\n", "42", 42, false, true },
        { "[General]\nImageQuality=0\n", "0", 0, true },
        { "[General]\nImageQuality=33.5\n", "33.5", 34, true },
        { "[General]\nImageQuality=150\n", "150", 100, true },
        { "[General]\nImageQuality=-5\n", "-5", 0, true },
        // A hand-edited value that is not a number leaves the slider where the layout put it.
        { "[General]\nImageQuality=nan\nfixOrientation=true\n", "nan", 70, true } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.ini);
        clearStore();
        if (*c.ini)
            setStoreText(QString::fromUtf8(c.ini));
        nib = std::make_unique<MainNib>();
        launch();
        EXPECT_EQ(mainChild<QLabel>("labelQuality")->text(), QString::fromUtf8(c.label));
        EXPECT_EQ(mainChild<QSlider>("sldQuality")->value(), c.slider);
        EXPECT_EQ(mainChild<QCheckBox>("chkOrientation")->isChecked(), c.checked);
        EXPECT_EQ(mainChild<QCheckBox>("chkKeepJpegQuality")->isChecked(), c.keepsJpegQuality);
        EXPECT_EQ(storeText(), QString::fromUtf8(c.ini)) << "restoring the controls must not write the store";
    }
}

TEST_F(Shell, SliderActionStoresItsWholeValueAndShowsItInTheLabel)
{
    launch();
    auto* slider = mainChild<QSlider>("sldQuality");
    auto* label = mainChild<QLabel>("labelQuality");
    for (const int value : { 0, 33, 100 }) {
        SCOPED_TRACE(value);
        slider->setValue(value);
        EXPECT_EQ(storedText(Settings::kImageQuality), QString::number(value));
        EXPECT_EQ(label->text(), QString::number(value));
    }
    // A step the user makes with the keyboard or a click on the groove.
    slider->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_EQ(storedText(Settings::kImageQuality), QStringLiteral("90"));
    EXPECT_EQ(label->text(), QStringLiteral("90"));
}

TEST_F(Shell, CheckBoxesStoreTrueOnlyWhenCheckedAndTheMixedStateAsFalse)
{
    launch();
    for (const auto& [name, key] : { std::pair { "chkOrientation", Settings::kFixOrientation },
             std::pair { "chkKeepJpegQuality", Settings::kKeepJpegQuality } }) {
        SCOPED_TRACE(name);
        auto* box = mainChild<QCheckBox>(name);
        ASSERT_TRUE(box);
        box->setTristate(true);
        box->setCheckState(Qt::Unchecked); // setting the state by code is no action
        EXPECT_TRUE(storedText(key).isNull());
        for (const Qt::CheckState state : { Qt::PartiallyChecked, Qt::Checked, Qt::Unchecked }) {
            box->click();
            ASSERT_EQ(box->checkState(), state);
            EXPECT_EQ(storedText(key), state == Qt::Checked ? "true" : "false") << state;
        }
    }
}

// The output format beside the check boxes: restored without a write, stored only by the user's choice.
TEST_F(Shell, OutputFormatChoiceIsRestoredQuietlyAndStoredByTheUser)
{
    for (const auto& [ini, index] : { std::pair { "", 0 }, std::pair { "[General]\noutputFormat=jpeg\n", 1 },
             std::pair { "[General]\noutputFormat=png\n", 0 } }) {
        SCOPED_TRACE(ini);
        clearStore();
        if (*ini)
            setStoreText(QString::fromUtf8(ini));
        nib = std::make_unique<MainNib>();
        launch();
        auto* format = mainChild<QComboBox>("cmbOutputFormat");
        ASSERT_TRUE(format);
        EXPECT_EQ(format->currentIndex(), index);
        EXPECT_EQ(storeText(), QString::fromUtf8(ini));
    }
    auto* format = mainChild<QComboBox>("cmbOutputFormat");
    format->setCurrentIndex(0); // by code: no choice of the user's
    const auto press = [format](Qt::Key key) {
        for (const QEvent::Type type : { QEvent::KeyPress, QEvent::KeyRelease }) {
            QKeyEvent event(type, key, Qt::NoModifier);
            QApplication::sendEvent(format, &event);
        }
    };
    EXPECT_EQ(storedText(Settings::kOutputFormat), QStringLiteral("png"))
        << "a change by code stores nothing";
    press(Qt::Key_Down);
    EXPECT_EQ(storedText(Settings::kOutputFormat), QStringLiteral("jpeg"));
    EXPECT_EQ(Settings::settings()->outputFormat(), OutputFormatChoice::Jpeg);
    press(Qt::Key_Up);
    EXPECT_EQ(storedText(Settings::kOutputFormat), QStringLiteral("same"));
}

// By the close button and by the Quit command.
TEST_F(Shell, ClosingTheMainWindowEndsTheEventLoopWithExitCodeZero)
{
    configureApplication(*qApp); // as the program runs: closing the last window alone would not quit
    for (const bool closeButton : { true, false }) {
        SCOPED_TRACE(closeButton);
        nib = std::make_unique<MainNib>();
        launch();
        QMainWindow* window = nib->mainWindow();
        ASSERT_TRUE(window->isVisible());
        QTimer::singleShot(0, window, [&] {
            if (closeButton)
                window->close();
            else
                mainChild<QAction>("actionQuit")->trigger();
        });
        // Should the close not quit, this ends the loop with another code so that the test fails.
        QTimer guard;
        guard.setSingleShot(true);
        QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
        guard.start(60000);
        EXPECT_EQ(QApplication::exec(), 0);
        EXPECT_FALSE(window->isVisible());
    }
}

// What the window's behaviour tests (over this same layout) do not reach.
TEST_F(Shell, LayoutConnectsTheOutletsTheBehaviourTestsDoNotReach)
{
    launch();
    for (const char* name : { "txtInfo", "progress", "cancelButton" })
        EXPECT_NE(nib->progressWindow()->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;
    auto* toolbar = mainChild<QToolBar>("toolbar");
    for (const char* name :
        { "actionAddImages", "actionAddFolder", "actionRemove", "actionClear", "actionConvert" })
        EXPECT_TRUE(toolbar->actions().contains(mainChild<QAction>(name))) << name;
    for (const char* name : { "addImagesButton", "addFolderButton" })
        EXPECT_NE(mainChild<QPushButton>(name), nullptr) << name;
    auto* slider = mainChild<QSlider>("sldQuality");
    EXPECT_EQ(std::pair(slider->minimum(), slider->maximum()), std::pair(0, 100));
    auto* bar = nib->progressWindow()->findChild<QProgressBar*>(QStringLiteral("progress"));
    EXPECT_EQ(std::pair(bar->minimum(), bar->maximum()), std::pair(0, 100));
    EXPECT_FALSE(nib->progressWindow()->isVisible());
    EXPECT_EQ(nib->appController()->statusWinController, nib->statusWindowController());
    EXPECT_EQ(nib->statusWindowController()->window(), nib->progressWindow());
}

} // namespace

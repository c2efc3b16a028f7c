// SPDX-License-Identifier: GPL-3.0-or-later
// The application shell under the offscreen platform: the loaded layout, the delegate's preference
// controls against the INI file, the toolkit-version flag, and quitting when the main window closes.
#include "app/MainNib.h"
#include "app/MorvaneAppDelegate.h"
#include "app/MorvaneApplication.h"
#include "app/Settings.h"
#include "engine/ImageSaving.h"
#include "tests/app/AppTestSupport.h"
#include "ui/AppController.h"
#include "ui/NamedImage.h"
#include "ui/SegmentedControl.h"
#include "ui/StatusWindowController.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLibraryInfo>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>
#include <iomanip>
#include <memory>

namespace {

class Shell : public ::testing::Test
{
protected:
    void SetUp() override
    {
        clearStore();
        isRunningOnSnowLeopardOrLater = true;
        nib = std::make_unique<MainNib>();
    }
    void TearDown() override
    {
        nib.reset();
        isRunningOnSnowLeopardOrLater = true;
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

TEST_F(Shell, EmptyStoreShowsSeventyAndTurnsPhotosUprightWithoutWritingAnything)
{
    launch();
    EXPECT_EQ(mainChild<QLabel>("labelQuality")->text(), QStringLiteral("70"));
    EXPECT_EQ(mainChild<QSlider>("sldQuality")->value(), 70);
    EXPECT_EQ(mainChild<QCheckBox>("chkOrientation")->checkState(), Qt::Checked);
    EXPECT_EQ(storeText(), QString()) << "restoring the controls must not write the store";
}

struct StoredPreferences
{
    const char* name;
    const char* ini; ///< the store's text before launch
    const char* label;
    int slider;
    bool checked;
};

void PrintTo(const StoredPreferences& c, std::ostream* os)
{
    *os << c.name;
}

class ShellRestores : public Shell, public ::testing::WithParamInterface<StoredPreferences>
{
};

TEST_P(ShellRestores, ControlsFromTheStoreAndLeavesItUnchanged)
{
    const StoredPreferences& c = GetParam();
    setStoreText(QString::fromUtf8(c.ini));
    launch();
    EXPECT_EQ(mainChild<QLabel>("labelQuality")->text(), QString::fromUtf8(c.label));
    EXPECT_EQ(mainChild<QSlider>("sldQuality")->value(), c.slider);
    EXPECT_EQ(mainChild<QCheckBox>("chkOrientation")->isChecked(), c.checked);
    EXPECT_EQ(storeText(), QString::fromUtf8(c.ini));
}

INSTANTIATE_TEST_SUITE_P(StoredValues, ShellRestores,
    ::testing::Values(StoredPreferences { "wholeQualityNoOrientation",
                          "[General]\nImageQuality=42\nfixOrientation=false\n", "42", 42, false },
        StoredPreferences { "zeroQuality", "[General]\nImageQuality=0\n", "0", 0, true },
        StoredPreferences { "fractionRoundsOnTheSlider", "[General]\nImageQuality=33.5\n", "33.5", 34, true },
        StoredPreferences { "aboveTheScaleStopsAtTheEnd", "[General]\nImageQuality=150\n", "150", 100, true },
        StoredPreferences { "belowTheScaleStopsAtTheStart", "[General]\nImageQuality=-5\n", "-5", 0, true },
        // A hand-edited value that is not a number leaves the slider where the layout put it.
        StoredPreferences {
            "notANumber", "[General]\nImageQuality=nan\nfixOrientation=true\n", "nan", 70, true }),
    [](const ::testing::TestParamInfo<StoredPreferences>& param) { return std::string(param.param.name); });

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

TEST_F(Shell, CheckBoxStoresTrueOnlyWhenChecked)
{
    launch();
    auto* box = mainChild<QCheckBox>("chkOrientation");
    ASSERT_TRUE(box->isChecked());

    box->click();
    EXPECT_EQ(storedText(Settings::kFixOrientation), QStringLiteral("false"));
    box->click();
    EXPECT_EQ(storedText(Settings::kFixOrientation), QStringLiteral("true"));

    // The mixed state is not "on": it stores false. Setting the state by code is no action.
    box->setTristate(true);
    box->setCheckState(Qt::Unchecked);
    EXPECT_EQ(storedText(Settings::kFixOrientation), QStringLiteral("true"));
    box->click();
    ASSERT_EQ(box->checkState(), Qt::PartiallyChecked);
    EXPECT_EQ(storedText(Settings::kFixOrientation), QStringLiteral("false"));
    box->click();
    ASSERT_EQ(box->checkState(), Qt::Checked);
    EXPECT_EQ(storedText(Settings::kFixOrientation), QStringLiteral("true"));
}

struct VersionCase
{
    double version;
    bool flag;
};

void PrintTo(const VersionCase& c, std::ostream* os)
{
    *os << std::setprecision(10) << c.version;
}

class ShellToolkitVersion : public Shell, public ::testing::WithParamInterface<VersionCase>
{
};

TEST_P(ShellToolkitVersion, WakingSetsTheFlagWhenTheVersionIsAtLeast1038)
{
    const VersionCase& c = GetParam();
    isRunningOnSnowLeopardOrLater = !c.flag;
    nib->connectOutlets();
    nib->connectActions();
    nib->delegate()->setToolkitVersion(c.version);
    nib->awakeFromNib();
    EXPECT_EQ(isRunningOnSnowLeopardOrLater.load(), c.flag) << "version " << c.version;
}

INSTANTIATE_TEST_SUITE_P(AroundTheThreshold, ShellToolkitVersion,
    ::testing::Values(VersionCase { 1038.0, true }, VersionCase { 1037.999, false },
        VersionCase { 1038.1, true }, VersionCase { 0.0, false }, VersionCase { 6004.002, true }));

TEST(ToolkitVersionNumber, RunningQtIsFarAboveTheThresholdAndReleasesKeepTheirOrder)
{
    EXPECT_EQ(toolkitVersionNumber(), toolkitVersionNumber(QLibraryInfo::version()));
    EXPECT_GE(toolkitVersionNumber(), 6000.0);
    EXPECT_EQ(toolkitVersionNumber(QVersionNumber(6, 4, 2)), 6004.002);

    const QVersionNumber releases[]
        = { { 2, 0, 0 }, { 5, 15, 16 }, { 6, 0, 0 }, { 6, 4, 2 }, { 6, 4, 10 }, { 6, 10, 0 }, { 7, 0, 0 } };
    EXPECT_GT(toolkitVersionNumber(releases[0]), kToolkitVersionNumber10_6);
    for (size_t i = 1; i < std::size(releases); ++i) {
        SCOPED_TRACE(qPrintable(releases[i].toString()));
        EXPECT_LT(toolkitVersionNumber(releases[i - 1]), toolkitVersionNumber(releases[i]));
    }
}

class ShellCloses : public Shell, public ::testing::WithParamInterface<const char*>
{
};

TEST_P(ShellCloses, MainWindowEndsTheEventLoopWithExitCodeZero)
{
    // As the program runs: closing the last window alone would not quit.
    configureApplication(*qApp);
    launch();
    QMainWindow* window = nib->mainWindow();
    ASSERT_TRUE(window->isVisible());
    const QString how = QString::fromLatin1(GetParam());
    QTimer::singleShot(0, window, [&] {
        if (how == QLatin1String("closeButton"))
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

INSTANTIATE_TEST_SUITE_P(
    ByCloseButtonOrQuitCommand, ShellCloses, ::testing::Values("closeButton", "quitCommand"));

TEST_F(Shell, LayoutProvidesEveryObjectByNameAndConnectsTheOutlets)
{
    launch();
    const struct
    {
        const char* name;
        const char* className;
    } mainObjects[] = { { "tabSwitcher", "QStackedWidget" }, { "home", "QWidget" }, { "content", "QWidget" },
        { "tableImages", "QTableView" }, { "scListStyle", "SegmentedControl" }, { "dropView", "QWidget" },
        { "toolbar", "QToolBar" }, { "sldQuality", "QSlider" }, { "labelQuality", "QLabel" },
        { "chkOrientation", "QCheckBox" }, { "addImagesButton", "QPushButton" },
        { "addFolderButton", "QPushButton" }, { "actionAddImages", "QAction" },
        { "actionAddFolder", "QAction" }, { "actionRemove", "QAction" }, { "actionClear", "QAction" },
        { "actionConvert", "QAction" } };
    for (const auto& object : mainObjects) {
        SCOPED_TRACE(object.name);
        const QObject* found = mainChild<QObject>(object.name);
        ASSERT_NE(found, nullptr);
        EXPECT_TRUE(found->inherits(object.className)) << found->metaObject()->className();
    }
    for (const char* name : { "txtInfo", "progress", "cancelButton" })
        EXPECT_NE(nib->progressWindow()->findChild<QWidget*>(QLatin1String(name)), nullptr) << name;

    // Pages by object name, in order, "home" showing; the table and the chooser on "content", the drop
    // view on "home"; the toolbar hidden and holding every command.
    auto* pages = mainChild<QStackedWidget>("tabSwitcher");
    ASSERT_EQ(pages->count(), 2);
    EXPECT_EQ(pages->widget(0)->objectName(), QStringLiteral("home"));
    EXPECT_EQ(pages->widget(1)->objectName(), QStringLiteral("content"));
    EXPECT_EQ(pages->currentWidget()->objectName(), QStringLiteral("home"));
    EXPECT_TRUE(pages->widget(1)->isAncestorOf(mainChild<QWidget>("tableImages")));
    EXPECT_TRUE(pages->widget(1)->isAncestorOf(mainChild<QWidget>("scListStyle")));
    EXPECT_TRUE(pages->widget(0)->isAncestorOf(mainChild<QWidget>("dropView")));
    auto* toolbar = mainChild<QToolBar>("toolbar");
    EXPECT_FALSE(toolbar->isVisible());
    for (const char* name :
        { "actionAddImages", "actionAddFolder", "actionRemove", "actionClear", "actionConvert" })
        EXPECT_TRUE(toolbar->actions().contains(mainChild<QAction>(name))) << name;

    auto* slider = mainChild<QSlider>("sldQuality");
    EXPECT_EQ(slider->minimum(), 0);
    EXPECT_EQ(slider->maximum(), 100);
    auto* bar = nib->progressWindow()->findChild<QProgressBar*>(QStringLiteral("progress"));
    EXPECT_EQ(bar->minimum(), 0);
    EXPECT_EQ(bar->maximum(), 100);
    EXPECT_FALSE(nib->progressWindow()->isVisible());
    auto* chooser = mainChild<SegmentedControl>("scListStyle");
    EXPECT_EQ(chooser->segmentCount(), 2);
    EXPECT_EQ(chooser->selectedSegment(), 0);

    const MorvaneAppDelegate* delegate = nib->delegate();
    EXPECT_EQ(delegate->window(), nib->mainWindow());
    EXPECT_EQ(delegate->sldQuality, slider);
    EXPECT_EQ(delegate->labelQuality, mainChild<QLabel>("labelQuality"));
    EXPECT_EQ(delegate->chkOrientation, mainChild<QCheckBox>("chkOrientation"));
    const AppController* controller = nib->appController();
    EXPECT_EQ(controller->tableImages, mainChild<QTableView>("tableImages"));
    EXPECT_EQ(controller->scListStyle, chooser);
    EXPECT_EQ(controller->statusWinController, nib->statusWindowController());
    EXPECT_EQ(controller->mainWindow, nib->mainWindow());
    EXPECT_EQ(controller->toolbar, toolbar);
    EXPECT_EQ(controller->tabSwitcher, pages);
    const StatusWindowController* status = nib->statusWindowController();
    EXPECT_EQ(status->window(), nib->progressWindow());
    EXPECT_EQ(status->txtInfo, nib->progressWindow()->findChild<QLabel*>(QStringLiteral("txtInfo")));
    EXPECT_EQ(status->progress, bar);
}

TEST_F(Shell, ListStyleChooserShowsTheAlterImageOfTheSelectedSegment)
{
    for (const char* name :
        { "list.png", "list-alter.png", "listicon.png", "listicon_alter.png", "morvane.png" })
        EXPECT_FALSE(imageNamed(QLatin1String(name)).isNull()) << name;

    launch();
    auto* chooser = mainChild<SegmentedControl>("scListStyle");
    const auto shows = [chooser](int segment, const char* name) {
        return chooser->image(segment).cacheKey() == imageNamed(QLatin1String(name)).cacheKey();
    };
    EXPECT_TRUE(shows(0, "list-alter.png"));
    EXPECT_TRUE(shows(1, "listicon.png"));
    auto* table = mainChild<QTableView>("tableImages");
    EXPECT_EQ(table->verticalHeader()->defaultSectionSize(), 18);

    chooser->segmentButton(1)->click();
    EXPECT_EQ(chooser->selectedSegment(), 1);
    EXPECT_TRUE(shows(0, "list.png"));
    EXPECT_TRUE(shows(1, "listicon_alter.png"));
    EXPECT_EQ(table->verticalHeader()->defaultSectionSize(), 80);
}

} // namespace

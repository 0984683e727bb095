#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>

#include <fstream>
#include <sstream>

#include "Profile.h"
#include "app/AboutDlg.h"
#include "commands/CommandIds.h"
#include "support/FrameFixture.h"
#include "support/TestFiles.h"
#include "window/ControlCommands.h"

using namespace vexlar;
using namespace vexlar::test;

using MainFrame = vexlar::test::FrameFixture;

namespace {

std::vector<std::string> MenuTexts(QMenu* menu)
{
    std::vector<std::string> texts;
    for (QAction* a : menu->actions())
        texts.push_back(a->isSeparator() ? "|" : a->text().toStdString());
    return texts;
}

}  // namespace

TEST_F(MainFrame, TheViewStartsAcquiringBeforeAnyBarExists)
{
    bool barsAtFirstScanRequest = true;
    driver().onCall = [&](const DriverCall& call) {
        if (call.name == "QDV_SingleScan" && driver().Count("QDV_SingleScan") == 1)
            barsAtFirstScanRequest = frame && (frame->controlBar() || frame->toolBar());
    };
    Start();
    EXPECT_FALSE(barsAtFirstScanRequest);
    EXPECT_EQ(frame->windowTitle(), "Untitled - Vexlar");
    EXPECT_EQ(frame->statusText(), "Ready");
}

TEST_F(MainFrame, TheControlBarShowsTheWorkingValuesAndTheSavedTexts)
{
    Start();
    EXPECT_TRUE(bar()->IsChecked(IDC_CONTINUOUS));
    EXPECT_FALSE(bar()->IsChecked(IDC_ADDITIVE));
    EXPECT_FALSE(bar()->IsChecked(IDC_LASER));
    EXPECT_EQ(bar()->Text(IDC_AVERAGE), "1");
    EXPECT_EQ(bar()->Text(IDC_BOXCAR), "1");
    EXPECT_EQ(bar()->Text(IDC_INTEGRATION_TIME), "100");
    EXPECT_EQ(bar()->Text(IDC_CHANNEL), "Master");
    EXPECT_EQ(bar()->Text(IDC_LASER_WAVELENGTH), "632.8");
    EXPECT_EQ(bar()->Text(IDC_X_AXIS), "Wavelength (nm)");
    // Only texts: no list item is selected.
    EXPECT_EQ(bar()->SelectedIndex(IDC_CHANNEL), -1);
    EXPECT_EQ(bar()->SelectedIndex(IDC_X_AXIS), -1);
    EXPECT_EQ(bar()->SelectedIndex(IDC_INTEGRATION_TIME), -1);
}

TEST_F(MainFrame, MenusAndToolBarAreLaidOutAsTheOperatorKnowsThem)
{
    Start();
    const QList<QAction*> menus = frame->menuBar()->actions();
    std::vector<std::string> titles;
    for (QAction* m : menus)
        titles.push_back(m->text().toStdString());
    EXPECT_EQ(titles, (std::vector<std::string>{"&File", "&View", "&Setup", "&Time Acquisition", "&Peaks", "&Help"}));

    using T = std::vector<std::string>;
    EXPECT_EQ(MenuTexts(menus[0]->menu()),
              (T{"&New\tCtrl+N", "&Open...\tCtrl+O", "&Save Graph\tCtrl+S", "&Export Spectrum\tCtrl+E", "Export &As...",
                 "Save &Figure...", "|", "&Print...\tCtrl+P", "P&rint Setup...", "|", "Recent File", "|", "E&xit"}));
    EXPECT_EQ(MenuTexts(menus[1]->menu()),
              (T{"&Clear All Annotations", "|", "&Peak Labels", "Cursor", "|", "Remove Spi&kes", "Subtract &Baseline",
                 "Baseline Setti&ngs...", "|", "&Toolbar", "&Status Bar"}));
    EXPECT_EQ(MenuTexts(menus[2]->menu()),
              (T{"Configure &Hardware", "Configure &Spectrometer", "|", "Calibrate from &Lamp...",
                 "Check &Raman Shift...", "|", "Remote &Control..."}));
    EXPECT_EQ(MenuTexts(menus[3]->menu()), (T{"&Configure", "|", "&Start", "Sto&p"}));
    EXPECT_EQ(MenuTexts(menus[4]->menu()), (T{"Mark &All Peaks", "Peak &Settings...", "|", "&Mark Peak at Cursor",
                                              "Show Peak &Table", "P&rint Peak Table", "R&eset Peak Table"}));
    EXPECT_EQ(MenuTexts(menus[5]->menu()), (T{"&About Vexlar..."}));

    // The tool bar: ids in order, a 0 for each separator.
    std::vector<int> ids;
    for (QAction* a : frame->toolBar()->actions())
        ids.push_back(a->isSeparator() ? 0 : a->data().toInt());
    EXPECT_EQ(
        ids, (std::vector<int>{57600, 57601, 57603, 57607, 0,     32774, 32775, 32776, 0, 32850, 0,     32839, 0,
                               32799, 32800, 32801, 0,     32833, 32834, 32835, 32836, 0, 32837, 32838, 0,     32852}));
    EXPECT_EQ(frame->action(ID_STORE_DARK)->toolTip(), "Store Dark");
    EXPECT_EQ(frame->action(ID_STORE_DARK)->statusTip(), "Stores a dark spectrum");
    EXPECT_EQ(frame->action(ID_RESET)->statusTip(), "Resets acquisition");
    EXPECT_FALSE(frame->action(ID_RESET)->icon().isNull());
    EXPECT_EQ(frame->action(ID_FILE_NEW)->shortcut(), QKeySequence("Ctrl+N"));
    EXPECT_TRUE(frame->action(ID_EXPORT_SPECTRUM)->shortcut().isEmpty()) << "no accelerator for Ctrl+E";

    // Docking: the tool bar a vertical column at the left, the control bar
    // at the top.
    EXPECT_EQ(frame->toolBarArea(frame->toolBar()), Qt::LeftToolBarArea);
    EXPECT_EQ(frame->toolBar()->orientation(), Qt::Vertical);
    EXPECT_EQ(frame->toolBarArea(bar()), Qt::TopToolBarArea);
    EXPECT_TRUE(bar()->isAreaAllowed(Qt::BottomToolBarArea));
    EXPECT_FALSE(bar()->isAreaAllowed(Qt::LeftToolBarArea));
}

TEST_F(MainFrame, EnablingAndCheckMarksFollowTheWorkspace)
{
    Start();
    for (int id : {ID_PRINT_PEAK_TABLE, ID_CURSOR_NEXT_PEAK_LEFT, ID_CURSOR_NEXT_PEAK_RIGHT, ID_FILE_MRU_FILE1})
        EXPECT_FALSE(frame->action(id)->isEnabled()) << id;
    for (int id : {ID_STORE_DARK, ID_SUBTRACT_DARK, ID_ADDITIVE_MODE, ID_RESET, ID_CONFIGURE_HARDWARE, ID_APP_EXIT,
                   ID_APP_ABOUT, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR})
        EXPECT_TRUE(frame->action(id)->isEnabled()) << id;

    EXPECT_FALSE(frame->action(ID_SUBTRACT_DARK)->isChecked());
    Scan(0, 10.0f);
    frame->action(ID_STORE_DARK)->trigger();
    frame->action(ID_SUBTRACT_DARK)->trigger();
    Scan(0, 15.0f);
    EXPECT_EQ(ShownY(0), 5.0) << "the dark is subtracted";
    EXPECT_TRUE(frame->action(ID_SUBTRACT_DARK)->isChecked());
    // A change made elsewhere shows at the next update.
    view()->instrument().ToggleSubtractDark();
    frame->UpdateCommandUI();
    EXPECT_FALSE(frame->action(ID_SUBTRACT_DARK)->isChecked());

    EXPECT_TRUE(frame->action(ID_VIEW_TOOLBAR)->isChecked());
    frame->action(ID_VIEW_TOOLBAR)->trigger();
    EXPECT_FALSE(frame->toolBar()->isVisible());
    EXPECT_FALSE(frame->action(ID_VIEW_TOOLBAR)->isChecked());
}

TEST_F(MainFrame, ShutdownSavesTheBarTextsFirstThenTheSettingsThenReleasesTheDriver)
{
    Start();
    bar()->SetText(IDC_CHANNEL, "Slave 2");
    std::string fileAtStop;
    driver().onCall = [&](const DriverCall& call) {
        if (call.name == "QDV_Stop")
            fileAtStop = ReadSettingsFile();
    };
    driver().ClearCalls();
    frame.reset();

    EXPECT_EQ(fileAtStop.rfind("[DialogBar]", 0), 0u) << fileAtStop;
    EXPECT_NE(fileAtStop.find("Channel=Slave 2"), std::string::npos);
    EXPECT_NE(fileAtStop.find("[Acquisition]"), std::string::npos) << "the view saved before stopping the driver";
    const std::vector<std::string> names = driver().Names();
    ASSERT_GE(names.size(), 3u);
    EXPECT_EQ(names[names.size() - 2], "QDV_Stop");
    EXPECT_EQ(names.back(), "QDV_UnRegister");
}

TEST_F(MainFrame, ClosingTheWindowSwitchesTheLaserOffAtOnce)
{
    Start();
    bar()->SetChecked(IDC_LASER, true);
    view()->OnBarParam(BAR_LASER_CLICKED);
    ASSERT_EQ(driver().calls.back().name, "QDV_V7400StrobeEnable");
    ASSERT_EQ(driver().calls.back().argument, 1);
    frame->close();
    const auto strobes = driver().CallsNamed("QDV_V7400StrobeEnable");
    ASSERT_FALSE(strobes.empty());
    EXPECT_EQ(strobes.back().argument, 0);
}

TEST_F(MainFrame, TheAboutBoxShowsItsPictureAndVersion)
{
    const QImage picture = CAboutDlg::Picture();
    EXPECT_EQ(picture.size(), QSize(462, 312));
    CAboutDlg about;
    EXPECT_EQ(about.windowTitle(), "About Vexlar");
    auto* version = about.findChild<QLabel*>("version");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), "Vexlar Version 1.05.00");
}

// The spectrum-file commands from the main frame's menu, with the real
// control bar and caption.

#include <QAction>
#include <QComboBox>

#include <filesystem>

#include "commands/CommandIds.h"
#include "support/FileOperator.h"
#include "support/FrameFixture.h"
#include "support/TempDir.h"

using namespace vexlar;
using namespace vexlar::test;

TEST_F(FrameFixture, SaveOpenAndExportRunFromTheMenuAndOpenShowsTheFileOnTheBars)
{
    Start();
    TempDir dir;
    FileOperator op;
    for (int id : {ID_FILE_OPEN, ID_SAVE_GRAPH, ID_EXPORT_SPECTRUM})
        EXPECT_TRUE(frame->action(id)->isEnabled()) << id;

    view()->instrument().SetXAxisMode(1);
    op.Choose(dir.file("sample.ram"));
    frame->action(ID_SAVE_GRAPH)->trigger();
    EXPECT_TRUE(std::filesystem::exists(dir.file("sample.ram")));
    op.Choose(dir.file("sample.exp"));
    frame->action(ID_EXPORT_SPECTRUM)->trigger();
    EXPECT_TRUE(std::filesystem::exists(dir.file("sample.exp")));

    // Back to wavelength on the bar, then open the Raman graph.
    view()->instrument().SetXAxisMode(0);
    bar()->SelectItem(IDC_X_AXIS, 0);
    op.Choose(dir.file("sample.ram"));
    frame->action(ID_FILE_OPEN)->trigger();
    Deliver();
    EXPECT_EQ(ScaleOf(chart()).xTitle, "Raman Shift (cm-1)");
    EXPECT_EQ(bar()->SelectedIndex(IDC_X_AXIS), 1);
    EXPECT_EQ(bar()->Text(IDC_X_AXIS), "Raman Shift (cm-1)");
    EXPECT_TRUE(frame->windowTitle().contains("sample.ram")) << frame->windowTitle().toStdString();
    EXPECT_FALSE(bar()->IsChecked(IDC_CONTINUOUS)) << "the bar no longer says Continuous";
    const std::vector<double> opened = ShownYs(chart());
    Scan(0, 999.0f);
    EXPECT_EQ(ShownYs(chart()), opened) << "acquisition has stopped";
    EXPECT_TRUE(messages.messages().empty());
}

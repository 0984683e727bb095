// Time Acquisition > Configure: the dialog, its checks and the browse button.

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>

#include <filesystem>

#include "files/FileDialogs.h"
#include "support/DialogOperator.h"
#include "support/OperatorInput.h"
#include "support/TempDir.h"
#include "timed/TimeAcquisitionDlg.h"
#include "timed/TimedFixture.h"

using namespace vexlar;
using namespace vexlar::test;
using Dlg = CTimeAcquisitionDlg;
using vexlar::sys::OperatorMessage;

namespace {

const OperatorMessage kNoName{"You must specify a valid base filename", "Vexlar Error"};
const OperatorMessage kWarmup{"You specified a laser warmup time greater than the delay between scans.\n"
                              "Either reduce the laser warmup time or increase the delay between acquisitions.",
                              "Vexlar Error"};
const OperatorMessage kNotUnsigned{"Please enter an unsigned integer.", "Vexlar Error"};

// The operator of the next file dialogs.
using FileOperator = ScopedDialogOperator<CFileDialog>;

void Fill(Dlg& d, const char* warmup, const char* delay, bool toggle, const char* name)
{
    d.edit(Dlg::kLaserWarmupTimeId)->setText(warmup);
    d.edit(Dlg::kDelayBetweenId)->setText(delay);
    d.check(Dlg::kToggleLaserId)->setChecked(toggle);
    d.edit(Dlg::kBaseFilenameId)->setText(name);
}

using TimeAcqDialog = TimedFixture;

}  // namespace

TEST_F(TimeAcqDialog, DefaultsAreShownAndCancelChangesNothing)
{
    CreateView();  // no settings file: the defaults
    bool ran = false;
    {
        TimeAcqOperator op([&](Dlg& d) {
            ran = true;
            EXPECT_EQ(d.windowTitle(), "Time Acquisition");
            EXPECT_FALSE(d.check(Dlg::kToggleLaserId)->isChecked());
            EXPECT_FALSE(d.check(Dlg::kStoreDarkId)->isChecked());
            EXPECT_EQ(d.check(Dlg::kToggleLaserId)->text(), "&Toggle Laser On/Off");
            EXPECT_EQ(d.check(Dlg::kStoreDarkId)->text(), "&Store Dark Before Each Acquisition");
            EXPECT_EQ(d.edit(Dlg::kLaserWarmupTimeId)->text(), "10");
            EXPECT_EQ(d.edit(Dlg::kDelayBeforeFirstId)->text(), "60");
            EXPECT_EQ(d.edit(Dlg::kDelayBetweenId)->text(), "60");
            EXPECT_EQ(d.edit(Dlg::kNumberOfAcquisitionsId)->text(), "100");
            EXPECT_EQ(d.edit(Dlg::kBaseFilenameId)->text(), "Temp");
            EXPECT_EQ(d.formatList()->currentIndex(), 0);
            EXPECT_EQ(d.formatList()->itemText(0), "Standard (*.ram)");
            EXPECT_EQ(d.formatList()->itemText(1), "Exported (*.exp)");
            EXPECT_EQ(d.browseButton()->text(), "...");
            Fill(d, "5", "30", true, "other");
            d.reject();
        });
        view->setup().OnTimeAcqConfigure();
    }
    EXPECT_TRUE(ran);
    const Shown shown = ShownInDialog();
    EXPECT_FALSE(shown.toggleLaser);
    EXPECT_EQ(shown.warmup, "10");
    EXPECT_EQ(shown.delay, "60");
    EXPECT_EQ(shown.base, "Temp");
    // Saved at exit as they were: the defaults, in the section's key order.
    CloseProgram();
    EXPECT_NE(ReadWholeFile(SettingsPath())
                  .find("[TimeAcquisition]\nStoreDark=0\nToggleLaser=0\nLaserWarmupTime=10\n"
                        "DelayBetweenAcquisitions=60\nNumberOfAcquisitions=100\nBaseFilename=Temp\n"
                        "DelayBeforeFirstAcquisition=60\nFileFormat=0\n"),
              std::string::npos)
        << ReadWholeFile(SettingsPath());
}

TEST_F(TimeAcqDialog, OkTakesEveryValueAfterTheChecksInOrder)
{
    WriteSettings("[TimeAcquisition]\nFileFormat=2\n");  // only an edited settings file gives this
    CreateView();
    {
        TimeAcqOperator op([&](Dlg& d) {
            EXPECT_EQ(d.formatList()->currentIndex(), -1) << "no item for format 2";
            // Letters are refused before the empty name is looked at.
            Fill(d, "10", "60", false, "");
            d.edit(Dlg::kNumberOfAcquisitionsId)->setText("abc");
            d.accept();
            EXPECT_EQ(messages.messages(), std::vector<OperatorMessage>{kNotUnsigned});
            d.edit(Dlg::kNumberOfAcquisitionsId)->setText("-3");
            d.accept();
            EXPECT_EQ(messages.messages().size(), 2u);
            messages.clear();
            // The empty name is refused, a single space is a name.
            d.edit(Dlg::kNumberOfAcquisitionsId)->setText("0");
            d.accept();
            EXPECT_EQ(messages.messages(), std::vector<OperatorMessage>{kNoName});
            messages.clear();
            // A toggled laser must warm up within the delay.
            Fill(d, "61", "60", true, " ");
            d.accept();
            EXPECT_EQ(messages.messages(), std::vector<OperatorMessage>{kWarmup});
            messages.clear();
            // A name longer than 259 characters is refused, not cut.
            Fill(d, "60", "60", true, QString(260, 'n').toLatin1().constData());
            d.accept();
            EXPECT_EQ(messages.messages().size(), 1u);
            EXPECT_EQ(messages.messages()[0].title, "Vexlar Error");
            EXPECT_EQ(d.result(), QDialog::Rejected) << "still open";
            messages.clear();
            Fill(d, "60", "60", true, " ");
            d.check(Dlg::kStoreDarkId)->setChecked(true);
            d.edit(Dlg::kDelayBeforeFirstId)->setText("4294967295");
            d.accept();
        });
        view->setup().OnTimeAcqConfigure();
    }
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_EQ(ShownInDialog().base, " ");
    CloseProgram();
    EXPECT_EQ(Saved("ToggleLaser"), "1");
    EXPECT_EQ(Saved("StoreDark"), "1");
    EXPECT_EQ(Saved("LaserWarmupTime"), "60");
    EXPECT_EQ(Saved("DelayBetweenAcquisitions"), "60");
    EXPECT_EQ(Saved("DelayBeforeFirstAcquisition"), "4294967295");
    EXPECT_EQ(Saved("NumberOfAcquisitions"), "0");
    EXPECT_EQ(Saved("FileFormat"), "2") << "no selection keeps the format";
    CreateView();

    // Without toggling a warm-up beyond the delay passes; 259 characters fit.
    const std::string longest(259, 'n');
    {
        TimeAcqOperator op([&](Dlg& d) {
            Fill(d, "61", "60", false, longest.c_str());
            d.formatList()->setCurrentIndex(1);
            d.accept();
        });
        view->setup().OnTimeAcqConfigure();
    }
    EXPECT_TRUE(messages.messages().empty());
    const Shown shown = ShownInDialog();
    EXPECT_EQ(shown.warmup, "61");
    EXPECT_FALSE(shown.toggleLaser);
    EXPECT_EQ(shown.base, longest);
    EXPECT_EQ(shown.format, 1);
    CloseProgram();
    EXPECT_EQ(Saved("FileFormat"), "1");
    EXPECT_EQ(Saved("BaseFilename"), longest);
}

TEST_F(TimeAcqDialog, BrowseFillsTheNameAndCancelKeepsTheSetting)
{
    CreateView();
    const std::string chosen = (std::filesystem::current_path() / "series").string();
    // Earlier runs' files, one without an extension.
    const std::filesystem::path earlier = std::filesystem::current_path() / "earlier";
    std::filesystem::create_directory(earlier);
    for (const char* name : {"run1", "run1.00001.ram"})
        ASSERT_TRUE(vexlar::test::WriteWholeFile((earlier / name).string(), "x"));
    int fileDialogs = 0;
    {
        FileOperator files([&](CFileDialog& f) {
            ++fileDialogs;
            EXPECT_EQ(f.windowTitle(), "Time Acquisition Base Filename");
            EXPECT_EQ(f.nameFilters(), QStringList{"All Files (*.*)"});
            EXPECT_EQ(ListedNames(f, QString::fromStdString(earlier.string())).join(' ').toStdString(),
                      "run1 run1.00001.ram");
            EXPECT_TRUE(f.defaultSuffix().isEmpty());
            EXPECT_EQ(f.acceptMode(), QFileDialog::AcceptSave);
            f.selectFile(QString::fromStdString(chosen));
            f.accept();
        });
        TimeAcqOperator op([&](Dlg& d) {
            d.browseButton()->click();
            EXPECT_EQ(d.edit(Dlg::kBaseFilenameId)->text().toStdString(), chosen);
            d.reject();
        });
        view->setup().OnTimeAcqConfigure();
    }
    EXPECT_EQ(fileDialogs, 1);
    EXPECT_EQ(ShownInDialog().base, "Temp");
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(chosen))) << "no file is created";

    // Cancelling the file dialog leaves the edit alone; OK takes a browsed name.
    {
        FileOperator cancel([](CFileDialog& f) { f.reject(); });
        TimeAcqOperator op([&](Dlg& d) {
            d.OnBrowse();
            EXPECT_EQ(d.edit(Dlg::kBaseFilenameId)->text(), "Temp");
            d.reject();
        });
        view->setup().OnTimeAcqConfigure();
    }
    {
        FileOperator choose([&](CFileDialog& f) {
            f.selectFile(QString::fromStdString(chosen));
            f.accept();
        });
        TimeAcqOperator op([&](Dlg& d) {
            d.OnBrowse();
            d.accept();
        });
        view->setup().OnTimeAcqConfigure();
    }
    EXPECT_EQ(ShownInDialog().base, chosen);
}

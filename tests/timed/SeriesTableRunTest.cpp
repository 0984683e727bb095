// The series table: chosen in the Time Acquisition dialog with its real
// widgets and kept in vexlar.ini, then written scan by scan by a series
// under virtual time, in both layouts; with the table off, a series writes
// exactly the files it always did.

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "Profile.h"
#include "support/DecimalCommaLanguage.h"
#include "support/Python.h"
#include "support/TempDir.h"
#include "timed/TimeAcquisitionDlg.h"
#include "timed/TimedFixture.h"

using namespace vexlar;
using namespace vexlar::test;
using Dlg = CTimeAcquisitionDlg;

namespace {

// Three scans one second apart, no laser toggling, spectrum files "Temp".
std::string SeriesSettings(const std::string& seriesTable)
{
    return SeriesSection(PlainSeries(), seriesTable);
}

// The table's lines after its "#" block.
std::vector<std::string> TableRows(const std::string& text)
{
    std::vector<std::string> rows;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        EXPECT_FALSE(line.empty() || line.back() != '\r') << "CR LF line ends";
        line.pop_back();
        if (line.rfind("#", 0) != 0)
            rows.push_back(line);
    }
    return rows;
}

std::set<std::string> FilesHere()
{
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator("."))
        names.insert(entry.path().filename().string());
    return names;
}

class SeriesTableRun : public TimedFixture {
protected:
    void BeginWith(const std::string& settings)
    {
        WriteSettings(settings);
        clock = std::make_unique<vexlar::sys::VirtualClock>(1'000'000);
        CreateView();
    }

    // Scan 0 (thrown away) and three saved scans, 20 ms each; then the end.
    // between runs after each saved scan.
    void RunSeries(const std::function<void(int saved)>& between = {})
    {
        Tell(view->instrument().StartSeries());
        for (int k = 0; k <= 3; ++k) {
            Fire(1000);
            clock->Advance(20);
            Complete(100.0f + static_cast<float>(k));
            if (between && k > 0)
                between(k);
        }
        Fire(1000);
        EXPECT_EQ(host.status.rfind("Ready", 0), 0u) << host.status;
    }
};

}  // namespace

using SeriesTableSetting = TimedFixture;

TEST_F(SeriesTableSetting, TheSeriesTableIsChosenInTheDialogAndKeptInTheSettingsFile)
{
    WriteSettings("[TimeAcquisition]\nBaseFilename=Temp\n");  // an older file: no key, no table
    CreateView();
    {
        TimeAcqOperator op([&](Dlg& d) {
            QCheckBox* table = d.check(Dlg::kSeriesTableId);
            ASSERT_NE(table, nullptr);
            EXPECT_EQ(table->text(), "Also write the series as one table");
            EXPECT_FALSE(table->isChecked());
            EXPECT_FALSE(d.tableLayoutList()->isEnabled()) << "no layout to choose without a table";
            EXPECT_EQ(d.tableLayoutList()->itemText(0), "One row per scan");
            EXPECT_EQ(d.tableLayoutList()->itemText(1), "One row per pixel");
            // The operator ticks it and picks the layout, by the keyboard.
            table->setFocus();
            QTest::keyClick(table, Qt::Key_Space);
            EXPECT_TRUE(table->isChecked());
            EXPECT_TRUE(d.tableLayoutList()->isEnabled());
            d.tableLayoutList()->setFocus();
            QTest::keyClick(d.tableLayoutList(), Qt::Key_Down);
            EXPECT_EQ(d.tableLayoutList()->currentIndex(), 1);
            d.accept();
        });
        view->setup().OnTimeAcqConfigure();
    }
    CloseProgram();  // the settings are written at exit
    std::string ini = ReadWholeFile(SettingsPath());
    EXPECT_NE(ini.find("\nSeriesTable=2\n"), std::string::npos) << ini;

    // Shown again at the next start; Cancel keeps it, unticking clears it.
    CreateView();
    {
        TimeAcqOperator op([&](Dlg& d) {
            EXPECT_TRUE(d.check(Dlg::kSeriesTableId)->isChecked());
            EXPECT_TRUE(d.tableLayoutList()->isEnabled());
            EXPECT_EQ(d.tableLayoutList()->currentIndex(), 1);
            d.check(Dlg::kSeriesTableId)->setChecked(false);
            EXPECT_FALSE(d.tableLayoutList()->isEnabled());
            d.accept();
        });
        view->setup().OnTimeAcqConfigure();
    }
    CloseProgram();
    ini = ReadWholeFile(SettingsPath());
    EXPECT_NE(ini.find("\nSeriesTable=0\n"), std::string::npos) << ini;

    // A value no version of the program writes means no table.
    WriteSettings("[TimeAcquisition]\nSeriesTable=7\n");
    CreateView();
    {
        TimeAcqOperator op([&](Dlg& d) {
            EXPECT_FALSE(d.check(Dlg::kSeriesTableId)->isChecked());
            d.reject();
        });
        view->setup().OnTimeAcqConfigure();
    }
}

TEST_F(SeriesTableRun, OneRowPerScanIsWrittenScanByScanBesideTheSeriesFiles)
{
    DecimalCommaLanguage comma;  // the times and values keep their decimal point
    ASSERT_TRUE(comma.made()) << comma.failure();
    ASSERT_TRUE(comma.UseForNumbers());
    BeginWith(SeriesSettings("SeriesTable=1\n"));
    std::vector<std::size_t> rowsSoFar;
    RunSeries([&](int) { rowsSoFar.push_back(TableRows(ReadWholeFile("Temp.series.csv")).size()); });
    EXPECT_EQ(rowsSoFar, (std::vector<std::size_t>{2, 3, 4})) << "the heading, then a row as each scan is saved";

    const std::string table = ReadWholeFile("Temp.series.csv");
    EXPECT_EQ(table.rfind("# Vexlar series table\r\n# Program: Vexlar 1.05.00\r\n# Date: ", 0), 0u);
    for (const char* line :
         {"# Source: live acquisition\r\n", "# Integration time (ms): 100\r\n", "# Base file name: Temp\r\n",
          "# Number of acquisitions: 3\r\n", "# Delay between acquisitions (s): 1\r\n", "# Toggle laser: no\r\n",
          "# Table layout: one row per scan, one column per pixel\r\n"})
        EXPECT_NE(table.find(line), std::string::npos) << line;
    const std::vector<std::string> rows = TableRows(table);
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].rfind("time (s),file,350,350.50004999999874,", 0), 0u) << rows[0].substr(0, 60);
    std::string values[3];
    for (int k = 1; k <= 3; ++k) {
        const std::string field = std::to_string(100 + k);
        for (int i = 0; i < kPixels; ++i) {
            values[k - 1] += ',';
            values[k - 1] += field;
        }
    }
    EXPECT_EQ(rows[1], "0.00,Temp.00001.ram" + values[0]);
    EXPECT_EQ(rows[2], "1.02,Temp.00002.ram" + values[1]) << "the time-stamp file's times";
    EXPECT_EQ(rows[3], "2.04,Temp.00003.ram" + values[2]);
    EXPECT_EQ(ReadWholeFile("Temp.TimeStamps"),
              std::string(kHeader) + "Temp.00001.ram\t0.00\r\nTemp.00002.ram\t1.02\r\nTemp.00003.ram\t2.04\r\n");
    EXPECT_TRUE(messages.messages().empty());
}

TEST_F(SeriesTableRun, OneRowPerPixelHasAColumnPerScan)
{
    BeginWith(SeriesSettings("SeriesTable=2\n"));
    RunSeries();
    const std::string table = ReadWholeFile("Temp.series.csv");
    EXPECT_NE(table.find("\r\n# time (s),0.00,1.02,2.04\r\nwavelength (nm),"), std::string::npos)
        << "the times as the time-stamp file gives them, in a \"#\" line just above the heading";
    const std::vector<std::string> rows = TableRows(table);
    ASSERT_EQ(rows.size(), 1u + kPixels);
    EXPECT_EQ(rows[0], "wavelength (nm),Temp.00001.ram,Temp.00002.ram,Temp.00003.ram");
    EXPECT_EQ(rows[1], "350,101,102,103");
    EXPECT_EQ(rows[2], "350.50004999999874,101,102,103");

    // Read as a scientist reads it: the csv module finds the heading and the
    // times, numpy takes every row below the heading as numbers.
    const std::string python = PythonWithNumpy();
    if (python.empty())
        GTEST_SKIP() << "python3 with numpy is not installed; the table is not read back by them";
    TempDir dir;
    const std::string script = dir.file("read.py");
    ASSERT_TRUE(WriteWholeFile(script,
                               "import csv, sys, numpy\n"
                               "path, out = sys.argv[1], sys.argv[2]\n"
                               "with open(path, newline='', encoding='utf-8') as f:\n"
                               "    lines = list(csv.reader(f))\n"
                               "times = next(r for r in lines if r and r[0] == '# time (s)')[1:]\n"
                               "first = next(i for i, r in enumerate(lines) if r and not r[0].startswith('#'))\n"
                               "table = numpy.loadtxt(path, delimiter=',', comments='#', skiprows=first + 1, ndmin=2)\n"
                               "with open(out, 'w') as o:\n"
                               "    o.write('|'.join(lines[first]) + '\\n')\n"
                               "    o.write(' '.join(repr(float(t)) for t in times) + '\\n')\n"
                               "    o.write(str(table.dtype) + ' ' + ' '.join(str(n) for n in table.shape) + '\\n')\n"
                               "    o.write(' '.join(repr(v) for v in table[1]) + '\\n')\n"));
    const std::string out = dir.file("read.txt");
    const std::string command = python + " " + ShellQuoted(script) + " " +
                                ShellQuoted(std::filesystem::absolute("Temp.series.csv").string()) + " " +
                                ShellQuoted(out);
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(ReadWholeFile(out), "wavelength (nm)|Temp.00001.ram|Temp.00002.ram|Temp.00003.ram\n"
                                  "0.0 1.02 2.04\n"
                                  "float64 2048 4\n"
                                  "350.50004999999874 101.0 102.0 103.0\n");
}

TEST_F(SeriesTableRun, WithoutTheTableASeriesWritesWhatItAlwaysDid)
{
    BeginWith(SeriesSettings(""));
    const std::set<std::string> before = FilesHere();
    RunSeries();
    std::set<std::string> written;
    for (const std::string& name : FilesHere()) {
        if (!before.count(name))
            written.insert(name);
    }
    EXPECT_EQ(written,
              (std::set<std::string>{"Temp.00001.ram", "Temp.00002.ram", "Temp.00003.ram", "Temp.TimeStamps"}));
}

TEST_F(SeriesTableRun, ATableThatCannotBeWrittenIsReportedAndTheSeriesGoesOn)
{
    BeginWith(SeriesSettings("SeriesTable=1\n"));
    std::filesystem::create_directory("Temp.series.csv");  // its name is taken by a folder
    Tell(view->instrument().StartSeries());
    EXPECT_NE(host.status.find("could not write \"Temp.series.csv\""), std::string::npos) << host.status;
    for (int k = 0; k <= 3; ++k) {
        Fire(1000);
        Complete(100.0f + static_cast<float>(k));
    }
    Fire(1000);
    EXPECT_TRUE(Exists("Temp.00003.ram")) << "every scan still has its file";
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].text.find("could not be written.\nThe first was \"Temp.series.csv\": "),
              std::string::npos)
        << messages.messages()[0].text;
}

TEST_F(SeriesTableRun, FilesWhoseFolderVanishedAndCameBackAreStartedAgainWhole)
{
    timed::SeriesSettings s = PlainSeries();
    s.BaseFilename = "run/Temp";
    BeginWith(SeriesSection(s, "SeriesTable=1\n"));
    std::filesystem::create_directory("run");
    std::string table, timeStamps;
    RunSeries([&](int saved) {
        if (saved == 1) {
            std::filesystem::remove_all("run");
            std::filesystem::create_directory("run");
        } else if (saved == 2) {
            EXPECT_EQ(host.status, "Waiting for scan 3 of 3 - \"run/Temp.series.csv\" was missing: started again "
                                   "with its heading");
            table = ReadWholeFile("run/Temp.series.csv");
            timeStamps = ReadWholeFile("run/Temp.TimeStamps");
        }
    });
    EXPECT_EQ(table.rfind("# Vexlar series table\r\n", 0), 0u);
    const std::vector<std::string> rows = TableRows(table);
    ASSERT_EQ(rows.size(), 2u) << "the heading and scan 2";
    EXPECT_EQ(rows[0].rfind("time (s),file,350,", 0), 0u);
    EXPECT_EQ(rows[1].rfind("1.02,run/Temp.00002.ram,102,", 0), 0u);
    EXPECT_EQ(timeStamps, std::string(kHeader) + "run/Temp.00001.ram\t0.00\r\nrun/Temp.00002.ram\t1.02\r\n")
        << "every row the series keeps";
}

// Scans 100 ms apart: the table on its side is replaced whole every five
// seconds, holding every scan then, and once more as the program closes.
TEST_F(SeriesTableRun, ATableOnItsSideIsWrittenWholeEveryFewSecondsAndAtTheEnd)
{
    timed::SeriesSettings s = PlainSeries();
    s.DelayBetweenAcquisitions = 0;
    s.NumberOfAcquisitions = 1000;
    s.FileFormat = 2;  // no scan files
    BeginWith(SeriesSection(s, "SeriesTable=2\n"));
    std::vector<std::size_t> scansInFile;  // as the file changes
    const auto note = [&] {
        const std::string heading = TableRows(ReadWholeFile("Temp.series.csv"))[0];
        const auto scans = static_cast<std::size_t>(std::count(heading.begin(), heading.end(), ','));
        if (scansInFile.empty() || scansInFile.back() != scans)
            scansInFile.push_back(scans);
    };
    Tell(view->instrument().StartSeries());
    for (int scan = 0; scan <= 110; ++scan) {
        Fire(100);
        Complete(1.0f);
        note();
    }
    CloseProgram();
    note();
    EXPECT_EQ(scansInFile, (std::vector<std::size_t>{0, 49, 99, 110}));
}

// Every file the program writes, aimed at places where writing fails: a full
// device, a read-only folder, a folder that is really a file, a missing
// folder, and a disk that fills while a good file is being replaced. Each
// time the operator is told with the file's path and the reason, nothing is
// left behind (no temporary file, no cut-off file, a good file kept whole),
// the full device is never replaced by a plain file, and the workspace is as
// it was.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPrintDialog>
#include <QPrinter>

#include <array>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "Profile.h"
#include "SimSettings.h"
#include "display/AnnotationDlg.h"
#include "faults/FaultPlaces.h"
#include "support/DialogOperator.h"
#include "support/FileOperator.h"
#include "support/PeakReadout.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"
#include "window/ControlCommands.h"

using namespace vexlar;
using namespace vexlar::test;
namespace fs = std::filesystem;

namespace {

// Smaller than any file the program writes, so the write of a new one fails
// while a good one stands in its place.
constexpr rlim_t kFullDiskBytes = 16;
constexpr char kErrorTitle[] = "Vexlar Error";

// What a failed write must leave as it was, as the operator sees it: the
// chart's spectrum and axis, the switches, the document's title, the peak
// labels and the annotations.
struct Workspace {
    explicit Workspace(CVexlarView& v, const FakeHost& host)
        : spectrum(ShownYs(v.chart())),
          axis(ShownXs(v.chart())),
          xTitle(ScaleOf(v.chart()).xTitle),
          additive(v.instrument().flags().additive),
          subtractingDark(v.instrument().flags().subtractDark),
          channel(host.Text(IDC_CHANNEL)),
          title(host.documentTitle)
    {
        for (const TextSeen& p : PeakLabels(v.chart()))
            peaks.push_back(p.shown ? p.point : -1);
        for (const TextSeen& a : AnnotationAreas(v.chart()))
            annotations.push_back(a.shown ? a.text() : std::string());
    }
    bool operator==(const Workspace&) const = default;

    std::vector<double> spectrum, axis;
    std::string xTitle;
    bool additive, subtractingDark;
    std::string channel, title;
    std::vector<int> peaks;
    std::vector<std::string> annotations;
};

class FileFaults : public ViewFixture {
protected:
    void SetUp() override
    {
        ViewFixture::SetUp();
        CreateView();
        host.SetChecked(IDC_CONTINUOUS, true);
        Scan(0, 1000.0f);
        view->instrument().StoreDark();
        ASSERT_EQ(view->peaks().AddPeak(1024), 1);
        view->peaks().OnPeakLabels();
        Annotate("C-H stretch");
        messages.clear();
    }

    void Annotate(const char* text)
    {
        ScopedDialogOperator<CAnnotationDlg> op([text](CAnnotationDlg& d) {
            d.textEdit()->setText(QString::fromUtf8(text));
            d.accept();
        });
        // Right-clicked in the middle of the plot.
        view->annotations().ContextMenuAt(view->mapToGlobal(QPoint(view->width() / 2, view->height() / 2)));
        view->annotations().OnAnnotateHere();
        ASSERT_EQ(ShownAnnotations(chart()).size(), 1u);
    }

    // Runs write for the file aimed at every fault in turn and checks what
    // the operator was told and what was left. name: the file's name as the
    // writer makes it; suffix: what the writer adds to the path it is given.
    // goodFile: whether the writer replaces a file whole (a good file in
    // place survives a failed write); message: the start of what the
    // operator is told; reasons: what the operator is told instead of the
    // system's reason, by fault.
    void CheckEveryFault(const std::string& name, const std::string& suffix, const std::string& message,
                         const std::function<void(const std::string& path)>& write,
                         const std::map<Fault, std::string>& reasons = {})
    {
        std::string skipped;
        for (Fault fault : AllFaults()) {
            SCOPED_TRACE(std::string(FaultName(fault)) + ", " + name);
            const std::optional<AimedFile> aimed = places.Aim(fault, name);
            if (!aimed) {
                skipped += std::string(skipped.empty() ? "" : ", ") + FaultName(fault);
                continue;
            }
            const std::string given = aimed->path.substr(0, aimed->path.size() - suffix.size());
            if (fault == Fault::DiskFillsWhileWriting) {
                write(given);
                ASSERT_TRUE(messages.messages().empty()) << messages.messages()[0].text;
                ASSERT_GT(ReadWholeFile(aimed->path).size(), kFullDiskBytes);
                // The next write would hold another spectrum.
                std::vector<float> next;
                for (double value : ShownYs(chart()))
                    next.push_back(static_cast<float>(value + 1.0));
                ScanPixels(0, next);
            }
            const std::string before = FolderListing(dir.path());
            const Workspace workspace(*view, host);
            messages.clear();
            {
                std::optional<FileSizeLimit> fullDisk;
                if (fault == Fault::DiskFillsWhileWriting)
                    fullDisk.emplace(kFullDiskBytes);
                write(given);
            }
            EXPECT_EQ(messages.messages().size(), 1u) << "the operator is told once";
            if (!messages.messages().empty()) {
                const sys::OperatorMessage& told = messages.messages()[0];
                EXPECT_EQ(told.title, kErrorTitle);
                EXPECT_EQ(told.text.rfind(message, 0), 0u) << told.text;
                EXPECT_NE(told.text.find("\"" + aimed->path + "\""), std::string::npos) << told.text;
                const auto other = reasons.find(fault);
                const std::string reason = other == reasons.end() ? aimed->reason : other->second;
                EXPECT_NE(told.text.find(reason), std::string::npos) << told.text;
            }
            EXPECT_EQ(FolderListing(dir.path()), before) << "nothing written, nothing left behind";
            if (fault == Fault::ReadOnlyFolder) {
                EXPECT_FALSE(fs::exists(aimed->path));
            }
            EXPECT_TRUE(places.FullDeviceIntact());
            EXPECT_TRUE(Workspace(*view, host) == workspace) << "the workspace is as it was";
            messages.clear();
            std::error_code ignored;
            fs::remove(aimed->path, ignored);
        }
        // The dark stored at the start is still stored, and acquisition
        // still runs: with the dark subtracted, a scan of it shows nothing.
        const std::vector<double> shown = ShownYs(chart());
        view->instrument().ToggleSubtractDark();
        Scan(0, 1000.0f);
        EXPECT_TRUE(ShowsEverywhere(0.0)) << "the dark and acquisition are as they were";
        view->instrument().ToggleSubtractDark();
        ScanPixels(0, std::vector<float>(shown.begin(), shown.end()));
        if (!skipped.empty())
            GTEST_SKIP() << skipped << ": cannot be made safely here";
    }

    TempDir dir;
    FaultPlaces places{dir.path()};
    FileOperator op;
    std::string pdfPath;
};

}  // namespace

TEST_F(FileFaults, SaveGraph)
{
    CheckEveryFault("graph.ram", "", "Cannot save the graph to", [&](const std::string& path) {
        op.Choose(path);
        view->files().OnSaveGraph();
    });
}

TEST_F(FileFaults, ExportSpectrum)
{
    CheckEveryFault("spectrum.exp", "", "Cannot export the spectrum to", [&](const std::string& path) {
        op.Choose(path);
        view->files().OnExportSpectrum();
    });
}

TEST_F(FileFaults, PeakTable)
{
    CheckEveryFault("run.ram.peak", ".peak", "The peak table could not be saved to",
                    [&](const std::string& path) { view->peaks().SavePeakFile(path.c_str()); });
}

TEST_F(FileFaults, Annotations)
{
    CheckEveryFault("run.ram.anno", ".anno", "Unable to save the annotations to",
                    [&](const std::string& path) { view->annotations().SaveAnnotations(path.c_str()); });
}

TEST_F(FileFaults, PrintToAPdfFile)
{
    ScopedDialogOperator<QPrintDialog> op([this](QPrintDialog& print) {
        print.printer()->setOutputFormat(QPrinter::PdfFormat);
        print.printer()->setOutputFileName(QString::fromStdString(pdfPath));
        print.done(QDialog::Accepted);
    });
    // The page is drawn into a scratch file first; when the disk is full
    // that already fails.
    CheckEveryFault("chart.pdf", "", "Cannot print to",
                    [&](const std::string& path) {
                        pdfPath = path;
                        view->output().OnFilePrint();
                    },
                    {{Fault::DiskFillsWhileWriting, "the page could not be written"}});
}

// The program's settings file, written when the view goes (and the
// control-bar texts with it). Its folder is made when missing; a link to a
// device is not a settings file and is never written through.
TEST_F(FileFaults, SettingsFile)
{
    const std::string configHome = std::getenv("XDG_CONFIG_HOME");
    const auto saveInto = [&](const std::string& home) {
        setenv("XDG_CONFIG_HOME", home.c_str(), 1);
        messages.clear();
        const bool saved = view->SaveSettings();
        setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        return saved;
    };
    const auto toldOnce = [&](const std::string& path, const std::string& reason) {
        ASSERT_EQ(messages.messages().size(), 1u);
        const sys::OperatorMessage& told = messages.messages()[0];
        EXPECT_EQ(told.title, kErrorTitle);
        EXPECT_EQ(told.text.rfind("The settings could not be saved.\n", 0), 0u) << told.text;
        EXPECT_NE(told.text.find(path), std::string::npos) << told.text;
        EXPECT_NE(told.text.find(reason), std::string::npos) << told.text;
    };

    // A settings file that is a link to the full device.
    if (const auto device = places.Aim(Fault::FullDevice, "vexlar.ini")) {
        const std::string home = dir.file("device-home");
        fs::create_directories(home + "/vexlar");
        fs::rename(device->path, home + "/vexlar/vexlar.ini");
        EXPECT_FALSE(saveInto(home));
        toldOnce(home + "/vexlar/vexlar.ini", "is not a file");
        EXPECT_TRUE(fs::is_symlink(home + "/vexlar/vexlar.ini"));
        EXPECT_TRUE(places.FullDeviceIntact());
    }

    // A settings folder that cannot be made in a read-only folder.
    if (const auto readOnly = places.Aim(Fault::ReadOnlyFolder, "home")) {
        const std::string home = fs::path(readOnly->path).parent_path().string();
        EXPECT_FALSE(saveInto(home));
        toldOnce(home + "/vexlar", readOnly->reason);
        EXPECT_FALSE(fs::exists(home + "/vexlar"));
    }

    // A missing folder is made, with the settings in it.
    const std::string fresh = dir.file("missing/config");
    EXPECT_TRUE(saveInto(fresh));
    EXPECT_TRUE(messages.messages().empty());
    EXPECT_NE(ReadWholeFile(fresh + "/vexlar/vexlar.ini").find("[Acquisition]"), std::string::npos);

    // The disk fills while a good file is being replaced: it stays whole.
    const std::string good = ReadWholeFile(fresh + "/vexlar/vexlar.ini");
    {
        // A setting this run changed: the peak width.
        PeakFinderOperator width([](CPeakFinderDlg& d) {
            d.widthBox()->setEditText("7");
            d.accept();
        });
        view->peaks().OnPeakSettings();
    }
    {
        FileSizeLimit fullDisk(kFullDiskBytes);
        EXPECT_FALSE(saveInto(fresh));
    }
    toldOnce(fresh + "/vexlar/vexlar.ini", std::strerror(EFBIG));
    EXPECT_EQ(ReadWholeFile(fresh + "/vexlar/vexlar.ini"), good);
    EXPECT_EQ(std::distance(fs::directory_iterator(fresh + "/vexlar"), fs::directory_iterator()), 1)
        << "no temporary file left";
}

// The simulated spectrometer's own settings file, written when the operator
// accepts its set-up dialog (which shows this reason).
TEST_F(FileFaults, SpectrometerSetUpFile)
{
    qdv::SimSettings setUp;
    setUp.noise = 0.25;
    for (Fault fault : AllFaults()) {
        SCOPED_TRACE(FaultName(fault));
        const std::optional<AimedFile> aimed = places.Aim(fault, "qdvdrv.ini");
        if (!aimed)
            continue;
        std::string error;
        std::string good;
        if (fault == Fault::DiskFillsWhileWriting) {
            ASSERT_TRUE(qdv::SaveSimSettings(setUp, aimed->path.c_str(), &error)) << error;
            good = ReadWholeFile(aimed->path);
            setUp.noise = 0.5;
        }
        const std::string before = FolderListing(dir.path());
        bool saved = true;
        {
            std::optional<FileSizeLimit> fullDisk;
            if (fault == Fault::DiskFillsWhileWriting)
                fullDisk.emplace(kFullDiskBytes);
            saved = qdv::SaveSimSettings(setUp, aimed->path.c_str(), &error);
        }
        EXPECT_FALSE(saved);
        EXPECT_NE(error.find(aimed->path), std::string::npos) << error;
        const std::string reason = fault == Fault::FullDevice ? "is not a file" : aimed->reason;
        EXPECT_NE(error.find(reason), std::string::npos) << error;
        EXPECT_EQ(FolderListing(dir.path()), before);
        EXPECT_TRUE(places.FullDeviceIntact());
        if (fault == Fault::DiskFillsWhileWriting) {
            EXPECT_EQ(qdv::LoadSimSettings(aimed->path.c_str()).noise, 0.25) << "the good file is kept";
        }
        std::error_code ignored;
        fs::remove(aimed->path, ignored);
    }
}

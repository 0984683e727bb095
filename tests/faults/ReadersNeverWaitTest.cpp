// A FIFO (or any file that is not a regular file) where Vexlar reads a file:
// its settings file, the simulated spectrometer's settings file, a spectrum
// file and the annotation file beside it. A plain open() would wait for a
// writer for good, with the laser in whatever state it was; every reader
// must answer at once and refuse it as "is not a file".

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Profile.h"
#include "RegularFile.h"
#include "SimSettings.h"
#include "Xrt.h"
#include "calibration/SettingsFile.h"
#include "display/AnnotationFile.h"
#include "support/FileOperator.h"
#include "support/TempDir.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

constexpr auto kAnswerWithin = std::chrono::seconds(1);

// "\"path\"" followed by text (built by appending: GCC 12 warns falsely on
// "\"" + string).
std::string Quoted(const std::string& path, const char* text = "")
{
    std::string quoted = "\"";
    quoted += path;
    quoted += '"';
    quoted += text;
    return quoted;
}

// Makes a FIFO at path and watches it: should a reader still be waiting on
// it after a second, the watchdog opens it for writing and closes it again,
// which releases the reader, and the test fails instead of hanging.
class WatchedFifo {
public:
    explicit WatchedFifo(std::string path) : path_(std::move(path))
    {
        made_ = ::mkfifo(path_.c_str(), 0600) == 0;
        watchdog_ = std::thread([this] { Watch(); });
    }
    ~WatchedFifo()
    {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        wake_.notify_all();
        if (watchdog_.joinable())
            watchdog_.join();
    }
    WatchedFifo(const WatchedFifo&) = delete;
    WatchedFifo& operator=(const WatchedFifo&) = delete;

    bool made() const { return made_; }
    // Stops watching; true when the reader answered within the second.
    bool AnsweredInTime()
    {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        wake_.notify_all();
        if (watchdog_.joinable())
            watchdog_.join();
        return !released_.load();
    }

private:
    void Watch()
    {
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, kAnswerWithin, [this] { return finished_; }))
            return;
        released_ = true;
        // Keeps releasing until the reader has given up waiting.
        while (!finished_) {
            const int fd = ::open(path_.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
            wake_.wait_for(lock, std::chrono::milliseconds(50), [this] { return finished_; });
        }
    }

    std::string path_;
    bool made_ = false;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool finished_ = false;
    std::atomic<bool> released_{false};
    std::thread watchdog_;
};

}  // namespace

TEST(ReadersNeverWait, TheReaderRefusesWhatIsNotARegularFile)
{
    TempDir dir;
    WatchedFifo fifo(dir.file("pipe"));
    ASSERT_TRUE(fifo.made());
    const sys::FileContents read = sys::ReadRegularFile(dir.file("pipe"), 1024);
    EXPECT_TRUE(fifo.AnsweredInTime());
    EXPECT_EQ(read.status, sys::FileContents::Status::Failed);
    EXPECT_EQ(sys::FileProblem(dir.file("pipe"), read), Quoted(dir.file("pipe"), " is not a file"));

    EXPECT_EQ(sys::ReadRegularFile(dir.path(), 1024).problem, "is not a file") << "a folder";
    EXPECT_EQ(sys::ReadRegularFile("/dev/zero", 1024).problem, "is not a file") << "a device";
    EXPECT_EQ(sys::ReadRegularFile(dir.file("none"), 1024).status, sys::FileContents::Status::Missing);
    EXPECT_EQ(sys::FileProblem(dir.file("none"), sys::ReadRegularFile(dir.file("none"), 1)),
              Quoted(dir.file("none"), " cannot be opened: No such file or directory"));

    // A regular file: up to the limit, and whether there was more.
    ASSERT_TRUE(WriteWholeFile(dir.file("text"), "0123456789"));
    const sys::FileContents whole = sys::ReadRegularFile(dir.file("text"), 10);
    EXPECT_EQ(whole.status, sys::FileContents::Status::Read);
    EXPECT_EQ(whole.bytes, "0123456789");
    EXPECT_FALSE(whole.cutShort);
    const sys::FileContents cut = sys::ReadRegularFile(dir.file("text"), 4);
    EXPECT_EQ(cut.bytes, "0123");
    EXPECT_TRUE(cut.cutShort);
}

// The settings file: the defaults load, the reason names the file, and the
// FIFO is never written through at exit.
TEST(ReadersNeverWait, SettingsFiles)
{
    TempDir dir;
    const std::string program = dir.file("vexlar.ini");
    {
        WatchedFifo fifo(program);
        ASSERT_TRUE(fifo.made());
        const settings::LoadedSettings loaded = settings::ReadWorkingSettings(program.c_str());
        const settings::ControlBarTexts texts = settings::ReadControlBarTexts(program.c_str());
        std::string error;
        const bool written = settings::WriteWorkingSettings(loaded.values, &error, program.c_str());
        EXPECT_TRUE(fifo.AnsweredInTime());
        EXPECT_EQ(loaded.values, settings::DefaultSettings());
        EXPECT_NE(loaded.error.find(Quoted(program, ": it is not a file")), std::string::npos) << loaded.error;
        EXPECT_EQ(texts, settings::DefaultControlBarTexts());
        EXPECT_FALSE(written);
        EXPECT_NE(error.find("is not a file"), std::string::npos) << error;
    }
    const std::string driver = dir.file("qdvdrv.ini");
    {
        WatchedFifo fifo(driver);
        ASSERT_TRUE(fifo.made());
        const qdv::SimSettings loaded = qdv::LoadSimSettings(driver.c_str());
        EXPECT_TRUE(fifo.AnsweredInTime());
        EXPECT_EQ(loaded, qdv::SimSettings());
    }
}

// File > Open on a FIFO, and a good spectrum with a FIFO for its
// annotations: each refused with the operator told, and the program goes on.
TEST_F(ViewFixture, OpeningAFifoIsRefusedAtOnce)
{
    TempDir dir;
    CreateView();
    FileOperator files;
    {
        WatchedFifo fifo(dir.file("pipe.ram"));
        ASSERT_TRUE(fifo.made());
        files.Choose(dir.file("pipe.ram"));
        view->files().OnOpenSpectrum();
        EXPECT_TRUE(fifo.AnsweredInTime());
    }
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].text.find(Quoted(dir.file("pipe.ram"), " is not a file")), std::string::npos)
        << messages.messages()[0].text;
    EXPECT_TRUE(NextScanIsShown()) << "a refused file leaves acquisition running";

    messages.clear();
    const std::string spectrum = dir.file("good.ram");
    files.Choose(spectrum);
    view->files().OnSaveGraph();
    ASSERT_TRUE(messages.messages().empty());
    {
        WatchedFifo fifo(spectrum + ".anno");
        ASSERT_TRUE(fifo.made());
        files.Choose(spectrum);
        view->files().OnOpenSpectrum();
        EXPECT_TRUE(fifo.AnsweredInTime());
    }
    ASSERT_EQ(messages.messages().size(), 1u);
    EXPECT_NE(messages.messages()[0].text.find("Unable to read the annotations from " +
                                               Quoted(spectrum + ".anno", ":\nit is not a file")),
              std::string::npos)
        << messages.messages()[0].text;
    EXPECT_FALSE(NextScanIsShown(1234.0f)) << "the spectrum itself was opened";
}

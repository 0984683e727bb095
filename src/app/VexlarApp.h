#pragma once
// The application object: holds the driver's parameter block, zeroed before
// anything else runs, and starts and ends the program in order.

#include <QApplication>

#include <memory>

#include "acquisition/AppContext.h"

class CMainFrame;
class CVexlarDoc;

namespace vexlar::sys {
class ShutdownSignals;
}

class CVexlarApp : public QApplication {
    Q_OBJECT

public:
    CVexlarApp(int& argc, char** argv);
    ~CVexlarApp() override;

    // Start-up: per-user data, the document, the frame with its view (which
    // starts acquiring), the control bar filled, the window shown. False
    // when the frame cannot be created.
    bool InitInstance();

    // Runs a few seconds of acquisition offscreen, writes a picture of the
    // main window to path and returns the exit status. The laser is switched
    // on only on the built-in simulated spectrometer: with any other driver
    // a real laser would fire with nobody watching, so the demonstration
    // says so in one line and shows a dark scan.
    int RunHeadlessDemonstration(const QString& path, int milliseconds);

    vexlar::AppContext& context() { return context_; }
    // The program's catch of the ending signals (null until started).
    vexlar::sys::ShutdownSignals* shutdownSignals() const { return shutdownSignals_.get(); }
    CMainFrame* frame() const { return frame_.get(); }

    // The organisation under which the per-user data (the recent-file list)
    // is kept.
    static constexpr char kRegistryKey[] = "Local AppWizard-Generated Applications";
    static constexpr int kRecentFileCount = 4;

private:
    // SIGTERM, SIGINT or SIGHUP, in the event loop: the laser off at once,
    // then the program ends as File > Exit ends it (the settings saved, the
    // driver released), with 128 plus the signal's number as exit status.
    void EndOnSignal(int signal);
    // The program ends by exit() while it runs (Qt's X11 platform calls
    // exit(1) when the connection to the display breaks): the laser off,
    // the settings saved and the driver released without any window.
    static void EndOnExit();

    vexlar::AppContext context_{};
    std::unique_ptr<CVexlarDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
    std::unique_ptr<vexlar::sys::ShutdownSignals> shutdownSignals_;
    int endingSignal_ = 0;
};

#include "app/VexlarApp.h"

#include <QSettings>
#include <QTimer>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "MessageBox.h"
#include "ShutdownSignals.h"
#include "app/AcquisitionBar.h"
#include "app/MainFrame.h"
#include "app/NumberConventions.h"
#include "app/VexlarDoc.h"
#include "instrument/DriverIdentity.h"
#include "window/ControlCommands.h"
#include "window/VexlarView.h"

using namespace vexlar;

namespace {

// The running program, for the end by exit(); null once it ends in order.
CVexlarApp* gRunning = nullptr;

}  // namespace

CVexlarApp::CVexlarApp(int& argc, char** argv) : QApplication(argc, argv)
{
    // Before any window exists: numbers never follow the operator's language.
    UseDecimalPointForNumbers();
    // The tool-bar icons live in the core library's resources.
    Q_INIT_RESOURCE(vexlar);
    // The driver knows the program by this object's address.
    context_.hinst = this;
}

CVexlarApp::~CVexlarApp()
{
    gRunning = nullptr;
    // Whatever ended the event loop (a closed window, a signal, the end of
    // the headless demonstration), the laser goes off first.
    if (frame_ && frame_->view())
        frame_->view()->instrument().SwitchLaserOff();
    // Then the frame: it saves the control bar, then the view saves the
    // settings and releases the driver; then the document.
    frame_.reset();
    document_.reset();
    shutdownSignals_.reset();
}

bool CVexlarApp::InitInstance()
{
    setOrganizationName(kRegistryKey);
    setApplicationName("Vexlar");
    // The recent-file list: read, shown as a placeholder, never added to.
    QSettings settings;
    settings.beginGroup("Recent File List");
    for (int i = 1; i <= kRecentFileCount; ++i)
        settings.value(QString("File%1").arg(i));
    settings.endGroup();

    document_ = std::make_unique<CVexlarDoc>();
    frame_ = std::make_unique<CMainFrame>(&context_, document_.get());
    if (!frame_->Create())
        return false;
    frame_->view()->OnInitialUpdate();

    // However the program is ended from outside, the laser goes off first.
    // The laser goes off the moment a signal comes, whatever the window is
    // busy with; the orderly end follows in the event loop.
    shutdownSignals_ = std::make_unique<sys::ShutdownSignals>([this](int signal) { EndOnSignal(signal); },
                                                              &Instrument::SwitchStrobeOffFromAnyThread);
    // Stopped from the terminal (Ctrl+Z) with the laser on: it went off
    // before the process stopped, and the control bar says so once it goes on.
    shutdownSignals_->WhenStopped([this] {
        if (frame_ && frame_->view())
            frame_->view()->instrument().SwitchLaserOff();
    });
    // Writing into a pipe whose reader has gone, or beyond the file-size
    // limit (ulimit -f), fails with an error the program reports, instead of
    // ending it with the laser on and a half-written file.
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
    static const bool endOnExitRegistered = std::atexit(&CVexlarApp::EndOnExit) == 0;
    if (!endOnExitRegistered)
        std::fprintf(stderr, "Vexlar: cannot make sure the laser goes off should the display go away.\n");
    gRunning = this;

    frame_->show();
    frame_->activateWindow();
    frame_->repaint();
    return true;
}

void CVexlarApp::EndOnSignal(int signal)
{
    if (endingSignal_ != 0)
        return;
    endingSignal_ = signal;
    // The laser first, before anything that could wait or fail.
    if (frame_ && frame_->view())
        frame_->view()->instrument().SwitchLaserOff();
    sys::ShutdownSignals::EndAtOnceFromNowOn();
    // Whoever sent the signal may not be at the screen: a message box would
    // hold the end up.
    sys::SendOperatorMessagesToStandardError();
    // The way File > Exit goes; every event loop ends, a modal dialog's too.
    if (frame_)
        frame_->close();
    QCoreApplication::exit(sys::ExitStatusForSignal(signal));
}

void CVexlarApp::EndOnExit()
{
    CVexlarApp* app = gRunning;
    gRunning = nullptr;
    if (!app || !app->frame_ || !app->frame_->view())
        return;
    sys::SendOperatorMessagesToStandardError();
    app->frame_->view()->EndWithoutWindow();
}

int CVexlarApp::RunHeadlessDemonstration(const QString& path, int milliseconds)
{
    if (DriverIsBuiltInSimulator()) {
        // The laser on, as the operator switches it on the control bar: the
        // simulated spectrometer has none to fire.
        frame_->controlBar()->SetChecked(IDC_LASER, true);
        frame_->view()->OnBarParam(BAR_LASER_CLICKED);
    } else {
        std::printf("The spectrometer driver is not Vexlar's simulated spectrometer: Vexlar will not switch a "
                    "laser on without an operator, so the demonstration shows a dark scan.\n");
        std::fflush(stdout);
    }
    int status = 1;
    QTimer::singleShot(milliseconds, this, [this, path, &status] {
        status = frame_->grab().save(path) ? 0 : 1;
        quit();
    });
    const int ended = exec();
    return endingSignal_ != 0 ? ended : status;
}

#pragma once
// The application object: holds the driver's parameter block, zeroed before
// anything else runs, and starts and ends the program in order.

#include <QApplication>

#include <memory>

#include "acquisition/AppContext.h"

class CMainFrame;
class CVexlarDoc;

class CVexlarApp : public QApplication {
    Q_OBJECT

public:
    CVexlarApp(int& argc, char** argv);
    ~CVexlarApp() override;

    // Start-up: per-user data, the document, the frame with its view (which
    // starts acquiring), the control bar filled, the window shown. False
    // when the frame cannot be created.
    bool InitInstance();

    // Runs a few seconds of acquisition offscreen with the laser on, writes
    // a picture of the main window to path and returns the exit status.
    int RunHeadlessDemonstration(const QString& path, int milliseconds);

    vexlar::AppContext& context() { return context_; }
    CMainFrame* frame() const { return frame_.get(); }

    // The organisation under which the per-user data (the recent-file list)
    // is kept.
    static constexpr char kRegistryKey[] = "Local AppWizard-Generated Applications";
    static constexpr int kRecentFileCount = 4;

private:
    vexlar::AppContext context_{};
    std::unique_ptr<CVexlarDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
};

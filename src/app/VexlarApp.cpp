#include "app/VexlarApp.h"

#include <QSettings>
#include <QTimer>

#include "acquisition/ControlCommands.h"
#include "acquisition/VexlarView.h"
#include "app/AcquisitionBar.h"
#include "app/MainFrame.h"
#include "app/NumberConventions.h"
#include "app/VexlarDoc.h"

using namespace vexlar;

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
    // The frame goes first: it saves the control bar, then the view saves the
    // settings and releases the driver; then the document.
    frame_.reset();
    document_.reset();
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
    frame_->show();
    frame_->activateWindow();
    frame_->repaint();
    return true;
}

int CVexlarApp::RunHeadlessDemonstration(const QString& path, int milliseconds)
{
    // The operator switches the laser on, as on the control bar.
    frame_->controlBar()->SetChecked(IDC_LASER, true);
    frame_->view()->OnBarParam(BAR_LASER_CLICKED);
    int status = 1;
    QTimer::singleShot(milliseconds, this, [this, path, &status] {
        status = frame_->grab().save(path) ? 0 : 1;
        quit();
    });
    exec();
    return status;
}

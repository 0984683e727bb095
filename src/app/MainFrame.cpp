#include "app/MainFrame.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "MessageBox.h"
#include "Messages.h"
#include "ModalDialog.h"
#include "app/AboutDlg.h"
#include "app/AcquisitionBar.h"
#include "app/RemoteAccess.h"
#include "app/RemoteControlDlg.h"
#include "app/StatusPane.h"
#include "app/VexlarDoc.h"
#include "commands/CommandIds.h"
#include "commands/CommandTable.h"
#include "window/AnnotationBoard.h"
#include "window/ChartOutput.h"
#include "window/ControlCommands.h"
#include "window/FileCommands.h"
#include "window/PeakMarks.h"
#include "window/SetupCommands.h"
#include "window/VexlarView.h"

using namespace vexlar;

namespace {

constexpr QSize kInitialClientSize(1000, 600);
constexpr QSize kToolBarIconSize(16, 15);
// How often check marks and enabling are brought up to date besides when a
// menu opens and after each command.
constexpr int kCommandUpdateIntervalMs = 200;
constexpr char kIdleText[] = "Ready";

}  // namespace

CMainFrame::CMainFrame(AppContext* context, CVexlarDoc* document) : context_(context), document_(document)
{
    setWindowTitle(document_ ? document_->Caption() : QString("Vexlar"));
}

CMainFrame::~CMainFrame()
{
    // Shutdown, in order: the control bar's texts, then the view's tear-down
    // (its settings, the laser off, the driver released), then the rest.
    if (controlBar_) {
        view_->SaveControlBarTexts();
        // Fields losing the focus while the window goes away are no longer
        // the operator's doing.
        disconnect(controlBar_, nullptr, this, nullptr);
    }
    if (updateTimer_)
        updateTimer_->stop();
    delete view_;
    view_ = nullptr;
}

bool CMainFrame::Create()
{
    // The view first: acquisition starts before any bar exists.
    view_ = new CVexlarView;
    if (!view_->Create(context_, QRect(QPoint(0, 0), kInitialClientSize), this))
        return false;
    setCentralWidget(view_);
    resize(kInitialClientSize.width() + 60, kInitialClientSize.height() + 110);
    CreateActions();
    CreateMenus();
    if (!CreateToolBar() || !CreateStatusBar() || !CreateControlBar())
        return false;
    view_->SetHost(this);
    BindCommands();

    updateTimer_ = new QTimer(this);
    connect(updateTimer_, &QTimer::timeout, this, &CMainFrame::UpdateCommandUI);
    updateTimer_->start(kCommandUpdateIntervalMs);
    UpdateCommandUI();
    return true;
}

void CMainFrame::CreateActions()
{
    for (const CommandInfo& info : AllCommands()) {
        auto* a = new QAction(this);
        a->setData(info.id);
        a->setText(QString::fromUtf8(info.menuText ? info.menuText : info.tip));
        a->setStatusTip(info.prompt);
        if (info.tip)
            a->setToolTip(info.tip);
        if (info.icon)
            a->setIcon(QIcon(info.icon));
        a->setCheckable(info.checkable);
        a->setEnabled(false);
        const int id = info.id;
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
        actions_[id] = a;
    }
    actions_[ID_FILE_NEW]->setShortcut(QKeySequence("Ctrl+N"));
    actions_[ID_FILE_OPEN]->setShortcut(QKeySequence("Ctrl+O"));
    actions_[ID_SAVE_GRAPH]->setShortcut(QKeySequence("Ctrl+S"));
    actions_[ID_FILE_PRINT]->setShortcut(QKeySequence("Ctrl+P"));
    for (int id : {ID_FILE_NEW, ID_FILE_OPEN, ID_SAVE_GRAPH, ID_FILE_PRINT})
        actions_[id]->setShortcutContext(Qt::WindowShortcut);
}

void CMainFrame::CreateMenus()
{
    for (const MenuInfo& menuInfo : MenuBarLayout()) {
        QMenu* menu = menuBar()->addMenu(menuInfo.title);
        for (int id : menuInfo.items) {
            if (id == kSeparator)
                menu->addSeparator();
            else
                menu->addAction(actions_.at(id));
        }
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandUI);
    }
}

bool CMainFrame::CreateToolBar()
{
    toolBar_ = new QToolBar("Toolbar", this);
    toolBar_->setObjectName("ToolBar");
    toolBar_->setProperty("childId", kToolBarChildId);
    toolBar_->setIconSize(kToolBarIconSize);
    toolBar_->setOrientation(Qt::Vertical);
    toolBar_->setAllowedAreas(Qt::AllToolBarAreas);
    for (int id : ToolBarLayout()) {
        if (id == kSeparator)
            toolBar_->addSeparator();
        else
            toolBar_->addAction(actions_.at(id));
    }
    addToolBar(Qt::LeftToolBarArea, toolBar_);
    return true;
}

bool CMainFrame::CreateStatusBar()
{
    QStatusBar* bar = statusBar();
    bar->setProperty("childId", kStatusBarChildId);
    // A new readout each scan must not lay the whole window out again.
    messagePane_ = new vexlar::StatusPane(kIdleText, "MessagePane", bar);
    bar->addWidget(messagePane_, 1);
    // What the display does to the spectrum, at the right end; hidden while
    // there is nothing to say, so the bar looks as it always did.
    indicatorPane_ = new QLabel(bar);
    indicatorPane_->setObjectName("IndicatorPane");
    indicatorPane_->setVisible(false);
    bar->addPermanentWidget(indicatorPane_);
    remotePane_ = new QLabel("Remote", bar);
    remotePane_->setObjectName("RemotePane");
    remotePane_->setVisible(false);
    bar->addPermanentWidget(remotePane_);
    return true;
}

bool CMainFrame::CreateControlBar()
{
    controlBar_ = new AcquisitionBar(this);
    controlBar_->setProperty("childId", kControlBarChildId);
    addToolBar(Qt::TopToolBarArea, controlBar_);
    connect(controlBar_, &AcquisitionBar::barEvent, this, &CMainFrame::ForwardBarEvent);
    return true;
}

void CMainFrame::ForwardBarEvent(int kind)
{
    // Every control-bar event goes to the view as WM_BAR_PARAM; the frame
    // itself changes nothing.
    if (!view_)
        return;
    vexlar::sys::WindowMessageEvent message(WM_BAR_PARAM, static_cast<vexlar::sys::WPARAM>(kind), 0);
    QCoreApplication::sendEvent(view_, &message);
    UpdateCommandUI();
}

void CMainFrame::BindCommands()
{
    // Each command is one call of the object that owns it: the engine, or a
    // capability of the window. A command that refuses says why in the box.
    CVexlarView* v = view_;
    Instrument* engine = &v->instrument();
    PeakMarks* peaks = &v->peaks();
    AnnotationBoard* annotations = &v->annotations();
    FileCommands* files = &v->files();
    ChartOutput* output = &v->output();
    SetupCommands* setup = &v->setup();
    const auto tell = [](const std::string& refusal) {
        if (!refusal.empty())
            vexlar::sys::ShowOperatorMessage(refusal, vexlar::sys::kErrorTitle);
    };
    const auto cursorShown = [v] { return v->IsCursorShown(); };
    commands_[ID_AUTOSCALE] = {[v] { v->OnAutoscale(); }, {}, {}};
    commands_[ID_SET_SCALE] = {[v] { v->OnSetScale(); }, {}, {}};
    commands_[ID_UNSCALE] = {[v] { v->OnUnscale(); }, {}, {}};
    commands_[ID_CURSOR] = {[v] { v->OnCursor(); }, {}, cursorShown};
    commands_[ID_CURSOR_LEFT_25] = {[v] { v->MoveCursor(display::CursorMove::Left25); }, cursorShown, {}};
    commands_[ID_CURSOR_LEFT_1] = {[v] { v->MoveCursor(display::CursorMove::Left1); }, cursorShown, {}};
    commands_[ID_CURSOR_RIGHT_1] = {[v] { v->MoveCursor(display::CursorMove::Right1); }, cursorShown, {}};
    commands_[ID_CURSOR_RIGHT_25] = {[v] { v->MoveCursor(display::CursorMove::Right25); }, cursorShown, {}};
    // The two next-peak moves have no handler: always shown disabled.
    // Peak commands:
    commands_[ID_MARK_ALL_PEAKS] = {[peaks] { peaks->MarkAllPeaks(); }, {}, {}};
    commands_[ID_PEAK_SETTINGS] = {[peaks] { peaks->OnPeakSettings(); }, {}, {}};
    commands_[ID_MARK_PEAK_AT_CURSOR] = {[peaks] { peaks->MarkPeakAtCursor(); }, cursorShown, {}};
    commands_[ID_SHOW_PEAK_TABLE] = {[peaks] { peaks->OnShowPeakTable(); }, {}, {}};
    commands_[ID_RESET_PEAK_TABLE] = {[peaks] { peaks->ResetPeakTable(); }, {}, {}};
    commands_[ID_PEAK_LABELS] = {
        [peaks] { peaks->OnPeakLabels(); }, {}, [peaks] { return peaks->ArePeakLabelsShown(); }};
    // Annotation commands:
    commands_[ID_CLEAR_ALL_ANNOTATIONS] = {[annotations] { annotations->ClearAllAnnotations(); }, {}, {}};
    commands_[ID_FILE_NEW] = {[annotations] { annotations->ClearAllAnnotations(); }, {}, {}};
    // Time-acquisition commands: Configure stays available during a series.
    commands_[ID_TIME_ACQ_CONFIGURE] = {[setup] { setup->OnTimeAcqConfigure(); }, {}, {}};
    commands_[ID_TIME_ACQ_START] = {
        [engine, tell] { tell(engine->StartSeries()); }, [engine] { return !engine->IsSeriesRunning(); }, {}};
    commands_[ID_TIME_ACQ_STOP] = {
        [engine] { engine->StopSeries(); }, [engine] { return engine->IsSeriesRunning(); }, {}};
    // Spectrum-file commands:
    commands_[ID_FILE_OPEN] = {[files] { files->OnOpenSpectrum(); }, {}, {}};
    commands_[ID_SAVE_GRAPH] = {[files] { files->OnSaveGraph(); }, {}, {}};
    commands_[ID_EXPORT_SPECTRUM] = {[files] { files->OnExportSpectrum(); }, {}, {}};
    commands_[ID_EXPORT_AS] = {[files] { files->OnExportAs(); }, {}, {}};
    commands_[ID_SAVE_FIGURE] = {[output] { output->OnSaveFigure(); }, {}, {}};
    commands_[ID_APP_EXIT] = {[this] { close(); }, {}, {}};
    commands_[ID_FILE_PRINT] = {[output] { output->OnFilePrint(); }, {}, {}};
    commands_[ID_FILE_PRINT_DIRECT] = {[output] { output->OnFilePrintDirect(); }, {}, {}};
    commands_[ID_FILE_PRINT_SETUP] = {[output] { output->OnFilePrintSetup(); }, {}, {}};
    commands_[ID_VIEW_TOOLBAR] = {
        [this] { toolBar_->setVisible(!toolBar_->isVisible()); }, {}, [this] { return toolBar_->isVisible(); }};
    commands_[ID_VIEW_STATUS_BAR] = {[this] { statusBar()->setVisible(!statusBar()->isVisible()); },
                                     {},
                                     [this] { return statusBar()->isVisible(); }};
    commands_[ID_CONFIGURE_HARDWARE] = {[engine] { engine->ConfigureHardware(nullptr); }, {}, {}};
    commands_[ID_APP_ABOUT] = {[this] {
                                   CAboutDlg about(this);
                                   vexlar::sys::RunModal(about);
                               },
                               {},
                               {}};
    // Acquisition commands:
    commands_[ID_STORE_DARK] = {[engine] { engine->StoreDark(); }, {}, {}};
    commands_[ID_SUBTRACT_DARK] = {
        [engine] { engine->ToggleSubtractDark(); }, {}, [engine] { return engine->flags().subtractDark; }};
    commands_[ID_ADDITIVE_MODE] = {
        [engine, tell] { tell(engine->ToggleAdditiveMode()); }, {}, [engine] { return engine->flags().additive; }};
    commands_[ID_RESET] = {[engine] { engine->Reset(); }, {}, {}};
    commands_[ID_CONFIGURE_SPECTROMETER] = {[setup] { setup->OnConfigureSpectrometer(); }, {}, {}};
    commands_[ID_CALIBRATE_FROM_LAMP] = {[setup] { setup->OnCalibrateFromLamp(); }, {}, {}};
    commands_[ID_CHECK_RAMAN_SHIFT] = {[setup] { setup->OnCheckRamanShift(); }, {}, {}};
    commands_[ID_REMOVE_SPIKES] = {
        [engine] { engine->ToggleRemoveSpikes(); }, {}, [engine] { return engine->IsRemovingSpikes(); }};
    commands_[ID_SUBTRACT_BASELINE] = {
        [engine] { engine->ToggleSubtractBaseline(); }, {}, [engine] { return engine->IsSubtractingBaseline(); }};
    commands_[ID_BASELINE_SETTINGS] = {[setup] { setup->OnBaselineSettings(); }, {}, {}};
    commands_[ID_REMOTE_CONTROL] = {[this] { OnRemoteControl(); }, [this] { return remote_ != nullptr; }, {}};
}

void CMainFrame::SetRemoteAccess(vexlar::RemoteAccess* remote)
{
    remote_ = remote;
    if (remote_) {
        remote_->onLaserHeld = [this](bool held) {
            if (remotePane_)
                remotePane_->setVisible(held);
        };
    }
    UpdateCommandUI();
}

void CMainFrame::OnRemoteControl()
{
    if (!remote_ || !view_)
        return;
    vexlar::settings::RemoteSettings& kept = view_->remoteSettings();
    CRemoteControlDlg dialog(this);
    dialog.exportDevice = remote_->DeviceRunning();
    if (kept.port > 0)
        dialog.port = kept.port;
    dialog.deviceName = kept.device;
    dialog.allowLaser = remote_->RemoteLaserAllowed();
    if (kept.watchdogSeconds > 0)
        dialog.watchdogSeconds = kept.watchdogSeconds;
    dialog.address = remote_->Address();
    if (dialog.Run() != QDialog::Accepted)
        return;
    // Remembered, but for the laser's permission, which is the operator's
    // anew in every run.
    kept.control = dialog.exportDevice ? 1 : 0;
    kept.port = dialog.port;
    kept.device = dialog.deviceName;
    kept.watchdogSeconds = dialog.watchdogSeconds;
    if (dialog.exportDevice && !remote_->DeviceRunning()) {
        const std::string problem =
            remote_->StartDevice({dialog.port, dialog.deviceName, dialog.allowLaser, dialog.watchdogSeconds});
        if (!problem.empty())
            vexlar::sys::ShowOperatorMessage("Vexlar could not be exported as a Tango device:\n" + problem,
                                             vexlar::sys::kErrorTitle);
    } else if (!dialog.exportDevice && remote_->DeviceRunning()) {
        remote_->StopDevice();
    }
    remote_->AllowRemoteLaser(dialog.allowLaser);
    remote_->SetWatchdogSeconds(dialog.watchdogSeconds);
}

void CMainFrame::closeEvent(QCloseEvent* event)
{
    if (view_)
        view_->instrument().SwitchLaserOff();
    QMainWindow::closeEvent(event);
}

QAction* CMainFrame::action(int id) const
{
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void CMainFrame::RunCommand(int id)
{
    // A value typed into the control bar and not yet applied is applied
    // before the command acts on the acquisition.
    if (controlBar_)
        controlBar_->ApplyFieldBeingTyped();
    const auto it = commands_.find(id);
    if (it != commands_.end() && (!it->second.enabled || it->second.enabled()))
        it->second.run();
    UpdateCommandUI();
}

void CMainFrame::UpdateCommandUI()
{
    for (auto& [id, a] : actions_) {
        const auto it = commands_.find(id);
        // A command without a handler stays visible and disabled.
        const bool enabled = it != commands_.end() && (!it->second.enabled || it->second.enabled());
        a->setEnabled(enabled);
        if (a->isCheckable())
            a->setChecked(it != commands_.end() && it->second.checked && it->second.checked());
    }
}

QString CMainFrame::statusText() const
{
    return messagePane_ ? messagePane_->text() : QString();
}

void CMainFrame::SetChecked(int controlId, bool checked)
{
    controlBar_->SetChecked(controlId, checked);
}
bool CMainFrame::IsChecked(int controlId) const
{
    return controlBar_->IsChecked(controlId);
}
std::string CMainFrame::Text(int controlId) const
{
    return controlBar_->Text(controlId);
}
void CMainFrame::SetText(int controlId, const std::string& text)
{
    controlBar_->SetText(controlId, text);
}
int CMainFrame::SelectedIndex(int controlId) const
{
    return controlBar_->SelectedIndex(controlId);
}
std::string CMainFrame::SelectedItemText(int controlId) const
{
    return controlBar_->SelectedItemText(controlId);
}

void CMainFrame::SelectItem(int controlId, int index)
{
    controlBar_->SelectItem(controlId, index);
}

void CMainFrame::SetDocumentTitle(const std::string& title)
{
    if (document_)
        document_->SetTitle(QString::fromStdString(title));
    setWindowTitle(document_ ? document_->Caption() : QString::fromStdString(title) + " - Vexlar");
}

void CMainFrame::SetIndicatorText(const std::string& text)
{
    if (!indicatorPane_)
        return;
    indicatorPane_->setText(QString::fromStdString(text));
    indicatorPane_->setVisible(!text.empty());
}

void CMainFrame::SetStatusText(const std::string& text)
{
    if (!messagePane_)
        return;
    const QString message = QString::fromStdString(text);
    if (messagePane_->text() != message)
        messagePane_->setText(message);
}

void CMainFrame::SetStatusReadout(const vexlar::display::Readout& readout)
{
    if (messagePane_)
        messagePane_->setReadout(readout);
}

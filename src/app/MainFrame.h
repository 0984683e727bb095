#pragma once
// The main window: menu, tool bar, status bar and acquisition control bar
// around the one view. It builds the bars and actions, routes each command
// to its handler, keeps check marks and enabling true to the workspace, and
// shuts down in order. The work itself lives in the view.

#include <QMainWindow>

#include <functional>
#include <map>

#include "window/ViewHost.h"

class QAction;
class QLabel;
class QTimer;
class QToolBar;
class CVexlarView;
class CVexlarDoc;

namespace vexlar {
class RemoteAccess;
struct AppContext;
class AcquisitionBar;
class StatusPane;
}  // namespace vexlar

class CMainFrame : public QMainWindow, public vexlar::ViewHost {
    Q_OBJECT

public:
    CMainFrame(vexlar::AppContext* context, CVexlarDoc* document);
    // Saves the control bar's texts first, then tears the view down.
    ~CMainFrame() override;

    // Creates the view (which starts acquiring), then the tool bar, the status
    // bar and the control bar. False when any of them cannot be made.
    bool Create();

    CVexlarView* view() const { return view_; }
    vexlar::AcquisitionBar* controlBar() const { return controlBar_; }
    QToolBar* toolBar() const { return toolBar_; }
    QAction* action(int id) const;
    // The status bar's message pane.
    QString statusText() const;

    // Brings every check mark and enabled state up to date with the workspace.
    void UpdateCommandUI();
    // Runs a command as the menu or tool bar would.
    void RunCommand(int id);

    // Vexlar's Tango device, when the program has it: Setup > Remote Control
    // is enabled with it, and "Remote" shows on the status bar while a
    // client holds the laser on.
    void SetRemoteAccess(vexlar::RemoteAccess* remote);

    // vexlar::ViewHost
    void SetChecked(int controlId, bool checked) override;
    bool IsChecked(int controlId) const override;
    std::string Text(int controlId) const override;
    void SetText(int controlId, const std::string& text) override;
    int SelectedIndex(int controlId) const override;
    std::string SelectedItemText(int controlId) const override;
    void SelectItem(int controlId, int index) override;
    void SetStatusText(const std::string& text) override;
    void SetStatusReadout(const vexlar::display::Readout& readout) override;
    void SetIndicatorText(const std::string& text) override;
    void SetDocumentTitle(const std::string& title) override;

protected:
    // The laser goes off the moment the operator closes the program.
    void closeEvent(QCloseEvent* event) override;

private:
    struct Command {
        std::function<void()> run;
        std::function<bool()> enabled;  // empty: always enabled
        std::function<bool()> checked;  // empty: no check mark
    };

    void CreateActions();
    void CreateMenus();
    bool CreateToolBar();
    bool CreateStatusBar();
    bool CreateControlBar();
    void BindCommands();
    void ForwardBarEvent(int kind);
    // Setup > Remote Control.
    void OnRemoteControl();

    vexlar::AppContext* context_;
    CVexlarDoc* document_;
    CVexlarView* view_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    vexlar::AcquisitionBar* controlBar_ = nullptr;
    vexlar::StatusPane* messagePane_ = nullptr;
    QLabel* indicatorPane_ = nullptr;
    QLabel* remotePane_ = nullptr;
    vexlar::RemoteAccess* remote_ = nullptr;
    QTimer* updateTimer_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<int, Command> commands_;
};

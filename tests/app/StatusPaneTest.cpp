// The status bar's message pane while the readout changes with every scan:
// the operator sees each scan's text, and the window is not laid out again.

#include <QApplication>
#include <QLabel>
#include <QStatusBar>

#include <memory>
#include <string>

#include "VirtualClock.h"
#include "commands/CommandIds.h"
#include "support/FrameFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

constexpr unsigned kFrameMs = 17;  // the offscreen screen's: 60 Hz

// Counts the layout requests that reach any widget of the application.
class LayoutRequests : public QObject {
public:
    LayoutRequests() { qApp->installEventFilter(this); }
    ~LayoutRequests() override { qApp->removeEventFilter(this); }
    int count = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::LayoutRequest && watched->isWidgetType())
            ++count;
        return false;
    }
};

class StatusBarReadout : public FrameFixture {
protected:
    void SetUp() override
    {
        FrameFixture::SetUp();
        clock = std::make_unique<sys::VirtualClock>(1000);
    }

    void TearDown() override
    {
        FrameFixture::TearDown();
        clock.reset();
    }

    std::unique_ptr<sys::VirtualClock> clock;

    QLabel* Pane() const { return frame->statusBar()->findChild<QLabel*>("MessagePane"); }

    void ScanOf(float value)
    {
        driver().Fill(0, value);
        driver().Post(WM_SCAN_COMPLETE, 0);
        Deliver();
    }
};

}  // namespace

TEST_F(StatusBarReadout, TheReadoutOfEachScanIsShownAndNothingIsLaidOutAgain)
{
    Start();
    ASSERT_NE(Pane(), nullptr);
    EXPECT_EQ(Pane()->text(), "Ready");
    ScanOf(10.0f);
    frame->action(ID_STORE_DARK)->trigger();
    frame->action(ID_ADDITIVE_MODE)->trigger();
    frame->action(ID_CURSOR)->trigger();
    ScanOf(30.0f);
    Deliver();
    const QRect before = Pane()->geometry();
    const QSize window = frame->size();

    LayoutRequests layouts;
    for (int scan = 2; scan <= 6; ++scan) {
        clock->Advance(100);                                 // ten scans a second: each readout shown as it comes
        ScanOf(30.0f + static_cast<float>(scan) * 1000.0f);  // a readout of another width each time
        const std::string text = Pane()->text().toStdString();
        EXPECT_EQ(text.rfind("Scan Number " + std::to_string(scan) + " Pix: 1023, Wavelength: ", 0), 0u) << text;
        EXPECT_EQ(frame->statusText(), Pane()->text());
    }
    Deliver();
    EXPECT_EQ(layouts.count, 0) << "a new readout lays nothing out";
    EXPECT_EQ(Pane()->geometry(), before);
    EXPECT_EQ(frame->size(), window);

    // Additive mode alone: the scan count, as ever.
    frame->action(ID_CURSOR)->trigger();
    Deliver();
    layouts.count = 0;
    clock->Advance(100);
    ScanOf(30.0f);
    EXPECT_EQ(Pane()->text(), "Scan Number 7 ");
    EXPECT_EQ(layouts.count, 0);
}

TEST_F(StatusBarReadout, ReadoutsFasterThanTheScreenAreShownOncePerFrameTheLastWithinIt)
{
    Start();
    ScanOf(10.0f);
    frame->action(ID_STORE_DARK)->trigger();
    frame->action(ID_ADDITIVE_MODE)->trigger();
    clock->Advance(100);
    ScanOf(30.0f);
    ASSERT_EQ(Pane()->text(), "Scan Number 1 ");
    // Two more scans within the frame: the status text is current at once,
    // the label shows it when the frame comes (17 ms at 60 Hz).
    ScanOf(30.0f);
    clock->Advance(5);
    ScanOf(30.0f);
    EXPECT_EQ(frame->statusText(), "Scan Number 3 ");
    EXPECT_EQ(Pane()->text(), "Scan Number 1 ");
    clock->Advance(12);
    EXPECT_EQ(Pane()->text(), "Scan Number 3 ");
}

TEST_F(StatusBarReadout, ThePaneFillsTheBarAndFollowsItsWidth)
{
    Start();
    const int before = Pane()->width();
    EXPECT_GT(before, frame->statusBar()->width() / 2) << "the message has the bar's width, as ever";
    frame->resize(frame->width() + 200, frame->height());
    Deliver();
    EXPECT_EQ(Pane()->width(), before + 200);
    EXPECT_GE(Pane()->height(), Pane()->fontMetrics().height());
}

TEST_F(StatusBarReadout, AMessageOfTwoLinesIsShownWholeAndOneLineAgainGivesTheHeightBack)
{
    Start();
    const int oneLine = Pane()->height();
    clock->Advance(100);
    frame->SetStatusText("first line\nsecond line");
    Deliver();
    EXPECT_EQ(frame->statusText(), "first line\nsecond line");
    EXPECT_GE(Pane()->height(), Pane()->fontMetrics().height() + Pane()->fontMetrics().lineSpacing())
        << "both lines are seen";
    clock->Advance(100);
    frame->SetStatusText("Ready");
    Deliver();
    EXPECT_EQ(Pane()->height(), oneLine);
}

TEST_F(StatusBarReadout, AMessageBetweenTwoEqualReadoutsIsReplacedByTheReadoutAgain)
{
    Start();
    ScanOf(10.0f);
    frame->action(ID_CURSOR)->trigger();
    clock->Advance(100);
    ScanOf(30.0f);
    const QString readout = Pane()->text();
    ASSERT_EQ(readout.toStdString().rfind("Pix: 1023, Wavelength: ", 0), 0u) << readout.toStdString();

    // A message, then a scan whose readout is the same as before: the readout
    // comes back.
    clock->Advance(100);
    frame->SetStatusText("Figure saved");
    EXPECT_EQ(Pane()->text(), "Figure saved");
    clock->Advance(100);
    ScanOf(30.0f);
    EXPECT_EQ(Pane()->text(), readout);
    EXPECT_EQ(frame->statusText(), readout);

    // And within one frame: a message, the readout, the same message again.
    clock->Advance(100);
    frame->SetStatusText("Figure saved");
    ScanOf(30.0f);
    EXPECT_EQ(frame->statusText(), readout);
    frame->SetStatusText("Figure saved");
    EXPECT_EQ(frame->statusText(), "Figure saved");
    clock->Advance(kFrameMs);
    EXPECT_EQ(Pane()->text(), "Figure saved");
}

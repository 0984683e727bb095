// Construction, set-up and tear-down of the view, in the order the
// instrument needs: the laser is off before anything else happens, the
// settings and axes exist before the chart, the chart before the driver
// sends its first scan.

#include <QCoreApplication>

#include <cstdio>

#include "Font.h"
#include "MessageBox.h"
#include "WindowTimers.h"
#include "Xrt.h"
#include "acquisition/VexlarView.h"
#include "display/Chart2D.h"

using namespace vexlar;

namespace {

using vexlar::sys::kErrorTitle;
constexpr std::size_t kDriverErrorTextSize = 200;  // 199 characters and the terminator

}  // namespace

CVexlarView::CVexlarView(QWidget* parent) : QWidget(parent)
{
    // The workspace starts at zero, the driver's buffers with it, so that
    // nothing undefined can ever reach the screen.
    for (int ch = 0; ch < kChannels; ++ch)
        calibration::SetChannelCoefficients(calibration_.table, ch, calibration::Coefficients());
    // The program starts with the laser off, whatever state it was left in.
    QDV_V7400StrobeEnable(0);
}

bool CVexlarView::Create(AppContext* app, const QRect& rect, QWidget* parent)
{
    // The view window itself.
    if (!app)
        return false;
    setParent(parent);
    setGeometry(rect);
    setFocusPolicy(Qt::StrongFocus);
    app_ = app;
    flags_.darkStored = false;
    flags_.subtractDark = false;
    flags_.additive = false;
    flags_.additions = 0;
    spectrumMade_ = {};
    flags_.discardNext = false;
    peakTable_.peakLabelsShown = false;
    flags_.cursorShown = false;
    LoadSettings();
    annotationSlots_.annotationMoving = false;
    peakTable_.peakSearchDone = false;
    hinst = app_->hinst;
    // The live data set, created once here (the plot set-up uses it).
    liveData = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, kPixels);
    seriesStyle = XrtDataStyle{};
    calibration_.laserWavenumber = calibration::LaserWavenumber(calibration_.laserWavelength);
    {
        const calibration::Coefficients c = calibration::ChannelCoefficients(calibration_, workspace_.channel);
        calibration::RebuildAxes(c, calibration_.laserWavenumber, workspace_.wavelength, workspace_.wavenumber,
                                 workspace_.spectrum, workspace_.ramanShift);
    }
    flags_.scanning = true;
    SetUpPlot(QRect(QPoint(0, 0), rect.size()));
    // Only the selected channel is enabled, and only here.
    DriverParams& p = params();
    p.size = sizeof(DriverParams);
    p.window = static_cast<QObject*>(this);
    p.hinst = hinst;
    for (int ch = 0; ch < kChannels; ++ch)
        p.buffer[ch] = workspace_.raw[ch];
    p.channelEnable[workspace_.channel] = 1;
    const std::int16_t status = QDV_Register(&p);
    if (status != 0)
        ShowDriverError("Registered Failed", status);
    // Continuous acquisition starts.
    p.unnamed56 = 1;
    p.changed = 1;
    p.unnamed76 = 0;
    SendParamsToDriver();
    RequestScan();
    created_ = true;
    return true;
}

CVexlarView::~CVexlarView()
{
    XrtDataDestroy(liveData);
    liveData = 0;
    seriesStyle = XrtDataStyle{};
    if (openedData != 0) {
        XrtDataDestroy(openedData);
        openedData = 0;
    }
    if (created_) {
        // The laser is a safety matter: a program that has ended never
        // leaves it on, and nothing (a slow disk under the settings) may
        // hold that up.
        QDV_V7400StrobeEnable(0);
        SaveSettings();
        QDV_Stop(hinst);
        QDV_UnRegister(hinst);
    }
    for (unsigned& id : timeAcq_.timerIds) {
        if (id != 0)
            vexlar::sys::KillTimer(this, id);
        id = 0;
    }
    SaveSeriesTableAtExit();
    CancelFramePaint();
    for (AnnotationRecord& a : annotationSlots_.annotations)
        a.ReleaseFont();
    // The chart window destroys its chart with it.
    delete chartWindow_;
    chartWindow_ = nullptr;
}

void CVexlarView::EndWithoutWindow()
{
    if (!created_)
        return;
    // The order of the tear-down, the laser first.
    QDV_V7400StrobeEnable(0);
    SaveControlBarTexts();
    SaveSettings();
    QDV_Stop(hinst);
    QDV_UnRegister(hinst);
    SaveSeriesTableAtExit();
    created_ = false;
}

void CVexlarView::ShowDriverError(const char* text, int code)
{
    char message[kDriverErrorTextSize];
    std::snprintf(message, sizeof message, "%s\nFunction returned %d", text,
                  static_cast<int>(static_cast<std::int16_t>(code)));
    vexlar::sys::ShowOperatorMessage(message, kErrorTitle);
}

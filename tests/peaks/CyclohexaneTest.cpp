// The peak finder on a simulated cyclohexane spectrum, with its labels drawn
// on the chart.

#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "ScanGenerator.h"
#include "Xrt.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// Published Raman shifts of cyclohexane's strong bands, cm-1 (ASTM E1840).
constexpr double kStrongBands[] = {801.3, 1028.3, 1444.4, 2852.9};
// Every band of the reference table, weak ones included.
constexpr double kAllBands[] = {384.1, 426.3, 801.3, 1028.3, 1157.6, 1266.4, 1444.4, 2664.4, 2852.9, 2923.8, 2938.3};
constexpr std::uint64_t kSeed = 1840;

int NearestPixel(const double* ramanShift, double shift)
{
    int best = 0;
    for (int i = 1; i < kPixels; ++i) {
        if (std::abs(ramanShift[i] - shift) < std::abs(ramanShift[best] - shift))
            best = i;
    }
    return best;
}

class CyclohexaneFixture : public ViewFixture {
protected:
    // One laser-on scan of cyclohexane with the simulator's default set-up
    // and the program's default calibration, handled as a scan.
    void ScanCyclohexane()
    {
        qdv::ScanGenerator generator(kSeed);
        qdv::ChannelSetup setup;
        setup.sample = qdv::SampleKind::Cyclohexane;
        qdv::ScanSettings scan;
        scan.integrationMs = 100;
        scan.laserOn = true;
        ASSERT_TRUE(generator.Generate(setup, scan, view->raw[0]));
        driver().Post(WM_SCAN_COMPLETE, 0);
        Deliver();
        ASSERT_EQ(view->spectrum[1000], static_cast<double>(view->raw[0][1000]));
    }
};

}  // namespace

TEST_F(CyclohexaneFixture, MarkAllPeaksLabelsTheStrongBandsAtTheirPublishedShifts)
{
    CreateView();
    view->SetXAxisMode(1);
    ScanCyclohexane();
    // Above the laser line's residue (about 240 counts with the dark level,
    // seven noise deviations below 300) and well below the weakest strong
    // band's top (1444 cm-1, about 400 counts with dark and fluorescence).
    view->peakThreshold = 300.0;
    view->peakSlope = 40.0;
    view->peakWidth = 2;
    view->MarkAllPeaks();

    std::vector<int> found;
    for (const PeakRecord& p : view->peaks) {
        if (p.inUse == 1) {
            found.push_back(p.pixel);
        }
    }
    for (double band : kStrongBands) {
        const int expected = NearestPixel(view->ramanShift, band);
        int hits = 0;
        for (int pixel : found)
            hits += std::abs(pixel - expected) <= 1;
        EXPECT_EQ(hits, 1) << band << " cm-1 at pixel " << expected;
    }
    // Nothing found in the noise: every peak is a band of cyclohexane.
    for (int pixel : found) {
        bool known = false;
        for (double band : kAllBands)
            known = known || std::abs(pixel - NearestPixel(view->ramanShift, band)) <= 1;
        EXPECT_TRUE(known) << "pixel " << pixel << " at " << view->ramanShift[pixel] << " cm-1";
    }

    // Each label stands upright just above its peak's point, inside the chart.
    for (const PeakRecord& p : view->peaks) {
        if (p.inUse != 1)
            continue;
        int left = 0, top = 0, width = 0, height = 0;
        XrtTextAreaGetValues(p.labelArea, XRT_TEXT_LEFT, &left);
        XrtTextAreaGetValues(p.labelArea, XRT_TEXT_TOP, &top);
        XrtTextAreaGetValues(p.labelArea, XRT_TEXT_WIDTH, &width);
        XrtTextAreaGetValues(p.labelArea, XRT_TEXT_HEIGHT, &height);
        XrtPoint point;
        ASSERT_TRUE(XrtUnmap(view->chart(), XRT_MAP_DATA_UNITS, view->ramanShift[p.pixel], p.intensity, &point));
        EXPECT_GT(height, width) << p.label << " reads upwards";
        EXPECT_LE(top + height, point.y) << p.label << " above its point";
        EXPECT_GT(top + height, point.y - 12) << p.label << " close to its point";
        EXPECT_LE(left, point.x);
        EXPECT_GE(left + width, point.x);
        EXPECT_GE(top, 0);
    }

    // The chart as the operator sees it, and zoomed on the C-H stretches.
    const auto draw = [&](const char* variable) {
        QImage image(1000, 600, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            ASSERT_TRUE(XrtDrawToDC(view->chart(), &painter, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 0, 0,
                                    image.width(), image.height()));
        }
        if (const char* out = std::getenv(variable))
            image.save(out);
    };
    draw("VEXLAR_PEAK_PNG");
    XrtSetValues(view->chart(), XRT_X_MIN, 2600.0);
    XrtSetValues(view->chart(), XRT_X_MAX, 3100.0);
    draw("VEXLAR_PEAK_ZOOM_PNG");
}

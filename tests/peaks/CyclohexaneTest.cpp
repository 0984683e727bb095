// The peak finder on a simulated cyclohexane spectrum, with its labels drawn
// on the chart.

#include <QImage>
#include <QPainter>

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "ScanGenerator.h"
#include "Xrt.h"
#include "support/PeakReadout.h"
#include "support/ViewFixture.h"

using namespace vexlar;
using namespace vexlar::test;

namespace {

// Published Raman shifts of cyclohexane's strong bands, cm-1 (ASTM E1840).
constexpr double kStrongBands[] = {801.3, 1028.3, 1444.4, 2852.9};
// Every band of the reference table, weak ones included.
constexpr double kAllBands[] = {384.1, 426.3, 801.3, 1028.3, 1157.6, 1266.4, 1444.4, 2664.4, 2852.9, 2923.8, 2938.3};
constexpr std::uint64_t kSeed = 1840;

int NearestPixel(const std::vector<double>& ramanShift, double shift)
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
        std::vector<float> raw(kPixels);
        ASSERT_TRUE(generator.Generate(setup, scan, raw.data()));
        ScanPixels(0, raw);
        ASSERT_EQ(ShownY(1000), static_cast<double>(raw[1000]));
    }
};

}  // namespace

TEST_F(CyclohexaneFixture, MarkAllPeaksLabelsTheStrongBandsAtTheirPublishedShifts)
{
    // Above the laser line's residue (about 240 counts with the dark level,
    // seven noise deviations below 300) and well below the weakest strong
    // band's top (1444 cm-1, about 400 counts with dark and fluorescence).
    Setting("PeakFind", "Threshold", "300.0");
    Setting("PeakFind", "Slope", "40.0");
    Setting("PeakFind", "Width", "2");
    CreateView();
    view->instrument().SetXAxisMode(1);
    ScanCyclohexane();
    view->peaks().MarkAllPeaks();

    const std::vector<double> ramanShift = ShownXs(chart());
    const std::vector<TextSeen> labels = MarkedPeaks(*view);
    std::vector<int> found;
    for (const TextSeen& label : labels)
        found.push_back(label.point);
    for (double band : kStrongBands) {
        const int expected = NearestPixel(ramanShift, band);
        int hits = 0;
        for (int pixel : found)
            hits += std::abs(pixel - expected) <= 1;
        EXPECT_EQ(hits, 1) << band << " cm-1 at pixel " << expected;
    }
    // Nothing found in the noise: every peak is a band of cyclohexane.
    for (int pixel : found) {
        bool known = false;
        for (double band : kAllBands)
            known = known || std::abs(pixel - NearestPixel(ramanShift, band)) <= 1;
        EXPECT_TRUE(known) << "pixel " << pixel << " at " << ramanShift[pixel] << " cm-1";
    }

    // Each label stands upright just above its peak's point, inside the chart.
    const std::vector<double> intensity = ShownYs(chart());
    for (const TextSeen& p : labels) {
        const std::string label = p.text();
        XrtPoint point;
        ASSERT_TRUE(XrtUnmap(chart(), XRT_MAP_DATA_UNITS, ramanShift[p.point], intensity[p.point], &point));
        EXPECT_GT(p.height, p.width) << label << " reads upwards";
        EXPECT_LE(p.top + p.height, point.y) << label << " above its point";
        EXPECT_GT(p.top + p.height, point.y - 12) << label << " close to its point";
        EXPECT_LE(p.left, point.x);
        EXPECT_GE(p.left + p.width, point.x);
        EXPECT_GE(p.top, 0);
    }

    // The chart as the operator sees it, and zoomed on the C-H stretches.
    const auto draw = [&](const char* variable) {
        QImage image(1000, 600, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            ASSERT_TRUE(XrtDrawToDC(chart(), &painter, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 0, 0,
                                    image.width(), image.height()));
        }
        if (const char* out = std::getenv(variable))
            image.save(out);
    };
    draw("VEXLAR_PEAK_PNG");
    XrtSetValues(chart(), XRT_X_MIN, 2600.0);
    XrtSetValues(chart(), XRT_X_MAX, 3100.0);
    draw("VEXLAR_PEAK_ZOOM_PNG");
}

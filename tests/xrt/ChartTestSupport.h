#pragma once
// Helpers for the chart library's tests: a chart showing a spectrum-like
// data set, rendering it into an image, and finding colours in the image.

#include <QColor>
#include <QImage>
#include <QRect>

#include <vector>

#include "Xrt.h"

namespace vexlar::test {

constexpr int kPoints = 2048;
constexpr int kChartWidth = 1000;
constexpr int kChartHeight = 600;
constexpr double kFirstWavelength = 350.0;
constexpr double kLastWavelength = 660.0;
constexpr double kYMax = 4100.0;

// x: wavelengths evenly from 350 to 660 nm; y: a few Gaussian bands on a
// gently sloping baseline.
std::vector<double> Wavelengths();
std::vector<double> SpectrumLike();

// The red, one-pixel spectrum style the program gives set 0.
XrtDataStyle RedSeriesStyle();

// A chart of kChartWidth x kChartHeight (no window) showing one set of
// kPoints points, X 350-660, Y 0-4100, titles set, drawn once.
class TestChart {
public:
    explicit TestChart(const std::vector<double>& y = SpectrumLike(), int width = kChartWidth,
                       int height = kChartHeight);
    ~TestChart();
    TestChart(const TestChart&) = delete;
    TestChart& operator=(const TestChart&) = delete;

    XrtHandle chart = 0;
    XrtHandle data = 0;
    std::vector<double> x;
    std::vector<double> y;
};

// The chart drawn with XrtDrawToDC into a white image of the given size.
QImage Render(XrtHandle chart, int width, int height);

// Chart pixel of a data point (XrtUnmap); fails the test on failure.
QPoint PixelOf(XrtHandle chart, double x, double y);

bool IsRed(QRgb pixel);
// Black or dark grey (text, axes, cursor), not the red line.
bool IsDark(QRgb pixel);
// Bounding box of the pixels inside region that pass the test.
template <typename Test>
QRect InkBox(const QImage& image, const QRect& region, Test test)
{
    QRect box;
    const QRect clipped = region.intersected(image.rect());
    for (int y = clipped.top(); y <= clipped.bottom(); ++y) {
        for (int x = clipped.left(); x <= clipped.right(); ++x) {
            if (test(image.pixel(x, y)))
                box = box.united(QRect(x, y, 1, 1));
        }
    }
    return box;
}

// Text-area geometry as read back from the chart.
QRect TextGeometry(XrtHandle text);

}  // namespace vexlar::test

#include "ChartTestSupport.h"

#include <gtest/gtest.h>

#include <QPainter>

#include <cmath>

namespace vexlar::test {

std::vector<double> Wavelengths()
{
    std::vector<double> x(kPoints);
    for (int i = 0; i < kPoints; ++i)
        x[static_cast<std::size_t>(i)] = kFirstWavelength + (kLastWavelength - kFirstWavelength) * i / (kPoints - 1);
    return x;
}

std::vector<double> SpectrumLike()
{
    struct Band {
        double centre, width, height;
    };
    const Band bands[] = {{420.0, 2.5, 1800.0}, {480.0, 4.0, 3300.0}, {532.0, 1.5, 900.0}, {600.0, 6.0, 2400.0}};
    std::vector<double> y;
    for (double wavelength : Wavelengths()) {
        double value = 300.0 + 0.4 * (wavelength - kFirstWavelength);
        for (const Band& band : bands)
            value += band.height * std::exp(-0.5 * std::pow((wavelength - band.centre) / band.width, 2));
        y.push_back(value);
    }
    return y;
}

XrtDataStyle RedSeriesStyle()
{
    XrtDataStyle style;
    style.words[XRT_STYLE_LINE_PATTERN] = XRT_LINE_SOLID;
    style.words[XRT_STYLE_LINE_WIDTH] = 2;
    style.words[XRT_STYLE_LINE_COLOR] = 0x0000FF;
    style.words[XRT_STYLE_SYMBOL] = XRT_SYMBOL_PIXEL;
    style.words[XRT_STYLE_SYMBOL_SIZE] = 2;
    style.words[XRT_STYLE_SYMBOL_COLOR] = 0x0000FF;
    return style;
}

TestChart::TestChart(const std::vector<double>& values, int width, int height) : x(Wavelengths()), y(values)
{
    chart = XrtCreate();
    data = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, kPoints);
    EXPECT_NE(chart, 0u);
    EXPECT_NE(data, 0u);
    EXPECT_TRUE(XrtDataSetXData(data, 0, x.data(), kPoints, 0));
    EXPECT_TRUE(XrtDataSetYData(data, 0, y.data(), kPoints, 0));
    const XrtDataStyle style = RedSeriesStyle();
    EXPECT_TRUE(XrtSetValues(chart, XRT_REPAINT, 0));
    EXPECT_TRUE(XrtSetValues(chart, XRT_WIDTH, width));
    EXPECT_TRUE(XrtSetValues(chart, XRT_HEIGHT, height));
    EXPECT_TRUE(XrtSetValues(chart, XRT_MARGIN_LEFT, 60));
    EXPECT_TRUE(XrtSetValues(chart, XRT_MARGIN_BOTTOM, 60));
    EXPECT_TRUE(XrtSetValues(chart, XRT_MARGIN_TOP, 18));
    EXPECT_TRUE(XrtSetValues(chart, XRT_MARGIN_RIGHT, 40));
    EXPECT_TRUE(XrtSetValues(chart, XRT_X_MIN, kFirstWavelength));
    EXPECT_TRUE(XrtSetValues(chart, XRT_X_MAX, kLastWavelength));
    EXPECT_TRUE(XrtSetValues(chart, XRT_Y_MIN, 0.0));
    EXPECT_TRUE(XrtSetValues(chart, XRT_Y_MAX, kYMax));
    EXPECT_TRUE(XrtSetValues(chart, XRT_X_TITLE, "Wavelength (nm)"));
    EXPECT_TRUE(XrtSetValues(chart, XRT_Y_TITLE, "Intensity"));
    EXPECT_TRUE(XrtSetValues(chart, XRT_DATA, data));
    EXPECT_TRUE(XrtSetNthDataStyle(chart, 0, &style));
    EXPECT_TRUE(XrtSetValues(chart, XRT_REPAINT, 1));
}

TestChart::~TestChart()
{
    XrtDestroy(chart);
    XrtDataDestroy(data);
}

QImage Render(XrtHandle chart, int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    EXPECT_TRUE(XrtDrawToDC(chart, &painter, XRT_DRAW_WHOLE_CHART, XRT_DRAW_SCALE_TO_RECT, 0, 0, width, height));
    painter.end();
    return image;
}

QPoint PixelOf(XrtHandle chart, double x, double y)
{
    XrtPoint point;
    EXPECT_TRUE(XrtUnmap(chart, XRT_MAP_DATA_UNITS, x, y, &point)) << XrtGetLastError();
    return {point.x, point.y};
}

bool IsRed(QRgb pixel)
{
    return qRed(pixel) > 160 && qGreen(pixel) < 110 && qBlue(pixel) < 110;
}

bool IsDark(QRgb pixel)
{
    const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
    return r < 140 && g < 140 && b < 140 && std::abs(r - g) < 40 && std::abs(g - b) < 40;
}

QRect TextGeometry(XrtHandle text)
{
    int left = 0, top = 0, width = 0, height = 0;
    EXPECT_TRUE(XrtTextAreaGetValues(text, XRT_TEXT_LEFT, &left)) << XrtGetLastError();
    EXPECT_TRUE(XrtTextAreaGetValues(text, XRT_TEXT_TOP, &top));
    EXPECT_TRUE(XrtTextAreaGetValues(text, XRT_TEXT_WIDTH, &width));
    EXPECT_TRUE(XrtTextAreaGetValues(text, XRT_TEXT_HEIGHT, &height));
    return {left, top, width, height};
}

}  // namespace vexlar::test

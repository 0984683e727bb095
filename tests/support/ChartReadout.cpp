#include "support/ChartReadout.h"

#include <algorithm>

namespace vexlar::test {

XrtHandle ShownData(XrtHandle chart)
{
    XrtHandle data = 0;
    XrtGetValues(chart, XRT_DATA, &data);
    return data;
}

double ShownX(XrtHandle chart, int point)
{
    double x = -1;
    XrtDataGetXElementIndirect(ShownData(chart), 0, point, &x);
    return x;
}

double ShownY(XrtHandle chart, int point)
{
    double y = -1;
    XrtDataGetYElementIndirect(ShownData(chart), 0, point, &y);
    return y;
}

namespace {

std::vector<double> Points(XrtHandle chart, bool x)
{
    const XrtHandle data = ShownData(chart);
    int count = 0;
    XrtDataGetPointCount(data, &count);
    std::vector<double> values(static_cast<std::size_t>(std::max(count, 0)));
    for (int i = 0; i < count; ++i) {
        if (x)
            XrtDataGetXElementIndirect(data, 0, i, &values[static_cast<std::size_t>(i)]);
        else
            XrtDataGetYElementIndirect(data, 0, i, &values[static_cast<std::size_t>(i)]);
    }
    return values;
}

std::vector<TextSeen> Only(std::vector<TextSeen> all, bool (*keep)(const TextSeen&))
{
    all.erase(std::remove_if(all.begin(), all.end(), [keep](const TextSeen& t) { return !keep(t); }), all.end());
    return all;
}

}  // namespace

std::vector<double> ShownXs(XrtHandle chart)
{
    return Points(chart, true);
}

std::vector<double> ShownYs(XrtHandle chart)
{
    return Points(chart, false);
}

bool ShowsEverywhere(XrtHandle chart, double y)
{
    const std::vector<double> ys = ShownYs(chart);
    return !ys.empty() && std::all_of(ys.begin(), ys.end(), [y](double v) { return v == y; });
}

Scale ScaleOf(XrtHandle chart)
{
    Scale s;
    XrtGetValues(chart, XRT_X_MIN, &s.xMin);
    XrtGetValues(chart, XRT_X_MAX, &s.xMax);
    XrtGetValues(chart, XRT_Y_MIN, &s.yMin);
    XrtGetValues(chart, XRT_Y_MAX, &s.yMax);
    XrtGetValues(chart, XRT_X_BOUND_MIN, &s.boundMin);
    XrtGetValues(chart, XRT_X_BOUND_MAX, &s.boundMax);
    XrtGetValues(chart, XRT_X_TITLE, &s.xTitle);
    XrtGetValues(chart, XRT_Y_TITLE, &s.yTitle);
    return s;
}

bool CursorShown(XrtHandle chart)
{
    int shown = 0;
    XrtGetValues(chart, XRT_CURSOR_SHOWN, &shown);
    return shown != 0;
}

int CursorPoint(XrtHandle chart)
{
    int point = -1;
    XrtGetValues(chart, XRT_CURSOR_POINT, &point);
    return point;
}

std::uint64_t Redraws(XrtHandle chart)
{
    std::uint64_t count = 0;
    XrtGetRedrawCount(chart, &count);
    return count;
}

std::vector<TextSeen> TextAreas(XrtHandle chart)
{
    std::vector<XrtHandle> handles;
    XrtGetTextAreas(chart, &handles);
    std::vector<TextSeen> areas;
    for (const XrtHandle h : handles) {
        TextSeen t;
        t.handle = h;
        int shown = 0;
        XrtTextAreaGetValues(h, XRT_TEXT_SHOWN, &shown);
        t.shown = shown != 0;
        XrtTextAreaGetValues(h, XRT_TEXT_LINES, &t.lines);
        XrtTextAreaGetValues(h, XRT_TEXT_ATTACH, &t.attach);
        XrtTextAreaGetValues(h, XRT_TEXT_POINT, &t.point);
        XrtTextAreaGetValues(h, XRT_TEXT_ANCHOR_X, &t.anchorX);
        XrtTextAreaGetValues(h, XRT_TEXT_ANCHOR_Y, &t.anchorY);
        XrtTextAreaGetValues(h, XRT_TEXT_LEFT, &t.left);
        XrtTextAreaGetValues(h, XRT_TEXT_TOP, &t.top);
        XrtTextAreaGetValues(h, XRT_TEXT_WIDTH, &t.width);
        XrtTextAreaGetValues(h, XRT_TEXT_HEIGHT, &t.height);
        XrtTextAreaGetFont(h, &t.font);
        areas.push_back(std::move(t));
    }
    return areas;
}

std::vector<TextSeen> PeakLabels(XrtHandle chart)
{
    return Only(TextAreas(chart), [](const TextSeen& t) { return t.attach == XRT_ATTACH_DATA_POINT; });
}

std::vector<TextSeen> ShownPeakLabels(XrtHandle chart)
{
    return Only(PeakLabels(chart), [](const TextSeen& t) { return t.shown; });
}

std::vector<TextSeen> AnnotationAreas(XrtHandle chart)
{
    return Only(TextAreas(chart), [](const TextSeen& t) { return t.attach == XRT_ATTACH_COORDS; });
}

std::vector<TextSeen> ShownAnnotations(XrtHandle chart)
{
    return Only(AnnotationAreas(chart), [](const TextSeen& t) { return t.shown; });
}

}  // namespace vexlar::test

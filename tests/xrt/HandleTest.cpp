// Handle tables: 0, unknown, stale and wrong-kind handles are refused and
// never crash; handles are not handed out again after destroy.

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "HandleTable.h"
#include "Xrt.h"

namespace {

constexpr XrtHandle kUnknown = 0x7FFFFFFFu;

// Every call that takes a chart, with the given handle; true if any succeeded.
bool AnyChartCallSucceeds(XrtHandle chart)
{
    int value = 0;
    XrtMapResult mapped;
    XrtPoint point;
    std::uint64_t count = 0;
    XrtDataStyle style;
    return XrtSetValues(chart, XRT_REPAINT, 1) || XrtGetValues(chart, XRT_REPAINT, &value) ||
           XrtSetNthDataStyle(chart, 0, &style) || XrtMap(chart, XRT_MAP_DATA_UNITS, 1, 1, &mapped) ||
           XrtUnmap(chart, XRT_MAP_DATA_UNITS, 1.0, 1.0, &point) || XrtGetRedrawCount(chart, &count) ||
           XrtAttachWindow(chart, nullptr) || XrtTextAreaCreate(chart) != 0 || XrtDestroy(chart);
}

bool AnyDataCallSucceeds(XrtHandle data)
{
    double values[4] = {1, 2, 3, 4};
    double value = 0;
    int count = 0;
    return XrtDataSetXData(data, 0, values, 4, 0) || XrtDataSetYData(data, 0, values, 4, 0) ||
           XrtDataGetXElementIndirect(data, 0, 0, &value) || XrtDataGetYElementIndirect(data, 0, 0, &value) ||
           XrtDataGetPointCount(data, &count) || XrtDataGetSetCount(data, &count) ||
           XrtDataSaveToFile(data, "never-written.ram") || XrtDataDestroy(data);
}

bool AnyTextCallSucceeds(XrtHandle text)
{
    int value = 0;
    vexlar::sys::LogFont font;
    return XrtTextAreaSetValues(text, XRT_TEXT_SHOWN, 1) || XrtTextAreaGetValues(text, XRT_TEXT_SHOWN, &value) ||
           XrtTextAreaGetValues(text, XRT_TEXT_LEFT, &value) || XrtTextAreaGetFont(text, &font) ||
           XrtTextAreaDestroy(text);
}

TEST(XrtHandles, NoneAndUnknownHandlesAreRefused)
{
    for (XrtHandle handle : {XrtHandle{0}, kUnknown, XrtHandle{1}, XrtHandle{0xFFFFFFFFu}}) {
        EXPECT_FALSE(AnyChartCallSucceeds(handle)) << handle;
        EXPECT_FALSE(AnyDataCallSucceeds(handle)) << handle;
        EXPECT_FALSE(AnyTextCallSucceeds(handle)) << handle;
    }
    EXPECT_NE(XrtGetLastError().find("handle"), std::string::npos) << XrtGetLastError();
}

TEST(XrtHandles, HandlesOfOneKindAreUnknownAsAnother)
{
    XrtHandle chart = XrtCreate();
    XrtHandle data = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, 16);
    XrtHandle text = XrtTextAreaCreate(chart);
    ASSERT_NE(chart, 0u);
    ASSERT_NE(data, 0u);
    ASSERT_NE(text, 0u);

    EXPECT_FALSE(AnyDataCallSucceeds(chart));
    EXPECT_FALSE(AnyTextCallSucceeds(chart));
    EXPECT_FALSE(AnyChartCallSucceeds(data));
    EXPECT_FALSE(AnyTextCallSucceeds(data));
    EXPECT_FALSE(AnyChartCallSucceeds(text));
    EXPECT_FALSE(AnyDataCallSucceeds(text));
    // A chart or text handle shown as data is refused too.
    EXPECT_FALSE(XrtSetValues(chart, XRT_DATA, text));

    // Nothing was destroyed by the wrong-kind calls.
    int value = 0;
    EXPECT_TRUE(XrtGetValues(chart, XRT_REPAINT, &value));
    EXPECT_TRUE(XrtDataGetPointCount(data, &value));
    EXPECT_EQ(value, 16);
    EXPECT_TRUE(XrtTextAreaGetValues(text, XRT_TEXT_SHOWN, &value));
    EXPECT_TRUE(XrtDestroy(chart));
    EXPECT_TRUE(XrtDataDestroy(data));
}

TEST(XrtHandles, DestroyedHandlesStayStale)
{
    XrtHandle chart = XrtCreate();
    XrtHandle text = XrtTextAreaCreate(chart);
    XrtHandle otherText = XrtTextAreaCreate(chart);
    XrtHandle data = XrtDataCreate(XRT_DATA_SEPARATE_X, 1, 8);
    ASSERT_TRUE(XrtTextAreaDestroy(otherText));
    EXPECT_FALSE(AnyTextCallSucceeds(otherText));

    ASSERT_TRUE(XrtDestroy(chart));
    ASSERT_TRUE(XrtDataDestroy(data));
    EXPECT_FALSE(AnyChartCallSucceeds(chart));
    EXPECT_FALSE(AnyDataCallSucceeds(data));
    // Text areas go with their chart.
    EXPECT_FALSE(AnyTextCallSucceeds(text));

    // New objects never take the old handles, however many are made.
    std::set<XrtHandle> seen = {chart, text, otherText, data};
    for (int i = 0; i < 200; ++i) {
        XrtHandle newChart = XrtCreate();
        XrtHandle newText = XrtTextAreaCreate(newChart);
        XrtHandle newData = XrtDataCreate(XRT_DATA_COMMON_X, 1, 1);
        for (XrtHandle handle : {newChart, newText, newData}) {
            ASSERT_NE(handle, 0u);
            EXPECT_TRUE(seen.insert(handle).second) << "handle " << handle << " handed out twice";
        }
        XrtDestroy(newChart);
        XrtDataDestroy(newData);
    }
    EXPECT_FALSE(AnyChartCallSucceeds(chart));
    EXPECT_FALSE(AnyDataCallSucceeds(data));
    EXPECT_FALSE(AnyTextCallSucceeds(text));
}

TEST(XrtHandles, TableSerialsWrapPastZeroAndKeepTheirKind)
{
    using vexlar::xrt::HandleKind;
    using Table = vexlar::xrt::HandleTable<int>;
    Table table(HandleKind::Text, Table::kSerialMask - 1);
    const auto last = table.Add(1);
    const auto wrapped = table.Add(2);
    const auto kindBits = static_cast<std::uint32_t>(HandleKind::Text) << Table::kKindShift;
    EXPECT_EQ(last, kindBits | Table::kSerialMask);
    EXPECT_EQ(wrapped, kindBits | 1u);  // serial 0 is skipped: no handle is ever 0
    EXPECT_EQ(*table.Find(last), 1);
    EXPECT_EQ(*table.Find(wrapped), 2);
    EXPECT_EQ(table.Find(0), nullptr);
    EXPECT_TRUE(table.Remove(last));
    EXPECT_FALSE(table.Remove(last));
    EXPECT_EQ(table.Find(last), nullptr);
}

TEST(XrtHandles, BadDataShapesGiveNoHandle)
{
    EXPECT_EQ(XrtDataCreate(0, 1, 2048), 0u);
    EXPECT_EQ(XrtDataCreate(XRT_DATA_SEPARATE_X, 0, 2048), 0u);
    EXPECT_EQ(XrtDataCreate(XRT_DATA_SEPARATE_X, 1, 0), 0u);
    EXPECT_EQ(XrtDataCreate(XRT_DATA_SEPARATE_X, 1, -5), 0u);
    EXPECT_EQ(XrtDataCreate(XRT_DATA_SEPARATE_X, 65, 10), 0u);
    EXPECT_EQ(XrtDataCreate(XRT_DATA_SEPARATE_X, 1, 1'000'001), 0u);
    EXPECT_NE(XrtGetLastError().find("number of points"), std::string::npos) << XrtGetLastError();
}

}  // namespace

// The chart library's calls: handle look-up, value checks, then the chart,
// text area or data set does the work.

#include "Xrt.h"

#include <QFile>
#include <QString>

#include <cmath>
#include <iterator>
#include <memory>
#include <sstream>
#include <system_error>

#include "Chart.h"
#include "CodeTable.h"
#include "DataFile.h"
#include "DataSet.h"
#include "HandleTable.h"

namespace vexlar::xrt {

namespace {

struct TextRef {
    Chart* chart = nullptr;
    TextArea* area = nullptr;
};

struct Library {
    HandleTable<std::unique_ptr<Chart>> charts{HandleKind::Chart};
    HandleTable<std::unique_ptr<DataSet>> data{HandleKind::Data};
    HandleTable<TextRef> texts{HandleKind::Text};
};

// Made once and never destroyed: charts hold widgets, which must not be torn
// down by static destructors after the application object is gone.
Library& Lib()
{
    static Library* library = new Library;
    return *library;
}

thread_local std::string lastError;

bool Fail(const char* call, const std::string& reason)
{
    lastError = std::string(call) + ": " + reason;
    return false;
}

Handle FailHandle(const char* call, const std::string& reason)
{
    Fail(call, reason);
    return 0;
}

std::string HandleText(Handle handle)
{
    std::ostringstream text;
    text << "0x" << std::hex << handle;
    return text.str();
}

Chart* FindChart(const char* call, Handle chart)
{
    auto* found = Lib().charts.Find(chart);
    if (!found) {
        Fail(call, "no chart has handle " + HandleText(chart));
        return nullptr;
    }
    return found->get();
}

TextRef* FindText(const char* call, Handle text)
{
    TextRef* found = Lib().texts.Find(text);
    if (!found)
        Fail(call, "no text area has handle " + HandleText(text));
    return found;
}

DataSet* FindData(const char* call, Handle data)
{
    auto* found = Lib().data.Find(data);
    if (!found) {
        Fail(call, "no data set has handle " + HandleText(data));
        return nullptr;
    }
    return found->get();
}

std::string CodeText(const CodeInfo& info)
{
    return "code " + std::to_string(info.code) + " (" + info.name + ")";
}

// Type, access and range of a value for a code, before it reaches the chart.
bool CheckSetValue(const CodeInfo& info, const XrtValue& value, std::string* error)
{
    if (info.readOnly) {
        *error = CodeText(info) + " is read only";
        return false;
    }
    if (value.type() != info.type) {
        *error = CodeText(info) + " takes " + TypeName(info.type) + ", not " + TypeName(value.type());
        return false;
    }
    switch (info.type) {
    case XrtValueType::Int:
        if (!IntInRange(info.range, value.AsInt())) {
            *error = CodeText(info) + " does not take the value " + std::to_string(value.AsInt());
            return false;
        }
        return true;
    case XrtValueType::Double:
        if (!std::isfinite(value.AsDouble())) {
            *error = CodeText(info) + " takes only finite numbers";
            return false;
        }
        return true;
    case XrtValueType::Text:
        if (!value.AsText()) {
            *error = CodeText(info) + " was given a null text";
            return false;
        }
        return true;
    case XrtValueType::TextLines:
        if (!value.AsTextLines()) {
            *error = CodeText(info) + " was given a null list of lines";
            return false;
        }
        return true;
    case XrtValueType::Handle:
    case XrtValueType::Style:
        return true;
    }
    return false;
}

bool CheckGetValue(const CodeInfo& info, const XrtValueOut& out, std::string* error)
{
    if (out.type() != info.type) {
        *error = CodeText(info) + " gives " + TypeName(info.type) + ", not " + TypeName(out.type());
        return false;
    }
    if (out.IsNull()) {
        *error = "no place given for the value of " + CodeText(info);
        return false;
    }
    return true;
}

template <std::size_t N>
const CodeInfo* FindCodeOrFail(const char* call, const CodeInfo (&table)[N], int code, const char* owner)
{
    const CodeInfo* info = FindCode(table, code);
    if (!info)
        Fail(call, "code " + std::to_string(code) + " is not a " + owner + " code");
    return info;
}

}  // namespace

const DataSet* FindDataSet(Handle data)
{
    auto* found = Lib().data.Find(data);
    return found ? found->get() : nullptr;
}

}  // namespace vexlar::xrt

using namespace vexlar::xrt;

std::string XrtGetLastError()
{
    return lastError;
}

// --- Charts -----------------------------------------------------------------

XrtHandle XrtCreate()
{
    Handle handle = Lib().charts.Add(std::make_unique<Chart>());
    if (handle == 0)
        return FailHandle("XrtCreate", "too many charts");
    return handle;
}

bool XrtDestroy(XrtHandle chart)
{
    std::unique_ptr<Chart> owned;
    if (!Lib().charts.Take(chart, &owned))
        return Fail("XrtDestroy", "no chart has handle " + HandleText(chart));
    for (const auto& area : owned->textAreas())
        Lib().texts.Remove(area->handle);
    return true;
}

bool XrtAttachWindow(XrtHandle chart, QWidget* window)
{
    Chart* found = FindChart("XrtAttachWindow", chart);
    if (!found)
        return false;
    found->Attach(window);
    return true;
}

bool XrtSetValues(XrtHandle chart, int code, const XrtValue& value)
{
    constexpr const char* kCall = "XrtSetValues";
    Chart* found = FindChart(kCall, chart);
    const CodeInfo* info = found ? FindCodeOrFail(kCall, kChartCodes, code, "chart") : nullptr;
    if (!info)
        return false;
    std::string error;
    if (!CheckSetValue(*info, value, &error) || !found->Set(*info, value, &error))
        return Fail(kCall, error);
    return true;
}

bool XrtGetValues(XrtHandle chart, int code, XrtValueOut value)
{
    constexpr const char* kCall = "XrtGetValues";
    Chart* found = FindChart(kCall, chart);
    const CodeInfo* info = found ? FindCodeOrFail(kCall, kChartCodes, code, "chart") : nullptr;
    if (!info)
        return false;
    std::string error;
    if (!CheckGetValue(*info, value, &error) || !found->Get(*info, value, &error))
        return Fail(kCall, error);
    return true;
}

bool XrtSetNthDataStyle(XrtHandle chart, int set, const XrtDataStyle* style)
{
    Chart* found = FindChart("XrtSetNthDataStyle", chart);
    if (!found)
        return false;
    if (!style)
        return Fail("XrtSetNthDataStyle", "no style given");
    std::string error;
    return found->SetNthStyle(set, *style, &error) || Fail("XrtSetNthDataStyle", error);
}

bool XrtGetNthDataStyle(XrtHandle chart, int set, XrtDataStyle* style)
{
    Chart* found = FindChart("XrtGetNthDataStyle", chart);
    if (!found)
        return false;
    if (!style)
        return Fail("XrtGetNthDataStyle", "no place given for the style");
    std::string error;
    return found->GetNthStyle(set, style, &error) || Fail("XrtGetNthDataStyle", error);
}

bool XrtMap(XrtHandle chart, int selector, int px, int py, XrtMapResult* result)
{
    Chart* found = FindChart("XrtMap", chart);
    if (!found)
        return false;
    if (selector != XRT_MAP_DATA_UNITS)
        return Fail("XrtMap", "unknown selector " + std::to_string(selector));
    if (!result)
        return Fail("XrtMap", "no place given for the result");
    return found->Map(px, py, result);
}

bool XrtUnmap(XrtHandle chart, int selector, double x, double y, XrtPoint* point)
{
    Chart* found = FindChart("XrtUnmap", chart);
    if (!found)
        return false;
    if (selector != XRT_MAP_DATA_UNITS)
        return Fail("XrtUnmap", "unknown selector " + std::to_string(selector));
    if (!point)
        return Fail("XrtUnmap", "no place given for the point");
    std::string error;
    return found->Unmap(x, y, point, &error) || Fail("XrtUnmap", error);
}

bool XrtDrawToDC(XrtHandle chart, QPainter* painter, int what, int how, int left, int top, int width, int height)
{
    Chart* found = FindChart("XrtDrawToDC", chart);
    if (!found)
        return false;
    if (what != XRT_DRAW_WHOLE_CHART || how != XRT_DRAW_SCALE_TO_RECT)
        return Fail("XrtDrawToDC", "unknown drawing mode " + std::to_string(what) + ", " + std::to_string(how));
    std::string error;
    return found->DrawTo(painter, left, top, width, height, &error) || Fail("XrtDrawToDC", error);
}

bool XrtGetRedrawCount(XrtHandle chart, std::uint64_t* count)
{
    Chart* found = FindChart("XrtGetRedrawCount", chart);
    if (!found)
        return false;
    if (!count)
        return Fail("XrtGetRedrawCount", "no place given for the count");
    *count = found->redrawCount();
    return true;
}

// --- Text areas ---------------------------------------------------------------

XrtHandle XrtTextAreaCreate(XrtHandle chart)
{
    Chart* found = FindChart("XrtTextAreaCreate", chart);
    if (!found)
        return 0;
    TextArea* area = found->AddTextArea();
    if (!area)
        return FailHandle("XrtTextAreaCreate", "the chart has too many text areas");
    area->handle = Lib().texts.Add(TextRef{found, area});
    if (area->handle == 0) {
        found->RemoveTextArea(area);
        return FailHandle("XrtTextAreaCreate", "too many text areas");
    }
    return area->handle;
}

bool XrtTextAreaDestroy(XrtHandle text)
{
    TextRef ref;
    if (!Lib().texts.Take(text, &ref))
        return Fail("XrtTextAreaDestroy", "no text area has handle " + HandleText(text));
    ref.chart->RemoveTextArea(ref.area);
    return true;
}

bool XrtTextAreaSetValues(XrtHandle text, int code, const XrtValue& value)
{
    constexpr const char* kCall = "XrtTextAreaSetValues";
    TextRef* ref = FindText(kCall, text);
    const CodeInfo* info = ref ? FindCodeOrFail(kCall, kTextCodes, code, "text area") : nullptr;
    if (!info)
        return false;
    std::string error;
    if (!CheckSetValue(*info, value, &error) || !ref->chart->SetText(*ref->area, *info, value, &error))
        return Fail(kCall, error);
    return true;
}

bool XrtTextAreaGetValues(XrtHandle text, int code, XrtValueOut value)
{
    constexpr const char* kCall = "XrtTextAreaGetValues";
    TextRef* ref = FindText(kCall, text);
    const CodeInfo* info = ref ? FindCodeOrFail(kCall, kTextCodes, code, "text area") : nullptr;
    if (!info)
        return false;
    std::string error;
    if (!CheckGetValue(*info, value, &error) || !ref->chart->GetText(*ref->area, *info, value, &error))
        return Fail(kCall, error);
    return true;
}

bool XrtTextAreaGetFont(XrtHandle text, vexlar::sys::LogFont* font)
{
    TextRef* ref = FindText("XrtTextAreaGetFont", text);
    if (!ref)
        return false;
    if (!font)
        return Fail("XrtTextAreaGetFont", "no place given for the font");
    *font = ref->area->font;
    return true;
}

bool XrtGetTextAreas(XrtHandle chart, std::vector<XrtHandle>* areas)
{
    Chart* found = FindChart("XrtGetTextAreas", chart);
    if (!found)
        return false;
    if (!areas)
        return Fail("XrtGetTextAreas", "no place given for the text areas");
    areas->clear();
    for (const std::unique_ptr<TextArea>& area : found->textAreas())
        areas->push_back(area->handle);
    return true;
}

// --- Data sets ------------------------------------------------------------------

namespace {

void NotifyCharts(Handle data)
{
    Lib().charts.ForEach([data](Handle, std::unique_ptr<Chart>& chart) { chart->DataChanged(data); });
}

}  // namespace

XrtHandle XrtDataCreate(int type, int sets, int points)
{
    std::string error;
    if (!DataSet::CheckShape(type, sets, points, &error))
        return FailHandle("XrtDataCreate", error);
    Handle handle = Lib().data.Add(std::make_unique<DataSet>(type, sets, points));
    if (handle == 0)
        return FailHandle("XrtDataCreate", "too many data sets");
    return handle;
}

bool XrtDataDestroy(XrtHandle data)
{
    std::unique_ptr<DataSet> owned;
    if (!Lib().data.Take(data, &owned))
        return Fail("XrtDataDestroy", "no data set has handle " + HandleText(data));
    NotifyCharts(data);
    return true;
}

bool XrtDataGetSetCount(XrtHandle data, int* sets)
{
    DataSet* found = FindData("XrtDataGetSetCount", data);
    if (!found)
        return false;
    if (!sets)
        return Fail("XrtDataGetSetCount", "no place given for the count");
    *sets = found->sets();
    return true;
}

bool XrtDataGetPointCount(XrtHandle data, int* points)
{
    DataSet* found = FindData("XrtDataGetPointCount", data);
    if (!found)
        return false;
    if (!points)
        return Fail("XrtDataGetPointCount", "no place given for the count");
    *points = found->points();
    return true;
}

bool XrtDataSetXData(XrtHandle data, int set, const double* values, int count, int first)
{
    DataSet* found = FindData("XrtDataSetXData", data);
    std::string error;
    if (!found)
        return false;
    if (!found->SetX(set, values, count, first, &error))
        return Fail("XrtDataSetXData", error);
    NotifyCharts(data);
    return true;
}

bool XrtDataSetYData(XrtHandle data, int set, const double* values, int count, int first)
{
    DataSet* found = FindData("XrtDataSetYData", data);
    std::string error;
    if (!found)
        return false;
    if (!found->SetY(set, values, count, first, &error))
        return Fail("XrtDataSetYData", error);
    NotifyCharts(data);
    return true;
}

bool XrtDataGetXElementIndirect(XrtHandle data, int set, int point, double* value)
{
    DataSet* found = FindData("XrtDataGetXElementIndirect", data);
    std::string error;
    return found && (found->GetX(set, point, value, &error) || Fail("XrtDataGetXElementIndirect", error));
}

bool XrtDataGetYElementIndirect(XrtHandle data, int set, int point, double* value)
{
    DataSet* found = FindData("XrtDataGetYElementIndirect", data);
    std::string error;
    return found && (found->GetY(set, point, value, &error) || Fail("XrtDataGetYElementIndirect", error));
}

bool XrtDataSaveToFile(XrtHandle data, const char* path, int flags)
{
    constexpr const char* kCall = "XrtDataSaveToFile";
    DataSet* found = FindData(kCall, data);
    if (!found)
        return false;
    if (flags != XRT_FILE_DEFAULT)
        return Fail(kCall, "unknown file flags " + std::to_string(flags));
    if (!path || !*path)
        return Fail(kCall, "no file name given");
    if (found->sets() != 1)
        return Fail(kCall, "a data file holds one set; this data set has " + std::to_string(found->sets()));
    std::string reason;
    if (!WriteDataFileAt(path, found->X(0), found->Y(0), found->points(), &reason))
        return Fail(kCall, reason);
    return true;
}

XrtHandle XrtDataCreateFromFile(const char* path, int flags)
{
    constexpr const char* kCall = "XrtDataCreateFromFile";
    if (flags != XRT_FILE_DEFAULT)
        return FailHandle(kCall, "unknown file flags " + std::to_string(flags));
    if (!path || !*path)
        return FailHandle(kCall, "no file name given");
    std::string error;
    DataFileContents contents;
    if (!ReadDataFileAt(path, &contents, &error))
        return FailHandle(kCall, error);

    const int points = static_cast<int>(contents.x.size());
    auto data = std::make_unique<DataSet>(XRT_DATA_SEPARATE_X, 1, points);
    data->SetX(0, contents.x.data(), points, 0, &error);
    data->SetY(0, contents.y.data(), points, 0, &error);
    Handle handle = Lib().data.Add(std::move(data));
    if (handle == 0)
        return FailHandle(kCall, "too many data sets");
    return handle;
}

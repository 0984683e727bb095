#include "Chart.h"

#include <QPainter>
#include <QPicture>
#include <QStringDecoder>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "AxisRange.h"
#include "ChartPlot.h"
#include "DataSet.h"
#include "SeriesStyle.h"
#include "TextLayout.h"

namespace vexlar::xrt {

namespace {

constexpr int kDefaultWidth = 640;  // a chart with no window and no size set
constexpr int kDefaultHeight = 480;
constexpr int kMaxTextLines = 100;
constexpr std::size_t kMaxTextLength = 1000;  // per line, and for axis titles
constexpr std::size_t kMaxTextAreas = 10000;  // per chart
constexpr double kTenthsPerDegree = 10.0;     // font escapement unit
constexpr double kAnchorTolerance = 1.0;      // pixels: a text area on the plot edge still shows
constexpr double kPixelLimit = 1e6;           // anchors further out are not drawn
const QColor kCursorColor(0x40, 0x40, 0x40);
const QColor kLabelColor(Qt::black);
// The pens, made once: a pen made from a colour for each frame would be
// allocated for each frame.
const QPen& CursorPen()
{
    static const QPen pen(kCursorColor, 0);
    return pen;
}
const QPen& LabelPen()
{
    static const QPen pen(kLabelColor);
    return pen;
}

// Texts arrive as bytes: UTF-8 when they are valid UTF-8, otherwise the
// single-byte characters older annotation files hold.
QString TextFromBytes(const std::string& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!decoder.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

bool CheckedText(const char* text, std::string* stored, std::string* error)
{
    const std::size_t length = std::strlen(text);
    if (length > kMaxTextLength) {
        *error = "a text is longer than " + std::to_string(kMaxTextLength) + " characters";
        return false;
    }
    stored->assign(text, length);
    return true;
}

std::int32_t ToPixel(double value)
{
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(std::clamp(std::round(value), kLow, kHigh));
}

// Whether a pixel lies between the pixels of the axis's ends, both included:
// the same rectangle the program spans by unmapping the shown minima and
// maxima.
bool InsideRange(const QCPAxis* axis, int pixel)
{
    const long first = std::lround(axis->coordToPixel(axis->range().lower));
    const long last = std::lround(axis->coordToPixel(axis->range().upper));
    return pixel >= std::min(first, last) && pixel <= std::max(first, last);
}

void ApplyRange(QCPAxis* axis, double minimum, double maximum)
{
    const DrawnRange range = DrawableRange(minimum, maximum);
    axis->setRangeReversed(range.reversed);
    axis->setRange(range.lower, range.upper);
}

QCPScatterStyle::ScatterShape ShapeFor(int symbol)
{
    switch (symbol) {
    case XRT_SYMBOL_PIXEL:
        return QCPScatterStyle::ssDot;
    case XRT_SYMBOL_DOT:
        return QCPScatterStyle::ssDisc;
    case XRT_SYMBOL_BOX:
        return QCPScatterStyle::ssSquare;
    case XRT_SYMBOL_TRIANGLE:
        return QCPScatterStyle::ssTriangle;
    case XRT_SYMBOL_DIAMOND:
        return QCPScatterStyle::ssDiamond;
    case XRT_SYMBOL_CROSS:
        return QCPScatterStyle::ssCross;
    case XRT_SYMBOL_CIRCLE:
        return QCPScatterStyle::ssCircle;
    default:
        return QCPScatterStyle::ssNone;
    }
}

}  // namespace

Chart::Chart()
{
    redrawTimer_.setSingleShot(true);
    redrawTimer_.setInterval(0);
    QObject::connect(&redrawTimer_, &QTimer::timeout, &redrawTimer_, [this] { Redraw(); });
}

Chart::~Chart()
{
    redrawTimer_.stop();
    if (plot_) {
        if (window_)
            window_->removeEventFilter(plot_);
        delete plot_.data();
    }
}

// --- Properties ---------------------------------------------------------------

void Chart::Changed(bool affectsLayout, bool affectsStill)
{
    if (affectsStill)
        ++stillRevision_;
    if (affectsLayout)
        ++revision_;
    if (repaint_)
        redrawTimer_.start();
}

bool Chart::Set(const CodeInfo& info, const XrtValue& value, std::string* error)
{
    bool affectsLayout = true;
    bool affectsStill = true;
    switch (info.code) {
    case XRT_REPAINT:
        repaint_ = value.AsInt() != 0;
        if (repaint_)
            Redraw();
        return true;
    case XRT_CURSOR_SHOWN:
        cursorShown_ = value.AsInt() != 0;
        affectsLayout = false;
        affectsStill = false;  // the cursor is drawn over the data
        break;
    case XRT_CURSOR_POINT:
        cursorPoint_ = value.AsInt();
        affectsLayout = false;
        affectsStill = false;
        break;
    case XRT_DATA:
        if (value.AsHandle() != 0 && !FindDataSet(value.AsHandle())) {
            *error = "data handle " + std::to_string(value.AsHandle()) + " is not a live data set";
            return false;
        }
        data_ = value.AsHandle();
        affectsLayout = false;
        affectsStill = false;  // lines that come or go are seen as they are drawn
        break;
    case XRT_SECOND_STYLE:
        secondStylePointer_ = value.AsStyle();
        secondStyle_.reset();
        if (value.AsStyle())
            secondStyle_ = *value.AsStyle();
        affectsLayout = false;
        break;
    case XRT_WIDTH:
        width_ = value.AsInt();
        break;
    case XRT_HEIGHT:
        height_ = value.AsInt();
        break;
    case XRT_ORIGIN_X:
        originX_ = value.AsInt();
        break;
    case XRT_ORIGIN_Y:
        originY_ = value.AsInt();
        break;
    case XRT_X_MIN:
        xMin_ = value.AsDouble();
        break;
    case XRT_X_MAX:
        xMax_ = value.AsDouble();
        break;
    case XRT_Y_MIN:
        yMin_ = value.AsDouble();
        break;
    case XRT_Y_MAX:
        yMax_ = value.AsDouble();
        break;
    case XRT_X_BOUND_MIN:
        xBoundMin_ = value.AsDouble();
        affectsLayout = false;
        break;
    case XRT_X_BOUND_MAX:
        xBoundMax_ = value.AsDouble();
        affectsLayout = false;
        break;
    case XRT_X_TITLE:
        if (!CheckedText(value.AsText(), &xTitle_, error))
            return false;
        xTitleText_ = TextFromBytes(xTitle_);
        break;
    case XRT_Y_TITLE:
        if (!CheckedText(value.AsText(), &yTitle_, error))
            return false;
        yTitleText_ = TextFromBytes(yTitle_);
        break;
    case XRT_MARGIN_LEFT:
        marginLeft_ = value.AsInt();
        break;
    case XRT_MARGIN_BOTTOM:
        marginBottom_ = value.AsInt();
        break;
    case XRT_MARGIN_TOP:
        marginTop_ = value.AsInt();
        break;
    case XRT_MARGIN_RIGHT:
        marginRight_ = value.AsInt();
        break;
    case XRT_X_GRID_SHOWN:
        xGrid_ = value.AsInt() != 0;
        break;
    case XRT_Y_GRID_SHOWN:
        yGrid_ = value.AsInt() != 0;
        break;
    case XRT_LEGEND_SHOWN:
        legend_ = value.AsInt() != 0;
        break;
    case XRT_TOP_AXIS_SHOWN:
        topAxis_ = value.AsInt() != 0;
        break;
    case XRT_RIGHT_AXIS_SHOWN:
        rightAxis_ = value.AsInt() != 0;
        break;
    case XRT_X_MINOR_TICKS_SHOWN:
        xMinorTicks_ = value.AsInt() != 0;
        break;
    case XRT_Y_MINOR_TICKS_SHOWN:
        yMinorTicks_ = value.AsInt() != 0;
        break;
    case XRT_ANTIALIASED_LINES:
        antialiased_ = value.AsInt() != 0;
        affectsLayout = false;
        break;
    case XRT_TEXT_AREAS_ENABLED:
        textAreasEnabled_ = value.AsInt() != 0;
        affectsLayout = false;
        break;
    default:
        *error = "code " + std::to_string(info.code) + " cannot be set on a chart";
        return false;
    }
    Changed(affectsLayout, affectsStill);
    return true;
}

bool Chart::Get(const CodeInfo& info, XrtValueOut out, std::string* error)
{
    auto setInt = [&](int value) { *out.IntPtr() = value; };
    auto setDouble = [&](double value) { *out.DoublePtr() = value; };
    switch (info.code) {
    case XRT_REPAINT:
        setInt(repaint_ ? 1 : 0);
        break;
    case XRT_CURSOR_SHOWN:
        setInt(cursorShown_ ? 1 : 0);
        break;
    case XRT_CURSOR_POINT:
        setInt(cursorPoint_);
        break;
    // A data set destroyed while shown leaves the chart showing nothing.
    case XRT_DATA:
        *out.HandlePtr() = ShownData() ? data_ : 0;
        break;
    case XRT_SECOND_STYLE:
        *out.StylePtr() = secondStylePointer_;
        break;
    case XRT_WIDTH:
        setInt(width_ ? *width_ : ChartSize().width());
        break;
    case XRT_HEIGHT:
        setInt(height_ ? *height_ : ChartSize().height());
        break;
    case XRT_ORIGIN_X:
        setInt(originX_);
        break;
    case XRT_ORIGIN_Y:
        setInt(originY_);
        break;
    case XRT_X_MIN:
        setDouble(xMin_);
        break;
    case XRT_X_MAX:
        setDouble(xMax_);
        break;
    case XRT_Y_MIN:
        setDouble(yMin_);
        break;
    case XRT_Y_MAX:
        setDouble(yMax_);
        break;
    case XRT_X_BOUND_MIN:
        setDouble(xBoundMin_);
        break;
    case XRT_X_BOUND_MAX:
        setDouble(xBoundMax_);
        break;
    case XRT_X_TITLE:
        *out.TextPtr() = xTitle_;
        break;
    case XRT_Y_TITLE:
        *out.TextPtr() = yTitle_;
        break;
    case XRT_MARGIN_LEFT:
        setInt(marginLeft_);
        break;
    case XRT_MARGIN_BOTTOM:
        setInt(marginBottom_);
        break;
    case XRT_MARGIN_TOP:
        setInt(marginTop_);
        break;
    case XRT_MARGIN_RIGHT:
        setInt(marginRight_);
        break;
    case XRT_X_GRID_SHOWN:
        setInt(xGrid_ ? 1 : 0);
        break;
    case XRT_Y_GRID_SHOWN:
        setInt(yGrid_ ? 1 : 0);
        break;
    case XRT_LEGEND_SHOWN:
        setInt(legend_ ? 1 : 0);
        break;
    case XRT_TOP_AXIS_SHOWN:
        setInt(topAxis_ ? 1 : 0);
        break;
    case XRT_RIGHT_AXIS_SHOWN:
        setInt(rightAxis_ ? 1 : 0);
        break;
    case XRT_X_MINOR_TICKS_SHOWN:
        setInt(xMinorTicks_ ? 1 : 0);
        break;
    case XRT_Y_MINOR_TICKS_SHOWN:
        setInt(yMinorTicks_ ? 1 : 0);
        break;
    case XRT_ANTIALIASED_LINES:
        setInt(antialiased_ ? 1 : 0);
        break;
    case XRT_TEXT_AREAS_ENABLED:
        setInt(textAreasEnabled_ ? 1 : 0);
        break;
    default:
        *error = "code " + std::to_string(info.code) + " cannot be read from a chart";
        return false;
    }
    return true;
}

bool Chart::SetNthStyle(int set, const XrtDataStyle& style, std::string* error)
{
    if (set < 0 || set >= DataSet::kMaxSets) {
        *error = "set " + std::to_string(set) + " is not between 0 and " + std::to_string(DataSet::kMaxSets - 1);
        return false;
    }
    if (nthStyles_.size() <= static_cast<std::size_t>(set))
        nthStyles_.resize(static_cast<std::size_t>(set) + 1);
    nthStyles_[static_cast<std::size_t>(set)] = style;
    Changed(false);
    return true;
}

bool Chart::GetNthStyle(int set, XrtDataStyle* style, std::string* error) const
{
    if (set < 0 || static_cast<std::size_t>(set) >= nthStyles_.size() || !nthStyles_[static_cast<std::size_t>(set)]) {
        *error = "set " + std::to_string(set) + " has no style of its own";
        return false;
    }
    *style = *nthStyles_[static_cast<std::size_t>(set)];
    return true;
}

// --- Text areas -------------------------------------------------------------------

TextArea* Chart::AddTextArea()
{
    if (textAreas_.size() >= kMaxTextAreas)
        return nullptr;
    auto area = std::make_unique<TextArea>();
    area->font.height = 14;
    area->font.faceName = "Arial";
    area->qfont = sys::ToQFont(area->font);
    textAreas_.push_back(std::move(area));
    return textAreas_.back().get();
}

void Chart::RemoveTextArea(const TextArea* area)
{
    auto it = std::find_if(textAreas_.begin(), textAreas_.end(),
                           [area](const std::unique_ptr<TextArea>& owned) { return owned.get() == area; });
    if (it == textAreas_.end())
        return;
    const bool wasShown = (*it)->shown;
    textAreas_.erase(it);
    if (wasShown)
        Changed(false);
}

bool Chart::SetText(TextArea& area, const CodeInfo& info, const XrtValue& value, std::string* error)
{
    switch (info.code) {
    case XRT_TEXT_SHOWN:
        area.shown = value.AsInt() != 0;
        break;
    case XRT_TEXT_ANCHOR_X:
        area.anchorX = value.AsDouble();
        break;
    case XRT_TEXT_ANCHOR_Y:
        area.anchorY = value.AsDouble();
        break;
    case XRT_TEXT_DATA_SET:
        area.dataSet = value.AsInt();
        break;
    case XRT_TEXT_POINT:
        area.point = value.AsInt();
        break;
    case XRT_TEXT_ATTACH:
        area.attach = value.AsInt();
        break;
    case XRT_TEXT_PLACEMENT:
        area.placement = value.AsInt();
        break;
    case XRT_TEXT_FONT: {
        sys::LogFont font;
        if (!sys::GetFontDescription(value.AsHandle(), &font)) {
            *error = "font handle " + std::to_string(value.AsHandle()) + " is not a live font";
            return false;
        }
        area.fontHandle = value.AsHandle();
        area.font = font;
        area.qfont = sys::ToQFont(font);
        area.blockSize = TextBlockSize(area.qfont, area.qlines);
        break;
    }
    case XRT_TEXT_LINES: {
        std::vector<std::string> lines;
        for (const char* const* line = value.AsTextLines(); *line; ++line) {
            if (lines.size() == kMaxTextLines) {
                *error = "more than " + std::to_string(kMaxTextLines) + " text lines";
                return false;
            }
            std::string stored;
            if (!CheckedText(*line, &stored, error))
                return false;
            lines.push_back(std::move(stored));
        }
        area.lines = std::move(lines);
        area.qlines.clear();
        for (const std::string& line : area.lines)
            area.qlines.push_back(TextFromBytes(line));
        area.blockSize = TextBlockSize(area.qfont, area.qlines);
        break;
    }
    default:
        *error = "code " + std::to_string(info.code) + " cannot be set on a text area";
        return false;
    }
    Changed(false);
    return true;
}

bool Chart::GetText(TextArea& area, const CodeInfo& info, XrtValueOut out, std::string* error)
{
    switch (info.code) {
    case XRT_TEXT_SHOWN:
        *out.IntPtr() = area.shown ? 1 : 0;
        return true;
    case XRT_TEXT_ANCHOR_X:
        *out.DoublePtr() = area.anchorX;
        return true;
    case XRT_TEXT_ANCHOR_Y:
        *out.DoublePtr() = area.anchorY;
        return true;
    case XRT_TEXT_DATA_SET:
        *out.IntPtr() = area.dataSet;
        return true;
    case XRT_TEXT_POINT:
        *out.IntPtr() = area.point;
        return true;
    case XRT_TEXT_ATTACH:
        *out.IntPtr() = area.attach;
        return true;
    case XRT_TEXT_PLACEMENT:
        *out.IntPtr() = area.placement;
        return true;
    case XRT_TEXT_FONT:
        *out.HandlePtr() = area.fontHandle;
        return true;
    case XRT_TEXT_LINES:
        *out.TextLinesPtr() = area.lines;
        return true;
    case XRT_TEXT_LEFT:
    case XRT_TEXT_TOP:
    case XRT_TEXT_WIDTH:
    case XRT_TEXT_HEIGHT:
        break;
    default:
        *error = "code " + std::to_string(info.code) + " cannot be read from a text area";
        return false;
    }

    // Geometry: the text as it is (or would be) drawn with the chart laid
    // out as it stands now.
    *out.IntPtr() = 0;
    ChartPlot* plot = EnsureLayout();
    QPointF anchor;
    if (!AnchorPixel(plot, area, &anchor)) {
        *error = "the text area's anchor point is not in the shown data";
        return false;
    }
    const double angle = area.font.escapement / kTenthsPerDegree;
    const QRect box = LayOutTextBlock(area.blockSize, angle, anchor, area.placement).box;
    switch (info.code) {
    case XRT_TEXT_LEFT:
        *out.IntPtr() = box.left();
        break;
    case XRT_TEXT_TOP:
        *out.IntPtr() = box.top();
        break;
    case XRT_TEXT_WIDTH:
        *out.IntPtr() = box.width();
        break;
    default:
        *out.IntPtr() = box.height();
        break;
    }
    return true;
}

void Chart::DataChanged(Handle data)
{
    if (data != 0 && data == data_ && repaint_)
        redrawTimer_.start();
}

// --- Window and plot ----------------------------------------------------------------

void Chart::Attach(QWidget* window)
{
    if (plot_) {
        if (window_)
            window_->removeEventFilter(plot_);
        delete plot_.data();
    }
    window_ = window;
    EnsurePlot();
    if (repaint_)
        redrawTimer_.start();
}

void Chart::WindowResized()
{
    if (!width_ || !height_)
        Changed(true);
}

void Chart::PixelRatioChanged()
{
    Changed(false);
}

QSize Chart::ChartSize() const
{
    QSize fallback = window_ ? window_->size() : QSize(kDefaultWidth, kDefaultHeight);
    return QSize(std::max(1, width_.value_or(fallback.width())), std::max(1, height_.value_or(fallback.height())));
}

ChartPlot* Chart::EnsurePlot()
{
    if (!plot_) {
        plot_ = new ChartPlot(this, window_.data());
        if (window_) {
            window_->installEventFilter(plot_);
            plot_->show();
        }
        synced_ = SyncedData();  // the new plot holds no data yet
        ++revision_;
        ++stillRevision_;
    }
    return plot_.data();
}

ChartPlot* Chart::EnsureLayout()
{
    ChartPlot* plot = EnsurePlot();
    if (layoutRevision_ != revision_) {
        ApplyProperties(plot);
        plot->LayOut();
        layoutRevision_ = revision_;
    }
    return plot;
}

void Chart::Redraw()
{
    redrawTimer_.stop();
    ChartPlot* plot = EnsurePlot();
    // The still parts of the chart are drawn again only when a property
    // changed or lines came or went (the legend lists them); a new scan
    // alone brings its values to the lines and draws them.
    bool stillChanged = stillRevision_ != drawnStillRevision_;
    if (stillChanged)
        ApplyProperties(plot);
    stillChanged = ApplyData(plot, stillChanged) || stillChanged;
    if (stillChanged)
        plot->LayOut();
    plot->Render(stillChanged);
    drawnStillRevision_ = stillRevision_;
    layoutRevision_ = revision_;
    ++redrawCount_;
}

void Chart::ApplyProperties(ChartPlot* plot)
{
    const QSize size = ChartSize();
    if (window_ && plot->parentWidget() == window_)
        plot->setGeometry(QRect(QPoint(originX_, originY_), size));
    plot->setViewport(QRect(QPoint(0, 0), size));

    ApplyRange(plot->xAxis, xMin_, xMax_);
    ApplyRange(plot->xAxis2, xMin_, xMax_);
    ApplyRange(plot->yAxis, yMin_, yMax_);
    ApplyRange(plot->yAxis2, yMin_, yMax_);
    plot->xAxis->setLabel(xTitleText_);
    plot->yAxis->setLabel(yTitleText_);
    plot->axisRect()->setMinimumMargins(QMargins(marginLeft_, marginTop_, marginRight_, marginBottom_));
    plot->xAxis->grid()->setVisible(xGrid_);
    plot->yAxis->grid()->setVisible(yGrid_);
    plot->xAxis->setSubTicks(xMinorTicks_);
    plot->yAxis->setSubTicks(yMinorTicks_);
    plot->xAxis2->setVisible(topAxis_);
    plot->yAxis2->setVisible(rightAxis_);
    plot->legend->setVisible(legend_);
}

const DataSet* Chart::ShownData() const
{
    return data_ != 0 ? FindDataSet(data_) : nullptr;
}

void Chart::ApplyLook(QCPGraph* graph, int set)
{
    XrtDataStyle style;
    const auto index = static_cast<std::size_t>(set);
    if (index < nthStyles_.size() && nthStyles_[index])
        style = *nthStyles_[index];
    else if (set > 0 && secondStyle_)
        style = *secondStyle_;
    const SeriesLook look = LookFromStyle(style);
    // One-pixel lines: the cheapest to draw and the most faithful to a
    // spectrum of 2048 narrow points.
    graph->setPen(look.line ? QPen(look.lineColor, 0, look.lineStyle) : QPen(Qt::NoPen));
    graph->setLineStyle(look.line ? QCPGraph::lsLine : QCPGraph::lsNone);
    if (look.symbol == XRT_SYMBOL_NONE)
        graph->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssNone));
    else
        graph->setScatterStyle(QCPScatterStyle(ShapeFor(look.symbol), look.symbolColor, look.symbolSize));
    graph->setAntialiased(antialiased_);
    graph->setAntialiasedScatters(antialiased_);
    graph->setName(QStringLiteral("Set %1").arg(set));
}

void Chart::RebuildGraph(QCPGraph* graph, const double* x, const double* y, int points, int* order, bool* allFinite)
{
    QVector<QCPGraphData> buffer;
    buffer.reserve(points);
    bool ascending = true;
    bool descending = true;
    *allFinite = true;
    for (int i = 0; i < points; ++i) {
        // Points that are not finite are left out of the line.
        if (!std::isfinite(x[i]) || !std::isfinite(y[i])) {
            *allFinite = false;
            continue;
        }
        if (!buffer.isEmpty()) {
            ascending = ascending && buffer.constLast().key <= x[i];
            descending = descending && buffer.constLast().key >= x[i];
        }
        buffer.append(QCPGraphData(x[i], y[i]));
    }
    if (ascending) {
        *order = 1;
    } else if (descending) {
        std::reverse(buffer.begin(), buffer.end());
        *order = -1;
    } else {
        *order = 0;
    }
    graph->data()->set(buffer, *order != 0);
}

bool Chart::ApplyData(ChartPlot* plot, bool looks)
{
    const DataSet* data = ShownData();
    const int sets = data ? data->sets() : 0;
    const bool linesChanged = plot->graphCount() != sets;
    while (plot->graphCount() > sets)
        plot->removeGraph(plot->graphCount() - 1);
    while (plot->graphCount() < sets)
        plot->AddGraph();
    if (looks || linesChanged) {
        for (int set = 0; set < sets; ++set)
            ApplyLook(plot->graph(set), set);
    }
    if (!data) {
        synced_ = SyncedData();
        return linesChanged;
    }
    if (synced_.handle == data_ && synced_.revision == data->revision())
        return linesChanged;

    const int points = data->points();
    bool newYFinite = true;
    for (int set = 0; set < sets && newYFinite; ++set)
        newYFinite = std::all_of(data->Y(set), data->Y(set) + points, [](double v) { return std::isfinite(v); });
    const bool onlyYChanged = synced_.handle == data_ && synced_.xRevision == data->xRevision() &&
                              synced_.sets == sets && synced_.points == points && synced_.allFinite && newYFinite &&
                              std::none_of(synced_.order.begin(), synced_.order.end(), [](int o) { return o == 0; });
    if (onlyYChanged) {
        // The scan path: same X, new intensities; written in place, so the
        // plot's point storage is neither reallocated nor sorted again.
        for (int set = 0; set < sets; ++set) {
            const double* y = data->Y(set);
            const bool reversed = synced_.order[static_cast<std::size_t>(set)] < 0;
            QCPGraphDataContainer* container = plot->graph(set)->data().data();
            int i = 0;
            for (auto it = container->begin(); it != container->end(); ++it, ++i)
                it->value = y[reversed ? points - 1 - i : i];
        }
    } else {
        synced_.order.assign(static_cast<std::size_t>(sets), 0);
        synced_.allFinite = true;
        for (int set = 0; set < sets; ++set) {
            bool finite = true;
            RebuildGraph(plot->graph(set), data->X(set), data->Y(set), points,
                         &synced_.order[static_cast<std::size_t>(set)], &finite);
            synced_.allFinite = synced_.allFinite && finite;
        }
    }
    synced_.handle = data_;
    synced_.revision = data->revision();
    synced_.xRevision = data->xRevision();
    synced_.sets = sets;
    synced_.points = points;
    return linesChanged;
}

// --- Drawing the cursor and the text areas ------------------------------------------

bool Chart::AnchorPixel(ChartPlot* plot, const TextArea& area, QPointF* pixel) const
{
    double x = area.anchorX;
    double y = area.anchorY;
    if (area.attach == XRT_ATTACH_DATA_POINT) {
        const DataSet* data = ShownData();
        if (!data || area.dataSet >= data->sets() || area.point >= data->points())
            return false;
        x = data->X(area.dataSet)[area.point];
        y = data->Y(area.dataSet)[area.point];
        if (!std::isfinite(x) || !std::isfinite(y))
            return false;
    }
    const double px = plot->xAxis->coordToPixel(x);
    const double py = plot->yAxis->coordToPixel(y);
    if (!std::isfinite(px) || !std::isfinite(py))
        return false;
    *pixel = QPointF(std::clamp(px, -kPixelLimit, kPixelLimit), std::clamp(py, -kPixelLimit, kPixelLimit));
    return true;
}

bool Chart::OverlayShown() const
{
    if (cursorShown_)
        return true;
    return textAreasEnabled_ &&
           std::any_of(textAreas_.begin(), textAreas_.end(), [](const auto& area) { return area->shown; });
}

void Chart::DrawOverlay(ChartPlot* plot, QCPPainter* painter)
{
    // The plot area, found through the axis (the plot's list of areas would
    // be made anew for each frame).
    const QRectF plotArea = plot->xAxis->axisRect()->rect();
    const DataSet* data = ShownData();
    if (cursorShown_ && data && cursorPoint_ >= 0 && cursorPoint_ < data->points()) {
        const double x = data->X(0)[cursorPoint_];
        const double px = std::isfinite(x) ? plot->xAxis->coordToPixel(x) : -1.0;
        if (px >= plotArea.left() && px <= plotArea.right()) {
            painter->setPen(CursorPen());
            const double column = std::round(px);
            painter->drawLine(QLineF(column, plotArea.top(), column, plotArea.bottom()));
        }
    }

    if (!textAreasEnabled_)
        return;
    const QRectF visibleArea =
        plotArea.adjusted(-kAnchorTolerance, -kAnchorTolerance, kAnchorTolerance, kAnchorTolerance);
    if (textAreas_.empty())
        return;
    painter->setPen(LabelPen());
    for (const auto& area : textAreas_) {
        QPointF anchor;
        if (!area->shown || area->qlines.empty() || !AnchorPixel(plot, *area, &anchor) || !visibleArea.contains(anchor))
            continue;
        const TextBlockLayout layout =
            LayOutTextBlock(area->blockSize, area->font.escapement / kTenthsPerDegree, anchor, area->placement);
        DrawTextBlock(painter, layout, area->qfont, area->qlines);
    }
}

// --- Mapping and drawing elsewhere ---------------------------------------------------

bool Chart::Map(int px, int py, XrtMapResult* result)
{
    ChartPlot* plot = EnsureLayout();
    *result = XrtMapResult();
    result->x = plot->xAxis->pixelToCoord(px);
    result->y = plot->yAxis->pixelToCoord(py);
    result->inPlotArea = InsideRange(plot->xAxis, px) && InsideRange(plot->yAxis, py) ? 1 : 0;
    if (const DataSet* data = ShownData()) {
        const double* x = data->X(0);
        double best = std::numeric_limits<double>::infinity();
        for (int i = 0; i < data->points(); ++i) {
            const double distance = std::abs(x[i] - result->x);
            if (distance < best) {
                best = distance;
                result->point = i;
            }
        }
    }
    return true;
}

bool Chart::Unmap(double x, double y, XrtPoint* point, std::string* error)
{
    if (!std::isfinite(x) || !std::isfinite(y)) {
        *error = "the data point is not finite";
        return false;
    }
    ChartPlot* plot = EnsureLayout();
    point->x = ToPixel(plot->xAxis->coordToPixel(x));
    point->y = ToPixel(plot->yAxis->coordToPixel(y));
    return true;
}

bool Chart::DrawTo(QPainter* painter, int left, int top, int width, int height, std::string* error)
{
    if (!painter || !painter->isActive()) {
        *error = "the painter is not active";
        return false;
    }
    if (width <= 0 || height <= 0) {
        *error = "the rectangle is empty";
        return false;
    }
    ChartPlot* plot = EnsurePlot();
    ApplyProperties(plot);
    ApplyData(plot);

    // Lay the chart out at its own size, stretched evenly to the longer side
    // of the rectangle, so text and lines keep their proportions on a page.
    const QSize own = ChartSize();
    const double scale = std::min(static_cast<double>(width) / own.width(), static_cast<double>(height) / own.height());
    const int layoutWidth = std::max(1, static_cast<int>(std::lround(width / scale)));
    const int layoutHeight = std::max(1, static_cast<int>(std::lround(height / scale)));

    // On the screen a line thins its points to two per pixel column; a page
    // or a figure file gets every point of the data, drawn as one line.
    std::vector<QCPGraph*> thinned;
    for (int i = 0; i < plot->graphCount(); ++i) {
        if (plot->graph(i)->adaptiveSampling()) {
            plot->graph(i)->setAdaptiveSampling(false);
            thinned.push_back(plot->graph(i));
        }
    }
    QPicture picture;
    {
        QCPPainter recorder(&picture);
        recorder.setMode(QCPPainter::pmNonCosmetic);  // one-pixel lines scale with the page
        recorder.setMode(QCPPainter::pmVectorized);   // lines as lines, not as screen-pixel steps
        plot->toPainter(&recorder, layoutWidth, layoutHeight);
    }
    for (QCPGraph* graph : thinned)
        graph->setAdaptiveSampling(true);
    // Drawing at another size moved the plot's layout: back to the screen's,
    // which the data lines drawn on the screen follow.
    plot->setViewport(QRect(QPoint(0, 0), own));
    plot->LayOut();

    // A picture played on a device of another resolution is scaled by the
    // ratio of the two (a 1200-dpi printer would get the chart 12.5 times
    // too large); undo that, so the chart fills exactly the rectangle given
    // in the device's own units.
    const QPaintDevice* device = painter->device();
    const double dpiX = device && device->logicalDpiX() > 0 ? device->logicalDpiX() : picture.logicalDpiX();
    const double dpiY = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : picture.logicalDpiY();
    const double resolutionX = picture.logicalDpiX() / dpiX;
    const double resolutionY = picture.logicalDpiY() / dpiY;

    painter->save();
    painter->translate(left, top);
    painter->scale(resolutionX * width / layoutWidth, resolutionY * height / layoutHeight);
    painter->drawPicture(0, 0, picture);
    painter->restore();
    return true;
}

}  // namespace vexlar::xrt

#pragma once
// The chart as the operator sees it, on paper or in a figure file: printing
// (with the print dialog, directly, and the page set-up kept between prints
// of the run) and File > Save Figure (PNG at a chosen resolution, SVG, PDF).

#include <memory>
#include <string>

#include "display/FigureSize.h"

class CVexlarView;
class QPainter;
class QPrinter;

namespace vexlar {

class ChartOutput {
public:
    explicit ChartOutput(CVexlarView& view) : view_(view) { }

    // File > Print: the print dialog, then the chart on one page.
    void OnFilePrint();
    // The same without the dialog, on the printer set up last.
    void OnFilePrintDirect();
    // File > Print Setup: the page set-up dialog, kept for the next print.
    void OnFilePrintSetup();
    // The printing hooks, in the order of a print job. Preparing shows the
    // print dialog unless printing directly (false: the operator cancelled);
    // beginning and ending do nothing; OnPrint draws the chart on the page of
    // the painter's device (false, with the reason, when it could not).
    bool OnPreparePrinting(QPrinter& printer, bool direct);
    void OnBeginPrinting(QPainter& painter, QPrinter& printer);
    bool OnPrint(QPainter& painter, std::string* error);
    void OnEndPrinting(QPainter& painter, QPrinter& printer);
    // The printer and page set-up the operator chose, kept between prints of
    // this run; made at the first print or set-up.
    QPrinter& printSetup();

    // File > Save Figure...: the chart as PNG (at a chosen resolution), SVG
    // or PDF, drawn by the chart library as it is on the screen.
    void OnSaveFigure();

private:
    CVexlarView& view_;
    std::shared_ptr<QPrinter> printSetup_;
    // The last resolution chosen for a PNG figure.
    int figureDpi_ = display::kDefaultFigureDpi;
};

}  // namespace vexlar

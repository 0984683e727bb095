#pragma once
// A figure of the chart as a file's bytes, drawn by the chart library itself
// (XrtDrawToDC) as it is drawn on the screen: spectrum, axes, peak labels,
// annotations and the cursor when shown. No picture of the screen is taken,
// so a figure does not depend on the window being visible.

#include <QByteArray>
#include <QSize>
#include <QString>

#include <string>

#include "XrtValue.h"

namespace vexlar::display {

// The chart (chartSize screen pixels, shown at screenDpi) as a PNG image at
// dpi, its resolution recorded in the file.
bool RenderPngFigure(XrtHandle chart, QSize chartSize, double screenDpi, int dpi, QByteArray* bytes,
                     std::string* reason);
// As an SVG drawing of the chart's size on the screen (its lines and texts
// as shapes and text, the spectrum one line).
bool RenderSvgFigure(XrtHandle chart, QSize chartSize, double screenDpi, const QString& title, QByteArray* bytes,
                     std::string* reason);
// As a one-page PDF document of the chart's size on the screen.
bool RenderPdfFigure(XrtHandle chart, QSize chartSize, double screenDpi, const QString& title, QByteArray* bytes,
                     std::string* reason);

}  // namespace vexlar::display

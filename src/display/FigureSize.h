#pragma once
// The size of a figure of the chart (File > Save Figure...): the chart at its
// size on the screen, in inches, at the resolution the operator chooses.

#include <cstdint>

namespace vexlar::display {

constexpr int kDefaultFigureDpi = 300;
constexpr int kSmallestFigureDpi = 10;
constexpr int kLargestFigureDpi = 2400;
// Larger images are refused: their memory (four bytes a pixel) would not be
// had on an ordinary desktop, or would take minutes to encode.
constexpr std::int64_t kLargestFigurePixels = 150'000'000;

struct FigurePixels {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
};

// A chart of chartWidth × chartHeight screen pixels, shown at screenDpi,
// printed at dpi: each side in inches times dpi, to the nearest pixel, at
// least one pixel. Empty for a chart of no size or a resolution that is not
// positive.
FigurePixels FigureSizeAt(int chartWidth, int chartHeight, double screenDpi, int dpi);

// True when an image of that size may be made.
bool FigureFits(const FigurePixels& size);

// The highest resolution, kSmallestFigureDpi to kLargestFigureDpi, at which
// a figure of the chart fits; kSmallestFigureDpi when none does.
int LargestFigureDpi(int chartWidth, int chartHeight, double screenDpi);

// What a PNG file records for a resolution: dots per metre, to the nearest.
int DotsPerMetre(int dpi);

}  // namespace vexlar::display

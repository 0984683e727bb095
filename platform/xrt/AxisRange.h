#pragma once
// The range an axis is drawn with, from the minimum and maximum the program
// set. Any pair of finite values draws: a minimum above the maximum draws the
// axis reversed, equal or nearly equal values are widened to a small span,
// and values beyond what the plot can scale are brought within it.

namespace vexlar::xrt {

struct DrawnRange {
    double lower = 0.0;  // lower < upper always
    double upper = 1.0;
    bool reversed = false;  // the set minimum was above the set maximum
};

DrawnRange DrawableRange(double minimum, double maximum);

}  // namespace vexlar::xrt

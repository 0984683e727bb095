#include "files/FileProblems.h"

#include <cmath>

#include "files/ShortestNumber.h"

namespace vexlar::files {

std::string NotFiniteReason(const double* intensity, std::initializer_list<const double*> xColumns, int pixels)
{
    const auto firstNotFinite = [pixels](const double* column, const char* what) -> std::string {
        for (int i = 0; column && i < pixels; ++i) {
            if (!std::isfinite(column[i]))
                return std::string("the ") + what + " at pixel " + std::to_string(i) + " is " +
                       ShortestText(column[i]) + ", not a finite number; nothing was written.";
        }
        return {};
    };
    std::string reason = firstNotFinite(intensity, "intensity");
    for (const double* x : xColumns) {
        if (reason.empty())
            reason = firstNotFinite(x, "x value");
    }
    return reason;
}

std::string FileErrorText(const std::string& what, const std::string& path, const std::string& reason)
{
    return what + " \"" + path + "\":\n" + reason;
}

}  // namespace vexlar::files

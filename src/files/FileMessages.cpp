#include "files/FileMessages.h"

#include <cmath>

#include "MessageBox.h"
#include "Xrt.h"
#include "files/ShortestNumber.h"

namespace vexlar::files {

std::string ChartLibraryReason()
{
    std::string reason = XrtGetLastError();
    // "XrtDataSaveToFile: cannot create ..." names the call first; the
    // operator needs only what went wrong.
    const std::size_t colon = reason.find(": ");
    if (reason.rfind("Xrt", 0) == 0 && colon != std::string::npos && reason.find(' ') > colon)
        reason.erase(0, colon + 2);
    return reason.empty() ? std::string("unknown reason") : reason;
}

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

void ReportFileError(const std::string& what, const std::string& path, const std::string& reason)
{
    vexlar::sys::ShowOperatorMessage(what + " \"" + path + "\":\n" + reason, vexlar::sys::kErrorTitle);
}

}  // namespace vexlar::files

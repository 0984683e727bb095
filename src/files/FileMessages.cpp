#include "files/FileMessages.h"

#include "MessageBox.h"
#include "Xrt.h"

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

void ReportFileError(const std::string& what, const std::string& path, const std::string& reason)
{
    vexlar::sys::ShowOperatorMessage(FileErrorText(what, path, reason), vexlar::sys::kErrorTitle);
}

}  // namespace vexlar::files

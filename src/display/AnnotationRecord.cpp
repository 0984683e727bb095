#include "display/AnnotationRecord.h"

#include "Xrt.h"

namespace vexlar {

void AnnotationRecord::CreateFont()
{
    ReleaseFont();
    font = vexlar::sys::CreateFont(kAnnotationFontHeight, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
}

void AnnotationRecord::ReleaseFont()
{
    if (font != 0)
        vexlar::sys::DeleteFont(font);
    font = 0;
}

void ReadBackGeometry(AnnotationRecord& record)
{
    int left = 0, top = 0, width = 0, height = 0;
    XrtTextAreaGetValues(record.textArea, XRT_TEXT_LEFT, &left);
    XrtTextAreaGetValues(record.textArea, XRT_TEXT_TOP, &top);
    XrtTextAreaGetValues(record.textArea, XRT_TEXT_WIDTH, &width);
    XrtTextAreaGetValues(record.textArea, XRT_TEXT_HEIGHT, &height);
    record.pixelPosition[0] = left;
    record.pixelPosition[1] = top;
    record.screenRect[0] = left;
    record.screenRect[1] = top;
    record.screenRect[2] = left + width;
    record.screenRect[3] = top + height;
}

}  // namespace vexlar

#pragma once
// The annotations as the view holds them: the 100 slots, the one a
// right-click landed on and where, and whether it is being moved.

#include "display/AnnotationRecord.h"

namespace vexlar::display {

struct AnnotationSlots {
    AnnotationRecord annotations[kAnnotationSlots];
    // A Move is pending: the current annotation follows the pointer until
    // the next left press.
    bool annotationMoving = false;
    // The slot the last right-click in the plot landed on; -1 for none.
    int currentAnnotation = -1;
    // Where that right-click was, in view pixels.
    int contextPoint[2] = {0, 0};
};

}  // namespace vexlar::display

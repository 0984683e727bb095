#pragma once
// What the application object holds for the view: the driver's parameter
// block and the client handle the driver knows the program by.

#include "QdvDriver.h"

namespace vexlar {

struct AppContext {
    // Zero at start; the view fills it in place.
    DriverParams driverParams{};
    // The program's client identity for the driver: any non-null value unique
    // to this program instance.
    void* hinst = nullptr;
};

}  // namespace vexlar

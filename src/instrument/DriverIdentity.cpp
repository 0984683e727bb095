#include "instrument/DriverIdentity.h"

#include <cstring>

#include <dlfcn.h>

#include "QdvSimHooks.h"

namespace vexlar {

namespace {

constexpr char kDriverCall[] = "QDV_SingleScan";
constexpr char kIdentityCall[] = "QdvSim_Identity";
constexpr char kSettingsProblemCall[] = "QdvSim_SettingsProblem";

using TextCall = const char* (*)();

// The file of the loaded object that holds address; empty when none.
const char* ObjectFile(void* address)
{
    Dl_info info{};
    if (!address || ::dladdr(address, &info) == 0 || !info.dli_fname)
        return "";
    return info.dli_fname;
}

// Calls use with the text that the call named name of the driver library
// answers with, or with null when the library does not export that call
// itself.
template <class Use>
void AskDriver(const char* name, Use use)
{
    // The driver library the program really runs on: whichever provides
    // the scan call, the simulator's or one found first on the library path.
    void* scanCall = ::dlsym(RTLD_DEFAULT, kDriverCall);
    const char* driverFile = ObjectFile(scanCall);
    if (!*driverFile)
        return use(nullptr);
    void* driver = ::dlopen(driverFile, RTLD_LAZY | RTLD_NOLOAD);
    if (!driver)
        return use(nullptr);
    void* call = ::dlsym(driver, name);
    // The answer must come from the driver library itself, not from a
    // library it happens to load.
    const bool own = call && std::strcmp(ObjectFile(call), driverFile) == 0;
    use(own ? reinterpret_cast<TextCall>(call)() : nullptr);
    ::dlclose(driver);
}

}  // namespace

bool DriverIsBuiltInSimulator()
{
    bool simulator = false;
    AskDriver(kIdentityCall,
              [&](const char* identity) { simulator = identity && std::strcmp(identity, QDVSIM_IDENTITY) == 0; });
    return simulator;
}

std::string DriverSettingsProblem()
{
    std::string problem;
    if (DriverIsBuiltInSimulator())
        AskDriver(kSettingsProblemCall, [&](const char* text) { problem = text ? text : ""; });
    return problem;
}

}  // namespace vexlar

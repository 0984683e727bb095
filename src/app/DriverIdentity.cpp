#include "app/DriverIdentity.h"

#include <cstring>

#include <dlfcn.h>

#include "QdvSimHooks.h"

namespace vexlar {

namespace {

constexpr char kDriverCall[] = "QDV_SingleScan";
constexpr char kIdentityCall[] = "QdvSim_Identity";

using IdentityCall = const char* (*)();

// The file of the loaded object that holds address; empty when none.
const char* ObjectFile(void* address)
{
    Dl_info info{};
    if (!address || ::dladdr(address, &info) == 0 || !info.dli_fname)
        return "";
    return info.dli_fname;
}

}  // namespace

bool DriverIsBuiltInSimulator()
{
    // The driver library the program really runs on: whichever provides
    // the scan call, the simulator's or one found first on the library path.
    void* scanCall = ::dlsym(RTLD_DEFAULT, kDriverCall);
    const char* driverFile = ObjectFile(scanCall);
    if (!*driverFile)
        return false;
    void* driver = ::dlopen(driverFile, RTLD_LAZY | RTLD_NOLOAD);
    if (!driver)
        return false;
    void* identityCall = ::dlsym(driver, kIdentityCall);
    // The answer must come from the driver library itself, not from a
    // library it happens to load.
    const bool own = identityCall && std::strcmp(ObjectFile(identityCall), driverFile) == 0;
    const char* identity = own ? reinterpret_cast<IdentityCall>(identityCall)() : nullptr;
    const bool simulator = identity && std::strcmp(identity, QDVSIM_IDENTITY) == 0;
    ::dlclose(driver);
    return simulator;
}

}  // namespace vexlar

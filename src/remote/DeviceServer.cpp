#include "remote/DeviceServer.h"

#include <dlfcn.h>

#include <QCoreApplication>

namespace vexlar::remote {

namespace {

constexpr char kModuleName[] = "libvexlar_tango.so";

}  // namespace

std::unique_ptr<DeviceServer> LoadDeviceServer(RemoteLink& link, std::string* problem)
{
    // Kept loaded for the rest of the run: the control system's library
    // cannot be unloaded once it has started.
    static void* module = nullptr;
    if (!module) {
        const QString beside = QCoreApplication::applicationDirPath() + "/../lib/" + kModuleName;
        module = dlopen(beside.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
        if (!module)
            module = dlopen(kModuleName, RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            const char* why = dlerror();
            *problem = std::string("the Tango support (") + kModuleName +
                       ") could not be loaded: " + (why ? why : "not found");
            return nullptr;
        }
    }
    using Create = DeviceServer* (*)(RemoteLink*);
    const auto create = reinterpret_cast<Create>(dlsym(module, kCreateServerSymbol));
    if (!create) {
        *problem = std::string("the Tango support (") + kModuleName + ") has no " + kCreateServerSymbol + ".";
        return nullptr;
    }
    return std::unique_ptr<DeviceServer>(create(&link));
}

}  // namespace vexlar::remote

// A stand-in for a vendor's spectrometer driver library: the QDV_* calls of
// QdvDriver.h and nothing else, built as libqdvdrv.so in a folder of its own,
// to be found first on the library path as a real vendor library would be.
// Each scan request is answered at once with a flat dark level, posted with
// VxPostMessage. Every strobe switch is written to the file named by
// VEXLAR_VENDOR_STROBE_LOG, "on" or "off" a line: the test sees whether the
// program ever tried to fire this "laser".

#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include "Messages.h"
#include "QdvDriver.h"

namespace {

constexpr float kDarkLevel = 180.0f;
DriverParams gBlock{};
bool gRegistered = false;

void LogStrobe(int on)
{
    const char* path = std::getenv("VEXLAR_VENDOR_STROBE_LOG");
    if (!path)
        return;
    const int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0)
        return;
    const char* line = on ? "on\n" : "off\n";
    [[maybe_unused]] const ssize_t written = ::write(fd, line, std::strlen(line));
    ::close(fd);
}

}  // namespace

extern "C" {

int16_t QDV_Register(const DriverParams* params)
{
    if (!params || params->size != sizeof(DriverParams))
        return QDV_ERR_BLOCK_SIZE;
    std::memcpy(&gBlock, params, sizeof gBlock);
    gRegistered = true;
    return QDV_OK;
}

int16_t QDV_ParamSet(const DriverParams* params)
{
    if (!gRegistered || !params)
        return QDV_ERR_NOT_REGISTERED;
    std::memcpy(&gBlock, params, sizeof gBlock);
    return QDV_OK;
}

int16_t QDV_SingleScan(void*)
{
    if (!gRegistered)
        return QDV_ERR_NOT_REGISTERED;
    for (int ch = 0; ch < QDV_CHANNELS; ++ch) {
        if (gBlock.channelEnable[ch] && gBlock.buffer[ch]) {
            for (int i = 0; i < QDV_PIXELS; ++i)
                gBlock.buffer[ch][i] = kDarkLevel;
            VxPostMessage(gBlock.window, WM_SCAN_COMPLETE, static_cast<std::uintptr_t>(ch), 0);
            break;
        }
    }
    return QDV_OK;
}

int16_t QDV_BufferEmpty(void*, int16_t)
{
    return QDV_OK;
}
int16_t QDV_Stop(void*)
{
    return QDV_OK;
}

int16_t QDV_UnRegister(void*)
{
    gRegistered = false;
    return QDV_OK;
}

int16_t QDV_Config(void*, void*, intptr_t, intptr_t)
{
    return QDV_OK;
}

int16_t QDV_V7400StrobeEnable(int on)
{
    LogStrobe(on);
    return QDV_OK;
}

}  // extern "C"

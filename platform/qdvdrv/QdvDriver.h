#pragma once
/*
 * The spectrometer driver's C interface.
 *
 * The program registers one client (its instance handle `hinst`) with a
 * parameter block, DriverParams, that names the window to notify and the
 * eight per-channel buffers of 2048 floats the driver writes. Scans are
 * requested one at a time with QDV_SingleScan; each finished scan is posted to
 * the window as WM_SCAN_COMPLETE with the channel in wParam. The posted
 * message is a vexlar::sys::WindowMessageEvent (platform/system/Messages.h),
 * delivered on the window's thread.
 *
 * The library built here drives a simulated spectrometer; a vendor library
 * with the same interface can take its place at run time.
 *
 * Every call comes from the program's user-interface thread. The block is
 * read only by QDV_Register and QDV_ParamSet, which copy what they use; the
 * driver never writes the block.
 *
 * Plain C, so that a driver written in any language can implement it.
 */

#include <stddef.h>
#include <stdint.h>

#if defined(__GNUC__)
#define QDV_API __attribute__((visibility("default")))
#else
#define QDV_API
#endif

#ifdef __cplusplus
#define QDV_STATIC_ASSERT(condition, text) static_assert(condition, text)
extern "C" {
#else
#define QDV_STATIC_ASSERT(condition, text) _Static_assert(condition, text)
#endif

/* The detector and the channels it reads together. */
enum {
    QDV_CHANNELS = 8, /* channel 0 is the master, 1 to 7 the slaves */
    QDV_PIXELS = 2048 /* floats in each channel's buffer */
};

/* Messages posted to the block's window; wParam is the channel, lParam 0. */
enum QdvMessage {
    QDV_WM_USER = 0x0400,
    /* The scan is in the buffers; the channel's buffer stays untouched until
       QDV_BufferEmpty for it or the next QDV_SingleScan. */
    WM_SCAN_COMPLETE = QDV_WM_USER + 101, /* 1125 */
    /* The scan could not be completed; nothing was written. Answer with
       QDV_BufferEmpty(hinst, wParam), then QDV_SingleScan(hinst). */
    WM_DRIVER_NOTIFY = QDV_WM_USER + 102, /* 1126 */
    /* Driver notifications occupy 1126 to 1128; only 1126 is sent today. */
    WM_DRIVER_NOTIFY_FIRST = WM_DRIVER_NOTIFY,
    WM_DRIVER_NOTIFY_LAST = QDV_WM_USER + 104 /* 1128 */
};

/* Results of the calls: 0 is success. */
enum QdvStatus {
    QDV_OK = 0,
    QDV_ERR_NULL_BLOCK = 1,         /* no parameter block given */
    QDV_ERR_BLOCK_SIZE = 2,         /* size is not sizeof(DriverParams) */
    QDV_ERR_NO_CLIENT = 3,          /* the block's hinst is null */
    QDV_ERR_NO_WINDOW = 4,          /* the block names no window to notify */
    QDV_ERR_ALREADY_REGISTERED = 5, /* this hinst is registered already */
    QDV_ERR_NOT_REGISTERED = 6,     /* unknown hinst */
    QDV_ERR_BAD_CHANNEL = 7,        /* channel outside 0 to 7 */
    QDV_ERR_DEVICE = 8,             /* the device could not be started */
    QDV_ERR_NO_DISPLAY = 9,         /* QDV_Config without a running application */
    QDV_CONFIG_CANCELLED = 10,      /* the operator cancelled the set-up dialog */
    QDV_ERR_SETTINGS_FILE = 11,     /* the set-up was applied but its file could not be written */
    QDV_ERR_BAD_VALUE = 12          /* an argument outside its range */
};

/*
 * The parameter block. Offsets 0 to 79 are fixed; the unlisted bytes are
 * padding and stay 0. The window, the client and the buffer pointers follow at
 * offset 80 with their native size, so the block is 120 bytes on a 32-bit
 * build and 160 on a 64-bit one; `size` must hold sizeof(DriverParams).
 */
typedef struct DriverParams {
    uint16_t size;            /*  0: sizeof(DriverParams) */
    uint8_t padding2[10];     /*  2 */
    uint16_t IntegrationTime; /* 12: ms; below 4 counts as 4 */
    int16_t Boxcar;           /* 14: mean over pixels i-Boxcar..i+Boxcar; negative counts as 0 */
    int16_t Average;          /* 16: scans averaged; below 1 counts as 1 */
    uint8_t padding18[2];     /* 18 */
    int16_t channelEnable[8]; /* 20: non-zero entries are enabled; the lowest is reported */
    uint8_t padding36[16];    /* 36 */
    int32_t changed;          /* 52: kept for the program; the driver does not use it */
    int32_t unnamed56;        /* 56: kept for the program; the driver does not use it */
    uint8_t padding60[12];    /* 60 */
    int32_t CorrectDark;      /* 72: non-zero subtracts the detector's electrical dark level */
    int32_t unnamed76;        /* 76: kept for the program; the driver does not use it */
    void* window;             /* 80: the QObject that receives the messages */
    void* hinst;              /* the client: any non-null value unique to the client */
    float* buffer[8];         /* per channel, QDV_PIXELS floats; null: channel not read */
} DriverParams;

QDV_STATIC_ASSERT(offsetof(DriverParams, size) == 0, "size at 0");
QDV_STATIC_ASSERT(offsetof(DriverParams, IntegrationTime) == 12, "IntegrationTime at 12");
QDV_STATIC_ASSERT(offsetof(DriverParams, Boxcar) == 14, "Boxcar at 14");
QDV_STATIC_ASSERT(offsetof(DriverParams, Average) == 16, "Average at 16");
QDV_STATIC_ASSERT(offsetof(DriverParams, channelEnable) == 20, "channel enable at 20");
QDV_STATIC_ASSERT(offsetof(DriverParams, changed) == 52, "changed flag at 52");
QDV_STATIC_ASSERT(offsetof(DriverParams, unnamed56) == 56, "field at 56");
QDV_STATIC_ASSERT(offsetof(DriverParams, CorrectDark) == 72, "CorrectDark at 72");
QDV_STATIC_ASSERT(offsetof(DriverParams, unnamed76) == 76, "field at 76");
QDV_STATIC_ASSERT(offsetof(DriverParams, window) == 80, "window at 80");
QDV_STATIC_ASSERT(offsetof(DriverParams, hinst) == 80 + sizeof(void*), "client after the window");
QDV_STATIC_ASSERT(offsetof(DriverParams, buffer) == 80 + 2 * sizeof(void*), "buffers after the client");
QDV_STATIC_ASSERT(sizeof(DriverParams) == 80 + 10 * sizeof(void*), "no padding after the buffers");
QDV_STATIC_ASSERT(sizeof(void*) != 4 || sizeof(DriverParams) == 120, "120 bytes on a 32-bit build");

/* Registers the block's client; messages go to the block's window. Loads the
   device set-up. 0 on success. */
QDV_API int16_t QDV_Register(const DriverParams* params);
/* Adopts the block's integration time, boxcar, average, channel enables,
   dark correction, window and buffers; a scan takes them when it starts. */
QDV_API int16_t QDV_ParamSet(const DriverParams* params);
/* Queues one scan request. Also gives back any buffer still held from an
   earlier scan: a new request means the program is done with it. */
QDV_API int16_t QDV_SingleScan(void* hinst);
/* The channel's buffer is free again. */
QDV_API int16_t QDV_BufferEmpty(void* hinst, int16_t channel);
/* Cancels the scan in progress and every queued request; nothing is posted
   for them. Held buffers stay held. */
QDV_API int16_t QDV_Stop(void* hinst);
/* Stops the client's scanning and forgets it; nothing is posted or written
   after this returns. */
QDV_API int16_t QDV_UnRegister(void* hinst);
/* The driver's own modal set-up dialog. parentWindow may be null or a
   QWidget*; the other arguments are reserved and should be 0. 0 when the
   operator accepted and the set-up was saved. */
QDV_API int16_t QDV_Config(void* parentWindow, void* hinst, intptr_t reserved1, intptr_t reserved2);
/* Switches the strobe line that powers the laser: 1 on, 0 off. A scan uses
   the state at its start. */
QDV_API int16_t QDV_V7400StrobeEnable(int on);

#ifdef __cplusplus
}
#endif

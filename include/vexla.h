/* Vexla: acquisition driver for networks of digital dial gauges.
 *
 * Host programs call these functions from one thread (their GUI thread).
 * Every argument occupies one 32-bit slot; where an argument is a byte or a
 * 16-bit integer only its low part is read. On 32-bit Windows the functions
 * use the stdcall convention and are exported under undecorated names. */
#ifndef VEXLA_H
#define VEXLA_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64)
#define VEXLA_CALL __stdcall
#else
#define VEXLA_CALL
#endif

/* On Windows the module definition file names the exports; on Linux the
 * library is built with hidden visibility and marks its exports itself. */
#if defined(VEXLA_BUILDING_LIBRARY) && !defined(_WIN32)
#define VEXLA_API __attribute__((visibility("default")))
#else
#define VEXLA_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* 32-channel data block of GetNewData32Ch, 320 bytes. */
typedef struct VexlaDataBlock32 {
    int32_t value[32];
    int32_t displacement[32];
    int16_t updated[32]; /* -1: fresh data in this result, 0: none */
} VexlaDataBlock32;

/* 16-channel data block of GetNewData16Ch, 160 bytes. */
typedef struct VexlaDataBlock16 {
    int32_t value[16];
    int32_t displacement[16];
    int16_t updated[16];
} VexlaDataBlock16;

/* 8-channel record of GotSerialData, 84 bytes. Every field lies at its
 * natural alignment, so these layouts are the same on every compiler. */
typedef struct VexlaRecord8 {
    int16_t header;        /* -1: a processing result, 0: nothing new */
    int16_t relative_flag; /* -1: displacements are relative to zero points */
    int32_t value[8];
    int32_t displacement[8];
    int16_t updated[8];
} VexlaRecord8;

/* 32-channel record of GotSerialData32, 324 bytes. */
typedef struct VexlaRecord32 {
    int16_t header;
    int16_t relative_flag;
    int32_t value[32];
    int32_t displacement[32];
    int16_t updated[32];
} VexlaRecord32;

/* Link. ConnectComm returns -1 when the port is open, 0 when it failed; the
 * configuration file's port and speed take precedence over the arguments. */
VEXLA_API int32_t VEXLA_CALL ConnectComm(int32_t baud_rate, int32_t port);
VEXLA_API void VEXLA_CALL DisConnectComm(void);
VEXLA_API void VEXLA_CALL DLL_End_Application(void);
/* Before the first connect: selects the configuration file of segment n
 * (-1); afterwards nothing changes (0). */
VEXLA_API int32_t VEXLA_CALL SetNetSegment(uint32_t segment);

/* Hardware commands: codes 0..4 and 6; 2 is the hardware zero. */
VEXLA_API void VEXLA_CALL CtrlFirmWare(uint32_t code);
VEXLA_API void VEXLA_CALL SetHardWareZero(void);
VEXLA_API void VEXLA_CALL SetHardWareZeroCh(uint32_t channel);

/* The control window. */
VEXLA_API void VEXLA_CALL ShowCtrlForm(void);
VEXLA_API void VEXLA_CALL HideCtrlForm(void);

/* Data, zero and text functions. Values are tenths of the gauge's last
 * displayed digit; rates are tenths of updates per second (-1: none, 0: the
 * channel was silent). */
VEXLA_API void VEXLA_CALL GetNewData32Ch(VexlaDataBlock32* block);
VEXLA_API void VEXLA_CALL GetNewData16Ch(VexlaDataBlock16* block);
VEXLA_API void VEXLA_CALL GotSerialData32(VexlaRecord32* record);
VEXLA_API void VEXLA_CALL GotSerialData(VexlaRecord8* record);
VEXLA_API void VEXLA_CALL GetReFlashRate32(int32_t* rates32);
VEXLA_API void VEXLA_CALL GetReFlashRate(int32_t* rates8);
VEXLA_API uint8_t VEXLA_CALL SetFilter(uint32_t depth);
VEXLA_API void VEXLA_CALL SetDataZero(void);
VEXLA_API void VEXLA_CALL SetDataZeroCh(uint32_t channel);
VEXLA_API void VEXLA_CALL StartPoint(int32_t on);
VEXLA_API void VEXLA_CALL EnableCtrls(uint32_t command, uint32_t zero, uint32_t setup);
VEXLA_API void VEXLA_CALL Long2String(int32_t value, uint32_t decimals, char* buffer, uint32_t length);

#ifdef __cplusplus
}
#endif

#endif /* VEXLA_H */

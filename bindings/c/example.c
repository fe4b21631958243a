/* A C host of the Vexla driver: linked with the driver at load time
 * (libVexla.dll.a or Vexla.lib on Windows, libVexla.so on Linux), it
 * fetches every 50 ms from one thread, prints each fresh reading, zeroes
 * one channel's displacement half way through and ends the session.
 *
 *   vexla_c_example [seconds [channel-to-zero [segment]]]
 */
#include <stdio.h>
#include <stdlib.h>

#include "vexla.h"

#ifdef _WIN32
#include <windows.h>
/* The driver's timer and its serial port's notifications are messages to
 * this thread: a Windows host lets them through while it waits. */
static void Wait50ms(void) {
    const DWORD end = GetTickCount() + 50;
    for (DWORD now = GetTickCount(); (LONG)(end - now) > 0; now = GetTickCount()) {
        MSG message;
        MsgWaitForMultipleObjects(0, NULL, FALSE, end - now, QS_ALLINPUT);
        while (PeekMessage(&message, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessage(&message);
        }
    }
}
#else
#include <time.h>
static void Wait50ms(void) {
    const struct timespec tick = {0, 50 * 1000 * 1000};
    nanosleep(&tick, NULL);
}
#endif

/* Long2String's text, or its stars, which come without a terminator. */
static void FormatMillimetres(int32_t value, char text[14]) {
    Long2String(value, 3, text, 13);
    text[13] = '\0';
}

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? atoi(argv[1]) : 10;
    const int zeroChannel = argc > 2 ? atoi(argv[2]) : 0; /* 1..32, 0: none */
    /* The configuration file's segment: 0 unless asked, chosen before the first data call. */
    if (argc > 3) SetNetSegment((uint32_t)atoi(argv[3]));
    const int ticks = seconds * 20;
    int32_t rates[32] = {0};
    VexlaDataBlock32 block = {{0}, {0}, {0}};
    char value[14], displacement[14];

    for (int tick = 0; tick < ticks; ++tick) {
        GetReFlashRate32(rates); /* the rates of the result that the next call takes */
        GetNewData32Ch(&block);  /* the first call connects the driver */
        for (int c = 0; c < 32; ++c) {
            if (block.updated[c] == 0) continue;
            FormatMillimetres(block.value[c], value);
            FormatMillimetres(block.displacement[c], displacement);
            if (rates[c] >= 0)
                printf("channel %d: %s mm, displacement %s mm, %d.%d updates/s\n", c + 1, value, displacement,
                       rates[c] / 10, rates[c] % 10);
            else
                printf("channel %d: %s mm, displacement %s mm\n", c + 1, value, displacement);
        }
        if (zeroChannel >= 1 && zeroChannel <= 32 && tick == ticks / 2) {
            SetDataZeroCh((uint32_t)(zeroChannel - 1));
            printf("zeroed the displacement of channel %d\n", zeroChannel);
        }
        fflush(stdout);
        Wait50ms();
    }
    DLL_End_Application(); /* the host's last call */
    return 0;
}

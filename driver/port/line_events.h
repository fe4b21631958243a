#pragma once
// Line events from a device's interrupt counters: a counter that moved
// since the last look is an event. Used where the device keeps counters
// (serial UARTs on Linux) instead of a pending line-event wait.

#include <cstdint>

#include "comm_messages.h"

namespace vexla {

struct TLineCounters {
    uint32_t carrier = 0;  // carrier-detect transitions
    uint32_t ring = 0;     // ring-indicator transitions
    uint32_t rxOver = 0;   // receive buffer overflow
    uint32_t overrun = 0;  // hardware overrun
    uint32_t parity = 0;
    uint32_t frame = 0;
    uint32_t brk = 0;  // break received
};

struct TLineEvents {
    uint32_t errors = 0;  // CE_ flags
    uint32_t modem = 0;   // 8 carrier, 4 ring
};

constexpr TLineEvents CompareLineCounters(const TLineCounters& before, const TLineCounters& now) {
    TLineEvents events;
    if (now.rxOver != before.rxOver) events.errors |= comm::kCeRxOver;
    if (now.overrun != before.overrun) events.errors |= comm::kCeOverrun;
    if (now.parity != before.parity) events.errors |= comm::kCeRxParity;
    if (now.frame != before.frame) events.errors |= comm::kCeFrame;
    if (now.brk != before.brk) events.errors |= comm::kCeBreak;
    if (now.carrier != before.carrier) events.modem |= comm::kModemCarrier;
    if (now.ring != before.ring) events.modem |= comm::kModemRing;
    return events;
}

}  // namespace vexla

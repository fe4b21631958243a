// The library's exported functions. Each one reads only the low byte or low
// 16 bits of an argument where that is all it takes, copies through memcpy
// (host buffers need not be aligned), and runs on the driver through the
// library frame, which keeps every exception inside.

#include <cstring>

#include "channels/long_to_string.h"
#include "library_frame.h"
#include "vexla.h"

namespace {

using vexla::Driver;
using vexla::RunOnDriver;

uint8_t LowByte(uint32_t v) {
    return static_cast<uint8_t>(v & 0xFF);
}

template <typename T>
void CopyToHost(void* host, const T& value) {
    if (host != nullptr) std::memcpy(host, &value, sizeof value);
}

// Without a result the driver leaves the host's numbers as they are, so the
// block is read in first.
template <typename Block, typename Fill>
void UpdateHostBlock(void* host, Fill fill) {
    if (host == nullptr) return;
    Block block;
    std::memcpy(&block, host, sizeof block);
    RunOnDriver([&](Driver& d) { fill(d, block); });
    std::memcpy(host, &block, sizeof block);
}

}  // namespace

extern "C" {

// ---- link

VEXLA_API int32_t VEXLA_CALL ConnectComm(int32_t baudRate, int32_t port) {
    int32_t result = 0;
    RunOnDriver([&](Driver& d) { result = d.ConnectComm(baudRate, static_cast<int16_t>(port & 0xFFFF)); });
    return result;
}

VEXLA_API void VEXLA_CALL DisConnectComm(void) {
    RunOnDriver([](Driver& d) { d.DisConnectComm(); });
}

VEXLA_API void VEXLA_CALL DLL_End_Application(void) {
    RunOnDriver([](Driver& d) { d.DLL_End_Application(); });
    vexla::AfterEndApplication();
}

VEXLA_API int32_t VEXLA_CALL SetNetSegment(uint32_t segment) {
    int32_t result = 0;
    RunOnDriver([&](Driver& d) { result = d.SetNetSegment(LowByte(segment)); });
    return result;
}

// ---- hardware commands

VEXLA_API void VEXLA_CALL CtrlFirmWare(uint32_t code) {
    RunOnDriver([&](Driver& d) { d.CtrlFirmWare(LowByte(code)); });
}

VEXLA_API void VEXLA_CALL SetHardWareZero(void) {
    RunOnDriver([](Driver& d) { d.SetHardWareZero(); });
}

VEXLA_API void VEXLA_CALL SetHardWareZeroCh(uint32_t channel) {
    RunOnDriver([&](Driver& d) { d.SetHardWareZeroCh(LowByte(channel)); });
}

// ---- data

VEXLA_API void VEXLA_CALL GetNewData32Ch(VexlaDataBlock32* block) {
    UpdateHostBlock<VexlaDataBlock32>(block, [](Driver& d, VexlaDataBlock32& b) { d.GetNewData32Ch(b); });
}

VEXLA_API void VEXLA_CALL GetNewData16Ch(VexlaDataBlock16* block) {
    UpdateHostBlock<VexlaDataBlock16>(block, [](Driver& d, VexlaDataBlock16& b) { d.GetNewData16Ch(b); });
}

VEXLA_API void VEXLA_CALL GotSerialData32(VexlaRecord32* record) {
    RunOnDriver([&](Driver& d) {
        const vexla::TChannelRecord r = d.GotSerialData32();
        CopyToHost(record, r);
    });
}

VEXLA_API void VEXLA_CALL GotSerialData(VexlaRecord8* record) {
    RunOnDriver([&](Driver& d) {
        const vexla::TSerialRecord8 r = d.GotSerialData();
        CopyToHost(record, r);
    });
}

VEXLA_API void VEXLA_CALL GetReFlashRate32(int32_t* rates32) {
    RunOnDriver([&](Driver& d) { CopyToHost(rates32, d.GetReFlashRate32()); });
}

VEXLA_API void VEXLA_CALL GetReFlashRate(int32_t* rates8) {
    RunOnDriver([&](Driver& d) { CopyToHost(rates8, d.GetReFlashRate()); });
}

VEXLA_API uint8_t VEXLA_CALL SetFilter(uint32_t depth) {
    uint8_t inEffect = 0;
    RunOnDriver([&](Driver& d) { inEffect = d.SetFilter(LowByte(depth)); });
    return inEffect;
}

VEXLA_API void VEXLA_CALL SetDataZero(void) {
    RunOnDriver([](Driver& d) { d.SetDataZero(); });
}

VEXLA_API void VEXLA_CALL SetDataZeroCh(uint32_t channel) {
    RunOnDriver([&](Driver& d) { d.SetDataZeroCh(LowByte(channel)); });
}

VEXLA_API void VEXLA_CALL StartPoint(int32_t on) {
    RunOnDriver([&](Driver& d) { d.StartPoint(static_cast<uint16_t>(on & 0xFFFF)); });
}

// ---- control window

VEXLA_API void VEXLA_CALL EnableCtrls(uint32_t command, uint32_t zero, uint32_t setup) {
    RunOnDriver([&](Driver& d) { d.EnableCtrls(LowByte(command), LowByte(zero), LowByte(setup)); });
}

VEXLA_API void VEXLA_CALL ShowCtrlForm(void) {
    RunOnDriver([](Driver& d) { d.ShowCtrlForm(); });
}

VEXLA_API void VEXLA_CALL HideCtrlForm(void) {
    RunOnDriver([](Driver& d) { d.HideCtrlForm(); });
}

// ---- text

VEXLA_API void VEXLA_CALL Long2String(int32_t value, uint32_t decimals, char* buffer, uint32_t length) {
    // Pure: needs neither the driver nor its lock.
    vexla::Long2String(value, LowByte(decimals), buffer, LowByte(length));
}

}  // extern "C"

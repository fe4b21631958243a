// The library's exported functions. Each one reads only the low byte or low
// 16 bits of an argument where that is all it takes, copies through memcpy
// (host buffers need not be aligned), and never lets an exception escape.

#include <cstring>

#include "channels/long_to_string.h"
#include "engine/driver.h"
#include "vexla.h"

namespace {

vexla::Driver& TheDriver() {
    static vexla::Driver driver;
    return driver;
}

template <typename Action>
void Guarded(Action&& action) noexcept {
    try {
        action(TheDriver());
    } catch (...) {
        // Nothing may cross into a host that knows nothing of C++.
    }
}

uint8_t LowByte(uint32_t v) { return static_cast<uint8_t>(v & 0xFF); }

template <typename T>
void CopyToHost(void* host, const T& value) {
    if (host != nullptr) std::memcpy(host, &value, sizeof value);
}

}  // namespace

extern "C" {

VEXLA_API void VEXLA_CALL GotSerialData32(VexlaRecord32* record) {
    Guarded([&](vexla::Driver& d) {
        const vexla::TChannelRecord r = d.GotSerialData32();
        CopyToHost(record, r);
    });
}

VEXLA_API void VEXLA_CALL GotSerialData(VexlaRecord8* record) {
    Guarded([&](vexla::Driver& d) {
        const vexla::TSerialRecord8 r = d.GotSerialData();
        CopyToHost(record, r);
    });
}

VEXLA_API void VEXLA_CALL GetReFlashRate32(int32_t* rates32) {
    Guarded([&](vexla::Driver& d) { CopyToHost(rates32, d.GetReFlashRate32()); });
}

VEXLA_API void VEXLA_CALL GetReFlashRate(int32_t* rates8) {
    Guarded([&](vexla::Driver& d) { CopyToHost(rates8, d.GetReFlashRate()); });
}

VEXLA_API uint8_t VEXLA_CALL SetFilter(uint32_t depth) {
    uint8_t inEffect = 0;
    Guarded([&](vexla::Driver& d) { inEffect = d.SetFilter(LowByte(depth)); });
    return inEffect;
}

VEXLA_API void VEXLA_CALL SetDataZero(void) {
    Guarded([](vexla::Driver& d) { d.SetDataZero(); });
}

VEXLA_API void VEXLA_CALL SetDataZeroCh(uint32_t channel) {
    Guarded([&](vexla::Driver& d) { d.SetDataZeroCh(LowByte(channel)); });
}

VEXLA_API void VEXLA_CALL StartPoint(int32_t on) {
    Guarded([&](vexla::Driver& d) { d.StartPoint(static_cast<uint16_t>(on & 0xFFFF)); });
}

VEXLA_API void VEXLA_CALL EnableCtrls(uint32_t command, uint32_t zero, uint32_t setup) {
    Guarded([&](vexla::Driver& d) { d.EnableCtrls(LowByte(command), LowByte(zero), LowByte(setup)); });
}

VEXLA_API void VEXLA_CALL Long2String(int32_t value, uint32_t decimals, char* buffer, uint32_t length) {
    Guarded([&](vexla::Driver&) { vexla::Long2String(value, LowByte(decimals), buffer, LowByte(length)); });
}

}  // extern "C"

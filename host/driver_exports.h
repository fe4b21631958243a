#pragma once
// The driver's 21 exports, listed once. Every way a program reaches the
// driver (bound by name at start or at the first call, imported at load
// time, faked in a test) is made from this list, so a name, a type or an
// ordinal is written in one place beside vexla.h, which the list is checked
// against.

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "vexla.h"

// X(result, name, (parameters), (arguments), ordinal), in the order of the ordinals.
#define VEXLA_DRIVER_EXPORTS(X)                                                             \
    X(void, CtrlFirmWare, (uint32_t code), (code), 1)                                       \
    X(uint8_t, SetFilter, (uint32_t depth), (depth), 2)                                     \
    X(void, GetReFlashRate32, (int32_t * rates32), (rates32), 3)                            \
    X(void, GetReFlashRate, (int32_t * rates8), (rates8), 4)                                \
    X(void, HideCtrlForm, (), (), 5)                                                        \
    X(void, ShowCtrlForm, (), (), 6)                                                        \
    X(void, StartPoint, (int32_t on), (on), 7)                                              \
    X(void, DisConnectComm, (), (), 8)                                                      \
    X(void, GotSerialData, (VexlaRecord8 * record), (record), 9)                            \
    X(void, GotSerialData32, (VexlaRecord32 * record), (record), 10)                        \
    X(int32_t, ConnectComm, (int32_t baudRate, int32_t port), (baudRate, port), 11)         \
    X(void, DLL_End_Application, (), (), 12)                                                \
    X(void, Long2String, (int32_t value, uint32_t decimals, char* buffer, uint32_t length), \
      (value, decimals, buffer, length), 13)                                                \
    X(void, SetHardWareZero, (), (), 14)                                                    \
    X(void, SetHardWareZeroCh, (uint32_t channel), (channel), 15)                           \
    X(void, SetDataZeroCh, (uint32_t channel), (channel), 16)                               \
    X(void, SetDataZero, (), (), 17)                                                        \
    X(void, GetNewData16Ch, (VexlaDataBlock16 * block), (block), 18)                        \
    X(void, GetNewData32Ch, (VexlaDataBlock32 * block), (block), 19)                        \
    X(int32_t, SetNetSegment, (uint32_t segment), (segment), 20)                            \
    X(void, EnableCtrls, (uint32_t command, uint32_t zero, uint32_t setup), (command, zero, setup), 21)

namespace vexla::host {

enum class Export {
#define VEXLA_EXPORT_ENUMERATOR(result, name, parameters, arguments, ordinal) name,
    VEXLA_DRIVER_EXPORTS(VEXLA_EXPORT_ENUMERATOR)
#undef VEXLA_EXPORT_ENUMERATOR
};

inline constexpr std::size_t kExportCount = 21;

// The exported name, and the ordinal of the Windows library.
constexpr const char* ExportName(Export e) {
    constexpr const char* names[] = {
#define VEXLA_EXPORT_NAME(result, name, parameters, arguments, ordinal) #name,
        VEXLA_DRIVER_EXPORTS(VEXLA_EXPORT_NAME)
#undef VEXLA_EXPORT_NAME
    };
    return names[static_cast<std::size_t>(e)];
}
constexpr int ExportOrdinal(Export e) {
    return static_cast<int>(e) + 1;
}

// The list's types and ordinals are the header's and the module definition's.
#define VEXLA_EXPORT_CHECK(result, name, parameters, arguments, ordinal)                                      \
    static_assert(std::is_same_v<decltype(&::name), result(VEXLA_CALL*) parameters>, #name " as in vexla.h"); \
    static_assert(ExportOrdinal(Export::name) == (ordinal), #name " in ordinal order");
VEXLA_DRIVER_EXPORTS(VEXLA_EXPORT_CHECK)
#undef VEXLA_EXPORT_CHECK
static_assert(static_cast<std::size_t>(Export::EnableCtrls) + 1 == kExportCount);

// One entry of a program's own list of the exports it calls:
//   constexpr Export kUsed[] = {MY_LIST(VEXLA_EXPORT_ENTRY)};
#define VEXLA_EXPORT_ENTRY(name) ::vexla::host::Export::name,

// Every export, as a list of entries.
#define VEXLA_EXPORT_ENTRY_OF_LIST(result, name, parameters, arguments, ordinal) VEXLA_EXPORT_ENTRY(name)
#define VEXLA_DRIVER_EXPORTS_ENTRIES VEXLA_DRIVER_EXPORTS(VEXLA_EXPORT_ENTRY_OF_LIST)

inline constexpr Export kEveryExport[] = {VEXLA_DRIVER_EXPORTS_ENTRIES};

// The exports as addresses, however the program found them; null where an
// export was not bound.
struct DriverFunctions {
#define VEXLA_EXPORT_POINTER(result, name, parameters, arguments, ordinal) decltype(&::name) name = nullptr;
    VEXLA_DRIVER_EXPORTS(VEXLA_EXPORT_POINTER)
#undef VEXLA_EXPORT_POINTER

    // Sets one entry from an address found by name.
    void Set(Export e, void* address) {
        switch (e) {
#define VEXLA_EXPORT_SET(result, name, parameters, arguments, ordinal) \
    case Export::name:                                                 \
        name = reinterpret_cast<decltype(name)>(address);              \
        return;
            VEXLA_DRIVER_EXPORTS(VEXLA_EXPORT_SET)
#undef VEXLA_EXPORT_SET
        }
    }
};

}  // namespace vexla::host

#pragma once
// The driver: every piece of its state in one object, and the operations of
// the receive path, the processing step, the hardware commands and the data
// interface. The library frame owns exactly one; tests make as many as they
// like. Nothing here touches the operating system.

#include <array>
#include <cstdint>
#include <span>

#include "channels/channel_table.h"
#include "channels/host_layouts.h"
#include "channels/settings.h"
#include "engine/link_port.h"
#include "engine/receive_ring.h"

namespace vexla {

// What the host lets the user do in the control window (EnableCtrls).
struct ControlPermissions {
    uint8_t Command = 1;
    uint8_t Zero = 1;
    uint8_t Setup = 1;
};

inline constexpr uint8_t kWatchdogAfterReceive = 12;
inline constexpr uint8_t kQuietPeriodAfterCommand = 20;
inline constexpr uint8_t kCommandGuardTicks = 2;
inline constexpr uint8_t kAliveAfterFrame = 10;

class Driver {
public:
    // ---- receive path and processing step
    void SPComReceiveData(std::span<const uint8_t> bytes);
    TChannelRecord DecodeFrames();
    void ProcessTick();

    // ---- hardware commands
    void CtrlFirmWare(uint8_t code);
    void SetHardWareZero();
    void SetHardWareZeroCh(uint8_t channel);
    void SendCommand(uint8_t code);

    // ---- data interface
    TChannelRecord TakeResult();
    TChannelRecord GotSerialData32() { return TakeResult(); }
    TSerialRecord8 GotSerialData();
    std::array<int32_t, 32> GetReFlashRate32() const;
    std::array<int32_t, 8> GetReFlashRate() const;
    uint8_t SetFilter(uint8_t depth);
    void SetDataZero();
    void SetDataZeroCh(uint8_t channel);
    void StartPoint(uint16_t on);
    void EnableCtrls(uint8_t command, uint8_t zero, uint8_t setup);

    // ---- state
    DriverSettings Settings;
    bool LinkOpen = false;
    LinkPort* Port = nullptr;  // not owned; null while no port exists

    ReceiveRing Receive;
    bool NewDataFlag = false;  // a receive event happened since the last decode
    bool ScanFlag = false;     // the decoder searched (status counter)
    std::array<uint8_t, kChannels> AliveCount{};
    std::array<uint8_t, kChannels> PendingCommand{};  // 0 or k = code + 8
    uint8_t ReceiveWatchdog = 0;
    uint8_t QuietPeriod = 0;
    uint8_t CommandGuard = 0;

    TChannelTable Channels;
    ControlPermissions EnableFlags;

private:
    bool DecodeWindowAt(int32_t i, TChannelRecord& record);
    void WriteToGauges(std::span<const uint8_t> frame);
};

}  // namespace vexla

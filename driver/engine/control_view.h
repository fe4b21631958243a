#pragma once
// What the engine tells the control window, in the engine's own terms: the
// window's life, the link's state, the tick's counters and results, and the
// settings. The panel layer turns these into the window's texts, grids and
// visibility; tests record them. The engine never reads anything back.

#include <cstdint>

#include "channels/averaging.h"
#include "channels/settings.h"

namespace vexla {

// The four counters of the status page, each modulo 10000.
struct StatusCounters {
    uint16_t Ticks = 0;
    uint16_t TicksWithData = 0;
    uint16_t TicksWithSearch = 0;
};

// One channel-range line of the value page as the user left it: check box,
// channel number and the "before" / "after" radio pair.
struct RangeControls {
    bool Checked = false;
    int Channel = 32;    // 1..32
    bool Before = true;  // "以前" checked; "以后" is its opposite
};

class ControlView {
  public:
    virtual ~ControlView() = default;

    // The window of `segment` is created at the first connect and lives
    // until the application ends.
    virtual void Created(uint8_t segment) = 0;
    virtual void Destroyed() = 0;
    // Brought up by the host or the end of the start-up phase (segments
    // cascade), or closed.
    virtual void Shown(uint8_t segment) = 0;
    virtual void Hidden() = 0;
    // The host or the tray icon asked for the window: the front and the
    // focus, though it may be on show already behind another window.
    virtual void BroughtToFront() = 0;

    // A connect opens `port` at `lineSpeed`: the start-up phase begins.
    virtual void Connecting(int32_t port, int32_t lineSpeed) = 0;
    virtual void PortUnavailable(int32_t port) = 0;
    // The silent port could not be opened again.
    virtual void PortLost(int32_t port) = 0;
    virtual void TimerSwitched(bool running) = 0;
    virtual void StartupEnded() = 0;

    // What the user may do, on every tick; a command just sent.
    virtual void Permissions(bool sendCommand, bool zero, bool setup) = 0;
    virtual void CommandSent() = 0;
    // Every tick: the counters and the results handed over so far.
    virtual void StatusCounted(const StatusCounters& counters, uint16_t submitCount) = 0;
    // After each processing step.
    virtual void ChannelsProcessed(const AveragingRing& averaging, const DriverSettings& settings) = 0;
    // The settings after every load or save.
    virtual void SettingsShown(const DriverSettings& settings) = 0;
};

}  // namespace vexla

#include "engine/link_supervisor.h"

namespace vexla {

std::string DescribeFailure(const PortStatus& status) {
    return status.failure + " (OS error " + std::to_string(status.error.value()) + ")";
}

std::string DescribeRefusedSettings(const PortStatus& status) {
    if (!status.settingsError) return {};
    return "; the device refused line settings (OS error " + std::to_string(status.settingsError.value()) + ")";
}

bool LinkSupervisor::Open(int32_t portNumber, int32_t baudRate) {
    if (open_) Close();
    portInUse_ = portNumber;
    lineInUse_ = {portNumber, LineSpeedFor(baudRate)};
    lastOpen_ = port_ != nullptr ? port_->Open(lineInUse_) : PortStatus{false, "no port", {}, {}};
    if (lastOpen_.open) {
        watchdog_ = kWatchdogAfterOpen;
        open_ = true;
        return true;
    }
    if (port_ != nullptr) port_->Close();
    watchdog_ = 1;
    return false;
}

bool LinkSupervisor::Close() {
    if (!open_) return false;
    watchdog_ = 1;
    if (port_ != nullptr) port_->Close();
    open_ = false;
    return true;
}

LinkSupervisor::Watch LinkSupervisor::Tick() {
    if (!open_) return Watch::Quiet;
    if (watchdog_ > 0) --watchdog_;
    if (watchdog_ != kWatchdogReopenAt) return Watch::Quiet;
    if (port_ != nullptr) port_->Close();
    lastOpen_ = port_ != nullptr ? port_->Open(lineInUse_) : PortStatus{false, "no port", {}, {}};
    if (lastOpen_.open) {
        watchdog_ = kWatchdogAfterOpen;
        return Watch::Reopened;
    }
    open_ = false;
    return Watch::Lost;
}

void LinkSupervisor::Write(std::span<const uint8_t> frame) {
    if (port_ != nullptr) port_->QueueWrite(frame);
}

}  // namespace vexla

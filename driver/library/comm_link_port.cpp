#include "comm_link_port.h"

#include <limits>

namespace vexla {

PortStatus CommLinkPort::Open(const LinkSettings& settings) {
    comm_.SetCommName(PortDeviceName(settings.PortNumber));
    comm_.SetBaudRate(static_cast<uint32_t>(settings.BaudRate));
    comm_.SetByteSize(TByteSize::_8);
    comm_.SetParity(TParity::None);
    comm_.SetStopBits(TStopBits::_1);
    comm_.SetOutx_XonXoffFlow(false);  // binary frames: 0x11 and 0x13 are data
    comm_.SetInx_XonXoffFlow(false);
    comm_.SetTxContinueOnXoff(false);
    comm_.SetInputBufferLong(1);  // every byte reaches the ring as soon as it arrives
    comm_.SetReadIntervalTimeout(0);
    comm_.SetReadTotalTimeoutConstant(0);
    comm_.SetReadTotalTimeoutMultiplier(0);
    comm_.SetDtrControl(TDtrControl::DtrEnable);  // powers line-fed gauge adapters
    comm_.SetRtsControl(TRtsControl::RtsEnable);
    try {
        comm_.OpenPort();
        return {true, {}, {}, comm_.LineSettingsError()};
    } catch (const ECommsError& e) {
        return {false, e.what(), e.Code()};  // the component is closed again; the driver reports it
    }
}

bool CommLinkPort::QueueWrite(std::span<const uint8_t> bytes) {
    if (bytes.size() > std::numeric_limits<uint16_t>::max()) return false;
    return comm_.QueueWrite(bytes.data(), static_cast<uint16_t>(bytes.size()));
}

}  // namespace vexla

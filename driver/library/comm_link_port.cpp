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
#ifdef _WIN32
    comm_.SetInputBufferLong(1);  // a read ends with its first byte and takes what is queued behind it
#else
    comm_.SetInputBufferLong(4096);  // a batch in one block: reads take what is there
#endif
    // A tick's worth of frames in a few wake-ups rather than one per frame;
    // the tick collects what has come before it decodes.
    comm_.SetReceiveBatchMs(kReceiveBatchMs);
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

// The parts of TComm that are the same on every platform: the error texts
// and the turning of notifications into events.

#include "comm.h"
#include "comm_messages.h"

namespace vexla {

const char* CommsFailureText(TCommsFailure failure) {
    switch (failure) {
        case TCommsFailure::AlreadyOpen:
            return "This serial port already opened";
        case TCommsFailure::OpenFailed:
            return "Error opening serial port";
        case TCommsFailure::NotCommHandle:
            return "File handle is not a comm handle ";
        case TCommsFailure::SetupFailed:
            return "Cannot setup comm buffer";
        case TCommsFailure::EventFailed:
            return "Unable to create event";
        case TCommsFailure::ReadThreadFailed:
            return "Unable to create read thread";
        case TCommsFailure::WriteThreadFailed:
            return "Unable to create write thread";
    }
    return "Error opening serial port";
}

ECommsError::ECommsError(TCommsFailure failure) : ECommsError(failure, std::error_code{}) {}

ECommsError::ECommsError(TCommsFailure failure, std::error_code code)
    : std::runtime_error(CommsFailureText(failure)), failure_(failure), code_(code) {}

void TComm::Dispatch(uint32_t message, uint32_t wParam, uint32_t lParam, const uint8_t* block) {
    switch (message) {
        case comm::kMsgReceiveData:
            if (OnReceiveData && block) OnReceiveData(*this, block, static_cast<uint16_t>(wParam));
            break;
        case comm::kMsgReceiveError:
            if (OnReceiveError) OnReceiveError(*this, lParam);
            break;
        case comm::kMsgRequestHangup:
            if (OnRequestHangup) OnRequestHangup(*this);
            break;
        case comm::kMsgModemState:
            if (OnModemStateChange) OnModemStateChange(*this, lParam);
            break;
        case comm::kMsgSendDataEmpty:
            if (OnSendDataEmpty) OnSendDataEmpty(*this);
            break;
        default:
            break;
    }
}

}  // namespace vexla

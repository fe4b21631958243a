#pragma once
// Notification numbers between the worker threads and the owner thread. On
// Windows they are window and thread messages, on POSIX queue entries.

#include <cstdint>

namespace vexla::comm {

inline constexpr uint32_t kUser = 0x0400;  // WM_USER

// To the owner: wParam = byte count, the entry carries the block.
inline constexpr uint32_t kMsgReceiveData = kUser + 1;
// To the owner: lParam = CE_ error flags.
inline constexpr uint32_t kMsgReceiveError = kUser + 2;
inline constexpr uint32_t kMsgRequestHangup = kUser + 3;
// To the owner: lParam = modem bits (8 carrier detect, 4 ring).
inline constexpr uint32_t kMsgModemState = kUser + 4;
inline constexpr uint32_t kMsgSendDataEmpty = kUser + 5;
// To the transmit thread: wParam = byte count, the entry carries the block.
inline constexpr uint32_t kMsgWrite = kUser + 1;

inline constexpr uint32_t kModemCarrier = 8;
inline constexpr uint32_t kModemRing = 4;

// CE_ line-error flags as ClearCommError reports them.
inline constexpr uint32_t kCeRxOver = 0x0001;
inline constexpr uint32_t kCeOverrun = 0x0002;
inline constexpr uint32_t kCeRxParity = 0x0004;
inline constexpr uint32_t kCeFrame = 0x0008;
inline constexpr uint32_t kCeBreak = 0x0010;

}  // namespace vexla::comm

#pragma once
// The texts of the driver's own message boxes (UTF-8).

#include <cstdint>
#include <string>

namespace vexla::texts {

// The port of a connect could not be opened.
inline std::string PortTakenMessage(int32_t port) {
    return "串口 Com" + std::to_string(port) + " 已经被其它\r\n程序占用,不能打开";
}

}  // namespace vexla::texts

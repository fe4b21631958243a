#pragma once
// Fixed-width decimal text for hosts: right-aligned in length - 1 characters
// plus a terminating NUL, or length bytes of "*" when the text does not fit.

#include <cstdint>

namespace vexla {

void Long2String(int32_t value, uint8_t decimals, char* buffer, uint8_t length);

}  // namespace vexla

#pragma once
// UTF-8 to GBK by the platform's own converter (iconv, or code page 936 on
// Windows), so the expected bytes do not come from the code under test.

#include <string>
#include <string_view>

namespace vexla::testing {

std::string Gbk(std::string_view utf8);

}  // namespace vexla::testing

#include <iconv.h>

#include <stdexcept>
#include <vector>

#include "gbk_convert.h"

namespace vexla::testing {

std::string Gbk(std::string_view utf8) {
    const iconv_t cd = iconv_open("GBK", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no GBK converter");
    std::string in(utf8);
    std::vector<char> out(in.size() * 2 + 4);
    char* src = in.data();
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1)) throw std::runtime_error("not convertible to GBK");
    return std::string(out.data(), out.size() - dstLeft);
}

}  // namespace vexla::testing

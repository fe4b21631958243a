#include "tester/model/basic_number.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace vexla::tester {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The text without its blanks: Val reads "1 2" as 12.
std::string WithoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (!IsBlank(c)) out += c;
    return out;
}

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// &H and &O numbers are 32-bit integers in BASIC: FFFFFFFF reads as -1.
double RadixNumber(std::string_view digits, int radix) {
    uint64_t value = 0;
    for (char c : digits) {
        const int d = DigitValue(c);
        if (d >= radix) break;
        value = (value * static_cast<unsigned>(radix) + static_cast<unsigned>(d)) & 0xFFFFFFFFu;
    }
    return static_cast<double>(static_cast<int32_t>(static_cast<uint32_t>(value)));
}

}  // namespace

double BasicVal(std::string_view text) {
    const std::string s = WithoutBlanks(text);
    if (s.size() >= 2 && s[0] == '&') {
        const char kind = s[1];
        if (kind == 'h' || kind == 'H') return RadixNumber(std::string_view(s).substr(2), 16);
        if (kind == 'o' || kind == 'O') return RadixNumber(std::string_view(s).substr(2), 8);
        return RadixNumber(std::string_view(s).substr(1), 8);  // "&17" is octal too
    }
    // The longest prefix that is a decimal number, in the C locale's form.
    std::string number;
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) number += s[i++];
    bool digits = false;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') number += s[i++], digits = true;
    if (i < s.size() && s[i] == '.') {
        number += s[i++];
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') number += s[i++], digits = true;
    }
    if (!digits) return 0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::string exponent = "e";
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) exponent += s[j++];
        bool expDigits = false;
        while (j < s.size() && s[j] >= '0' && s[j] <= '9') exponent += s[j++], expDigits = true;
        if (expDigits) number += exponent;
    }
    return std::strtod(number.c_str(), nullptr);
}

std::optional<int> ChannelIndexFromText(std::string_view text) {
    const double value = BasicVal(text);
    if (!std::isfinite(value)) return std::nullopt;
    // Ties to even, whatever the rounding mode the program runs in.
    double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
    if (whole < 1.0 || whole > 32.0) return std::nullopt;
    return static_cast<int>(whole) - 1;
}

}  // namespace vexla::tester

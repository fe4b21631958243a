#include "recorder/report/json_writer.h"

#include <charconv>
#include <cmath>

namespace vexla::recorder::report {

namespace {

// The length of the well-formed UTF-8 sequence at the start of `text`, or 0
// (overlong forms, surrogates and code points past U+10FFFF are not).
size_t Utf8Length(std::string_view text) {
    const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(0);
    size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
    for (size_t i = 2; i < length; ++i) {
        if (byte(i) < 0x80 || byte(i) > 0xBF) return 0;
    }
    return length;
}

void AppendString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text[0]);
        size_t length = 1;
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 0xF];
                } else if ((length = Utf8Length(text)) == 0) {
                    length = 1;
                    out += "\\ufffd";
                } else {
                    out.append(text.substr(0, length));
                }
        }
        text.remove_prefix(length);
    }
    out += '"';
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out;
    AppendString(out, text);
    return out;
}

void JsonWriter::Indent() {
    if (!indented_) return;
    out_ += '\n';
    out_.append(firsts_.size() * 2, ' ');
}

void JsonWriter::BeforeValue() {
    if (afterKey_) {
        afterKey_ = false;
        return;
    }
    if (firsts_.empty()) return;
    if (!firsts_.back()) out_ += ',';
    firsts_.back() = false;
    Indent();
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    out_ += '{';
    firsts_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    const bool empty = firsts_.back();
    firsts_.pop_back();
    if (!empty) Indent();
    out_ += '}';
    if (firsts_.empty() && indented_) out_ += '\n';
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    out_ += '[';
    firsts_.push_back(true);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    const bool empty = firsts_.back();
    firsts_.pop_back();
    if (!empty) Indent();
    out_ += ']';
    return *this;
}

JsonWriter& JsonWriter::Key(std::string_view name) {
    BeforeValue();
    AppendString(out_, name);
    out_ += ": ";
    afterKey_ = true;
    return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
    BeforeValue();
    AppendString(out_, text);
    return *this;
}

JsonWriter& JsonWriter::Number(double value) {
    if (!std::isfinite(value)) return Null();
    BeforeValue();
    // The shortest text that reads back to the same double.
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out_.append(text, result.ptr);
    return *this;
}

JsonWriter& JsonWriter::Number(std::optional<double> value) {
    return value ? Number(*value) : Null();
}

JsonWriter& JsonWriter::Integer(int64_t value) {
    BeforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Unsigned(uint64_t value) {
    BeforeValue();
    out_ += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
    BeforeValue();
    out_ += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    out_ += "null";
    return *this;
}

}  // namespace vexla::recorder::report

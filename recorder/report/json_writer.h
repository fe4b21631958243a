#pragma once
// A small JSON writer for the report's summary: commas and nesting kept
// for the caller, strings escaped (quotes, backslashes, control characters;
// UTF-8 passed through, bytes that are not UTF-8 replaced by U+FFFD, so a
// spreadsheet's stray code page never makes the file unreadable), numbers
// with the digits that read back to the same double, and null for NaN and
// infinities, which JSON cannot hold.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexla::recorder::report {

class JsonWriter {
  public:
    // Not indented: one line, as a message payload goes.
    explicit JsonWriter(bool indented = true) : indented_(indented) {}

    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    // The name of the next member of an object.
    JsonWriter& Key(std::string_view name);

    JsonWriter& String(std::string_view text);
    JsonWriter& Number(double value);
    JsonWriter& Number(std::optional<double> value);
    JsonWriter& Integer(int64_t value);
    JsonWriter& Unsigned(uint64_t value);
    JsonWriter& Bool(bool value);
    JsonWriter& Null();

    // The text so far; whole once every object and array is ended.
    const std::string& Text() const { return out_; }

  private:
    void BeforeValue();
    void Indent();

    std::string out_;
    std::vector<bool> firsts_;  // per open object or array: nothing written in it yet
    bool afterKey_ = false;
    bool indented_;
};

// `text` as a JSON string, quotes included.
std::string JsonString(std::string_view text);

}  // namespace vexla::recorder::report

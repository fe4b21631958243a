#include "recorder/platform/console_keys.h"

#include <utility>

namespace vexla::recorder {

void TypedLines::Feed(const char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (bytes[i] == '\n') {
            if (!partial_.empty() && partial_.back() == '\r') partial_.pop_back();
            done_.push_back(std::move(partial_));
            partial_.clear();
        } else if (partial_.size() < 4096) {  // a line, not a file poured in
            partial_ += bytes[i];
        }
    }
}

std::vector<std::string> TypedLines::Take() {
    return std::exchange(done_, {});
}

void ConsoleKeys::Feed(const char* bytes, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) presses_ += bytes[i] == key_;
    if (key_ == '\n') lines_.Feed(bytes, count);
}

std::vector<std::string> ConsoleKeys::TakeLines() {
    TakePresses();
    return lines_.Take();
}

}  // namespace vexla::recorder

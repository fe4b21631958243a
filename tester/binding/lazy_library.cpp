#include "binding/lazy_library.h"

#include <utility>

namespace vexla::tester {

LazyLibrary::LazyLibrary(std::string path, MissingHandler onMissing)
    : path_(std::move(path)), onMissing_(std::move(onMissing)) {}

LazyLibrary::~LazyLibrary() {
    if (handle_ != nullptr) Close(handle_);
}

void* LazyLibrary::Resolve(const char* name) {
    if (const auto found = functions_.find(name); found != functions_.end()) return found->second;
    std::string reason;
    if (handle_ == nullptr) handle_ = Open(path_, reason);
    if (handle_ == nullptr) {
        if (onMissing_) onMissing_(path_, reason);
        return nullptr;
    }
    void* function = Find(handle_, name, reason);
    if (function == nullptr) {
        if (onMissing_) onMissing_(std::string(name) + " in " + path_, reason);
        return nullptr;
    }
    functions_.emplace(name, function);
    return function;
}

}  // namespace vexla::tester

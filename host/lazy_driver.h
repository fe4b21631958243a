#pragma once
// The driver bound the way the test program binds it: nothing at start;
// each export is looked up by name at its first call and kept. A missing
// library or function is handed to the program's handler, with the
// system's reason, and the call is skipped (returning zero) when the
// handler returns.

#include <functional>
#include <string>
#include <utility>

#include "host/driver_calls.h"
#include "host/driver_library.h"

namespace vexla::host {

class LazyDriver final : public DriverCalls {
  public:
    // Told what is missing ("Vexla.dll", or "GetNewData32Ch in Vexla.dll")
    // and why.
    using MissingHandler = std::function<void(const std::string& what, const std::string& reason)>;

    LazyDriver(std::string libraryPath, MissingHandler onMissing)
        : library_(std::move(libraryPath)), onMissing_(std::move(onMissing)) {}

#define VEXLA_EXPORT_LAZY(result, name, parameters, arguments, ordinal) \
    result name parameters override {                                   \
        void* address = Resolve(Export::name);                          \
        if (address == nullptr) return result();                        \
        return reinterpret_cast<decltype(&::name)>(address) arguments;  \
    }
    VEXLA_DRIVER_EXPORTS(VEXLA_EXPORT_LAZY)
#undef VEXLA_EXPORT_LAZY

    const DriverLibrary& Library() const {
        return library_;
    }

  private:
    void* Resolve(Export e) {
        Result<void*> address = library_.Resolve(e);
        if (address) return *address;
        if (onMissing_) onMissing_(address.Failure().what, address.Failure().reason);
        return nullptr;
    }

    DriverLibrary library_;
    MissingHandler onMissing_;
};

}  // namespace vexla::host

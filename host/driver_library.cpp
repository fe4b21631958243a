#include "host/driver_library.h"

#include <utility>

namespace vexla::host {

DriverLibrary::DriverLibrary(std::string path) : path_(std::move(path)) {}

DriverLibrary::~DriverLibrary() {
    if (handle_ != nullptr) (void)Close(handle_);
}

Status DriverLibrary::Unload() {
    found_.fill(nullptr);
    if (handle_ == nullptr) return Done{};
    return Close(std::exchange(handle_, nullptr));
}

Status DriverLibrary::Load() {
    if (handle_ != nullptr) return Done{};
    Result<void*> opened = Open(path_);
    if (!opened) return opened.Failure();
    handle_ = *opened;
    return Done{};
}

Result<void*> DriverLibrary::Resolve(Export e) {
    void*& slot = found_[static_cast<std::size_t>(e)];
    if (slot != nullptr) return slot;
    if (Status loaded = Load(); !loaded) return loaded.Failure();
    Result<void*> found = Symbol(handle_, ExportName(e));
    if (!found) {
        Error error = found.Failure();
        error.what = std::string(ExportName(e)) + " in " + path_;
        return error;
    }
    slot = *found;
    return slot;
}

Result<DriverFunctions> DriverLibrary::Bind(std::span<const Export> exports) {
    DriverFunctions functions;
    for (const Export e : exports) {
        Result<void*> address = Resolve(e);
        if (!address) return address.Failure();
        functions.Set(e, *address);
    }
    return functions;
}

Result<void*> DriverLibrary::Find(const char* name) {
    if (Status loaded = Load(); !loaded) return loaded.Failure();
    return Symbol(handle_, name);
}

LoadedDriver::LoadedDriver(std::string path) : library_(std::move(path)), binding_(Done{}) {
    Result<DriverFunctions> bound = library_.Bind(kEveryExport);
    if (bound) {
        static_cast<DriverFunctions&>(*this) = *bound;
    } else {
        binding_ = bound.Failure();
    }
}

Status LoadedDriver::Unload() {
    static_cast<DriverFunctions&>(*this) = DriverFunctions{};
    return library_.Unload();
}

}  // namespace vexla::host

#pragma once
// Loads the driver library the way a host does, by file name at run time.

#include <string>

namespace vexla::testing {

class LoadedLibrary {
  public:
    explicit LoadedLibrary(const std::string& file);
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool Loaded() const { return handle_ != nullptr; }
    std::string Error() const { return error_; }
    void* Symbol(const char* name) const;

    template <typename Function>
    Function* Get(const char* name) const {
        return reinterpret_cast<Function*>(Symbol(name));
    }

  private:
    void* handle_ = nullptr;
    std::string error_;
};

}  // namespace vexla::testing

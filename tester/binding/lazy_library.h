#pragma once
// A library bound the way the test program binds the driver: nothing at
// start; each function is looked up by name when it is first called and
// kept. The library is loaded at the first lookup.

#include <functional>
#include <map>
#include <string>

namespace vexla::tester {

class LazyLibrary {
  public:
    // Told what is missing ("Vexla.dll", or "GetNewData32Ch in Vexla.dll")
    // with the system's reason; a program's handler reports it and ends.
    using MissingHandler = std::function<void(const std::string& what, const std::string& reason)>;

    LazyLibrary(std::string path, MissingHandler onMissing);
    ~LazyLibrary();
    LazyLibrary(const LazyLibrary&) = delete;
    LazyLibrary& operator=(const LazyLibrary&) = delete;

    // The function's address, or null after the handler was told (when it
    // returns, the caller skips the call).
    void* Resolve(const char* name);
    bool Loaded() const { return handle_ != nullptr; }
    const std::string& Path() const { return path_; }

  private:
    // One file per platform: LoadLibrary/GetProcAddress or dlopen/dlsym.
    static void* Open(const std::string& path, std::string& reason);
    static void* Find(void* handle, const char* name, std::string& reason);
    static void Close(void* handle);

    std::string path_;
    MissingHandler onMissing_;
    void* handle_ = nullptr;
    std::map<std::string, void*, std::less<>> functions_;
};

// The driver a host loads when none is named: on Windows Vexla.dll, which
// the system looks for beside the program first; elsewhere libVexla.so
// beside the program (a build, an unpacked archive) or else the installed one.
std::string DefaultDriverLibrary();

}  // namespace vexla::tester

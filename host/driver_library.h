#pragma once
// The driver library bound at run time, the one way every program and test
// does it: loaded by file name, each export looked up by its name, either
// all at once when the program starts (Bind) or each at its first call
// (Resolve, through LazyDriver). A library or function that is missing is
// named with the system's reason, never found out by a crash.

#include <array>
#include <span>
#include <string>

#include "base/result.h"
#include "host/driver_exports.h"

namespace vexla::host {

class DriverLibrary {
  public:
    explicit DriverLibrary(std::string path);  // nothing is loaded yet
    ~DriverLibrary();
    DriverLibrary(const DriverLibrary&) = delete;
    DriverLibrary& operator=(const DriverLibrary&) = delete;

    // Loads the library, once. Fails naming the file.
    Status Load();
    // One export's address, loading the library first; a missing function
    // fails as "Name in path". Found addresses are kept.
    Result<void*> Resolve(Export e);
    // The listed exports at once: the table, or the first that failed.
    Result<DriverFunctions> Bind(std::span<const Export> exports);
    // Any symbol by its name, for checks of what the library shows.
    Result<void*> Find(const char* name);
    // Lets go of the library; the system's refusal is the failure.
    Status Unload();

    bool Loaded() const { return handle_ != nullptr; }
    const std::string& Path() const { return path_; }

  private:
    // One file per platform: dlopen/dlsym or LoadLibraryW/GetProcAddress.
    static Result<void*> Open(const std::string& path);
    static Result<void*> Symbol(void* handle, const char* name);
    static Status Close(void* handle);

    std::string path_;
    void* handle_ = nullptr;
    std::array<void*, kExportCount> found_{};
};

// Every export of one library bound at once, as the table itself: for a
// host (or a test) that calls the functions straight through it.
class LoadedDriver : public DriverFunctions {
  public:
    explicit LoadedDriver(std::string path);
    // Done, or the library or the first function that is missing.
    const Status& Binding() const { return binding_; }
    bool Loaded() const { return binding_.Ok(); }
    DriverLibrary& Library() { return library_; }
    // Lets go of the library; every entry is null afterwards.
    Status Unload();

  private:
    DriverLibrary library_;
    Status binding_;
};

// The driver a program loads when none is named. Windows: Vexla.dll, which
// the system looks for beside the program first. Elsewhere: libVexla.so
// beside the program (a build, an unpacked archive) when it is there, else
// the bare name for the system's search (an installed package).
std::string LibraryBesideProgram();

}  // namespace vexla::host

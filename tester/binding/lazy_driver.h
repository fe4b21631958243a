#pragma once
// The test program's driver: the eleven functions it declares, each bound
// by name at its first call (ConnectComm and DisConnectComm are declared
// and never called, as the program never opens or closes the link itself).

#include <string>

#include "binding/lazy_library.h"
#include "model/tester_driver.h"

namespace vexla::tester {

// The functions the program declares, by their exported names.
inline constexpr const char* kDeclaredFunctions[] = {
    "GetNewData32Ch",    "GetReFlashRate32", "EnableCtrls",         "SetDataZero", "SetHardWareZero", "SetDataZeroCh",
    "SetHardWareZeroCh", "DisConnectComm",   "DLL_End_Application", "Long2String", "ConnectComm"};

class LazyDriver final : public TesterDriver {
  public:
    LazyDriver(std::string libraryPath, LazyLibrary::MissingHandler onMissing)
        : library_(std::move(libraryPath), std::move(onMissing)) {}

    void GetNewData32Ch(VexlaDataBlock32* block) override { Call<decltype(::GetNewData32Ch)>("GetNewData32Ch", block); }
    void GetReFlashRate32(int32_t* rates32) override {
        Call<decltype(::GetReFlashRate32)>("GetReFlashRate32", rates32);
    }
    void EnableCtrls(uint8_t command, uint8_t zero, uint8_t setup) override {
        Call<decltype(::EnableCtrls)>("EnableCtrls", command, zero, setup);
    }
    void SetDataZero() override { Call<decltype(::SetDataZero)>("SetDataZero"); }
    void SetHardWareZero() override { Call<decltype(::SetHardWareZero)>("SetHardWareZero"); }
    void SetDataZeroCh(uint8_t channel) override { Call<decltype(::SetDataZeroCh)>("SetDataZeroCh", channel); }
    void SetHardWareZeroCh(uint8_t channel) override {
        Call<decltype(::SetHardWareZeroCh)>("SetHardWareZeroCh", channel);
    }
    void DLL_End_Application() override { Call<decltype(::DLL_End_Application)>("DLL_End_Application"); }
    void Long2String(int32_t value, uint8_t decimals, char* buffer, uint8_t length) override {
        Call<decltype(::Long2String)>("Long2String", value, decimals, buffer, length);
    }
    const LazyLibrary& Library() const { return library_; }

  private:
    // The header gives only the function's type (decltype takes no address,
    // so nothing of the library is linked into the program).
    template <typename Function, typename... Args>
    void Call(const char* name, Args... args) {
        if (void* address = library_.Resolve(name)) reinterpret_cast<Function*>(address)(args...);
    }

    LazyLibrary library_;
};

}  // namespace vexla::tester

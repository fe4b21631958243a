#pragma once
// One of our Windows programs under test in a process of its own: started
// from this test's folder, found by its window class, read through window
// messages, and killed if the test ends without closing it.

#include <windows.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace vexla::wine {

inline std::filesystem::path ProgramFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::filesystem::path(path).parent_path();
}

// A program started by the test; it is killed if the test ends without
// closing it.
class Process {
  public:
    bool Start(const std::filesystem::path& program, const std::wstring& arguments = L"") {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        std::wstring commandLine = L"\"" + program.wstring() + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
        const std::wstring folder = program.parent_path().wstring();
        return CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                              &startup, &info_) != FALSE;
    }
    ~Process() {
        if (info_.hProcess == nullptr) return;
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    // The exit code once it has ended within `timeout`.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs) const {
        if (WaitForSingleObject(info_.hProcess, timeoutMs) != WAIT_OBJECT_0) return std::nullopt;
        DWORD code = 0;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }
    DWORD Id() const { return info_.dwProcessId; }

  private:
    PROCESS_INFORMATION info_{};
};

struct WindowOfProcess {
    DWORD process;
    const wchar_t* className;
    HWND found;
};

inline BOOL CALLBACK FindWindowOfProcess(HWND window, LPARAM search) {
    auto& s = *reinterpret_cast<WindowOfProcess*>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (process != s.process || std::wstring(className) != s.className) return TRUE;
    s.found = window;
    return FALSE;
}

inline HWND TopWindow(DWORD process, const wchar_t* className) {
    WindowOfProcess search{process, className, nullptr};
    EnumWindows(&FindWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline std::wstring WindowText(HWND window) {
    wchar_t text[128] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
    return text;
}

// A copy of one of the test's neighbour programs in a folder of its own,
// without Vexla.dll beside it; the folder goes with the object.
class LoneCopy {
  public:
    explicit LoneCopy(const wchar_t* program) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        folder_ =
            std::filesystem::path(temp) / (std::wstring(L"vexla-alone-") + std::to_wstring(GetCurrentProcessId()));
        std::error_code error;
        std::filesystem::create_directories(folder_, error);
        std::filesystem::copy_file(ProgramFolder() / program, folder_ / program,
                                   std::filesystem::copy_options::overwrite_existing, error);
        path_ = folder_ / program;
    }
    ~LoneCopy() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    LoneCopy(const LoneCopy&) = delete;
    LoneCopy& operator=(const LoneCopy&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    bool Ready() const { return std::filesystem::exists(path_) && !std::filesystem::exists(folder_ / L"Vexla.dll"); }

  private:
    std::filesystem::path folder_;
    std::filesystem::path path_;
};

// Polls `done` every 50 ms until it holds or `timeout` passes.
inline bool Eventually(const std::function<bool()>& done,
                       std::chrono::steady_clock::duration timeout = std::chrono::seconds(30)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Sleep(50);
    }
    return true;
}

// Clicks a button of another process's window as a user's click does: the
// window comes to the front first (a button of an inactive window takes no
// click, Wine's as Windows').
inline void ClickButton(HWND window, int id) {
    SetForegroundWindow(window);
    SendMessageW(GetDlgItem(window, id), BM_CLICK, 0, 0);
}

// Does `act` every 1.5 s until `done` holds: the driver drops a command that
// comes within its quiet period after another one, as it should, so a test
// presses again until the effect shows.
inline bool RepeatUntil(const std::function<void()>& act, const std::function<bool()>& done) {
    auto acted = std::chrono::steady_clock::now() - std::chrono::seconds(2);
    return Eventually([&] {
        if (done()) return true;
        if (std::chrono::steady_clock::now() - acted > std::chrono::milliseconds(1500)) {
            act();
            acted = std::chrono::steady_clock::now();
        }
        return false;
    });
}

}  // namespace vexla::wine

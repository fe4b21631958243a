#pragma once
// The pieces every Wine end-to-end scenario uses: gaugesim through the
// orchestrator (wine_end_to_end.py), the library bound as a host binds it,
// this thread pumping messages as a GUI host, the configuration file, and
// the fixture that ends the application after each scenario.

// windows.h first: the tool-help header relies on its types.
#include <windows.h>

#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "base/win32/wide_text.h"
#include "gbk_convert.h"
#include "host/driver_library.h"
#include "message_box_watcher_win32.h"

namespace vexla::wine {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// Wine on two shared cores can be slow; conditions are polled up to this.
inline constexpr auto kDeadline = 30s;

// ---- gaugesim through the orchestrator

struct LogLine {
    double seconds = -1;  // gaugesim's own time stamp
    std::string text;
};

class Simulator {
  public:
    // Empty when gaugesim runs and its COM link exists, else why not.
    std::string Start(const std::string& arguments) {
        std::string error;
        Ask("start " + arguments, error);
        return error;
    }

    std::vector<LogLine> Log() {
        std::string error;
        std::vector<LogLine> lines;
        for (const std::string& raw : Ask("log", error)) {
            LogLine line;
            line.text = raw;
            if (raw.size() > 2 && raw[0] == '[') {
                const auto close = raw.find(']');
                line.seconds = std::stod(raw.substr(1, close - 1));
                line.text = raw.substr(std::min(raw.size(), close + 2));
            }
            lines.push_back(line);
        }
        return lines;
    }

    // Processes other than gaugesim that hold its pty open.
    std::vector<std::string> Users() {
        std::string error;
        return Ask("users", error);
    }

    // The device vanishes: gaugesim dies and its COM link goes with it.
    void Kill() {
        std::string error;
        Ask("kill", error);
    }

  private:
    static std::vector<std::string> Ask(const std::string& command, std::string& error) {
        std::fflush(stdout);
        std::printf("@sim %s\n", command.c_str());
        std::fflush(stdout);
        std::vector<std::string> lines;
        std::string reply;
        while (std::getline(std::cin, reply)) {
            if (!reply.empty() && reply.back() == '\r') reply.pop_back();
            if (reply == "ok") return lines;
            if (reply.rfind("| ", 0) == 0) {
                lines.push_back(reply.substr(2));
            } else {
                error = reply;
                return lines;
            }
        }
        error = "no orchestrator on stdin: run this program through wine_end_to_end.py";
        return lines;
    }
};

inline std::vector<LogLine> Matching(const std::vector<LogLine>& log, const std::string& part) {
    std::vector<LogLine> out;
    for (const LogLine& l : log)
        if (l.text.find(part) != std::string::npos) out.push_back(l);
    return out;
}

inline std::string Dump(const std::vector<LogLine>& log) {
    std::string out;
    for (const LogLine& l : log) out += "  [" + std::to_string(l.seconds) + "] " + l.text + "\n";
    return out;
}

// ---- the library as a host binds it

// Vexla.dll beside the test program, every export bound by name.
class Library : public host::LoadedDriver {
  public:
    Library() : LoadedDriver("Vexla.dll") {}
    // Binds one export the way a host does that names it by itself.
    template <typename Function>
    Function* Bind(const char* name) {
        const Result<void*> address = LoadedDriver::Library().Find(name);
        return address ? reinterpret_cast<Function*>(*address) : nullptr;
    }
};

using vexla::Narrow;

// ---- this thread as a GUI host

inline void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// Pumps, asking `done` about every 50 ms (the host period of both programs).
inline bool PumpUntil(const std::function<bool()>& done, Clock::duration timeout = kDeadline) {
    const auto deadline = Clock::now() + timeout;
    auto next = Clock::now();
    while (true) {
        PumpMessages();
        if (Clock::now() >= next) {
            if (done()) return true;
            next = Clock::now() + 50ms;
        }
        if (Clock::now() >= deadline) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

inline void PumpFor(Clock::duration time) {
    PumpUntil([] { return false; }, time);
}

// What the host has seen of each channel so far.
struct ChannelView {
    bool updated = false;
    int32_t value = 0;
    int32_t displacement = 0;
    int32_t rate = -1;  // last rate that a waiting result carried
};

struct Readings {
    std::array<ChannelView, 32> channel;

    // One host period: the rates of the waiting result, then the result.
    void Take(const Library& vexla) {
        std::array<int32_t, 32> rates;
        vexla.GetReFlashRate32(rates.data());
        VexlaDataBlock32 block{};
        vexla.GetNewData32Ch(&block);
        for (std::size_t i = 0; i < 32; ++i) {
            if (rates[i] != -1) channel[i].rate = rates[i];
            if (block.updated[i] == -1) channel[i] = {true, block.value[i], block.displacement[i], channel[i].rate};
        }
    }
};

struct WindowSearch {
    const wchar_t* className;
    std::vector<HWND> found;
};

// A callback of its own: a lambda has no stdcall conversion on 32-bit x86.
inline BOOL CALLBACK CollectWindowOfClass(HWND window, LPARAM search) {
    auto& s = *reinterpret_cast<WindowSearch*>(search);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    if (process == GetCurrentProcessId() && std::wstring(className) == s.className) s.found.push_back(window);
    return TRUE;
}

// This process's top-level windows of a class.
inline std::vector<HWND> WindowsOfClass(const wchar_t* className) {
    WindowSearch search{className, {}};
    EnumWindows(&CollectWindowOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline std::vector<HWND> ControlWindows() {
    return WindowsOfClass(L"TForm_Call");
}

// The hidden window to which the shell reports clicks on the tray icon.
inline std::vector<HWND> TrayManagers() {
    return WindowsOfClass(L"VexlaTrayIconManager");
}

inline int ThreadsOfThisProcess() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    CloseHandle(snapshot);
    return count;
}

// Opens a COM port as any other program would; true when it could. (Wine
// grants a second open of a port that is open, so only a failure tells.)
inline bool PortOpens(const char* device) {
    HANDLE port = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (port == INVALID_HANDLE_VALUE) return false;
    CloseHandle(port);
    return true;
}

// ---- the configuration file, "C:\系统配置\Vexla配置NNN.txt", GBK

inline std::wstring ConfigPath(int segment) {
    wchar_t name[64];
    swprintf(name, 64, L"C:\\系统配置\\Vexla配置%03d.txt", segment);
    return name;
}

inline void WriteConfig(int segment, const std::string& gbk) {
    CreateDirectoryW(L"C:\\系统配置", nullptr);
    HANDLE file = CreateFileW(ConfigPath(segment).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, gbk.data(), static_cast<DWORD>(gbk.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, gbk.size());
}

inline std::string ReadConfig(int segment) {
    HANDLE file = CreateFileW(ConfigPath(segment).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string bytes(1 << 16, '\0');
    DWORD read = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

// A hand-written file: the window hidden after start-up, so that only a
// lost port brings it up.
inline std::string Settings(int format, int port) {
    return testing::Gbk("[硬件类型]\r\n数据格式=" + std::to_string(format) + "\r\n[通讯设置]\r\n串口编号=" +
                        std::to_string(port) + "\r\n波特率=19200\r\n[用户参数]\r\n显示DLL小窗口=0\r\n");
}

// ---- the fixture

class WineEndToEnd : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(vexla.Loaded()) << vexla.Binding().Failure().Text();
        ASSERT_TRUE(vexla.GetNewData32Ch && vexla.DLL_End_Application && vexla.SetDataZeroCh);
    }

    void TearDown() override {
        if (!ended && vexla.DLL_End_Application) vexla.DLL_End_Application();
        EXPECT_EQ(watcher.Seen().size(), expectedMessageBoxes) << "message boxes the test did not expect";
    }

    // The configuration file of `segment`, chosen before the first call.
    void UseSegment(int segment, const std::string& file) {
        WriteConfig(segment, file);
        ASSERT_EQ(vexla.SetNetSegment(static_cast<uint32_t>(segment)), -1);
    }

    void StartSimulator(const std::string& arguments) {
        const std::string error = simulator.Start(arguments);
        ASSERT_EQ(error, "") << "gaugesim " << arguments;
    }

    // The host's first data call connects by itself; it has no result yet.
    void FirstDataCall() {
        VexlaDataBlock32 block{};
        vexla.GetNewData32Ch(&block);
        for (int16_t flag : block.updated) ASSERT_EQ(flag, 0);
        const auto seen = watcher.Seen();
        ASSERT_TRUE(seen.empty()) << "the port did not open: " << Narrow(seen[0].text);
    }

    bool PumpUntilLogged(const std::string& part) {
        return PumpUntil([&] { return !Matching(simulator.Log(), part).empty(); });
    }

    bool PumpUntilEveryChannelReads(std::initializer_list<int> numbers) {
        return PumpUntil([&] {
            readings.Take(vexla);
            return std::all_of(numbers.begin(), numbers.end(), [&](int n) { return readings.channel[n - 1].updated; });
        });
    }

    Library vexla;
    testing::MessageBoxWatcher watcher;
    Simulator simulator;
    Readings readings;
    std::size_t expectedMessageBoxes = 0;
    bool ended = false;
};

}  // namespace vexla::wine

#include "ui/win32/text_grid_remote.h"

#include "ui/win32/text_grid.h"

namespace vexla::ui {
namespace {

// More than any cell holds; a larger answer is not a length.
constexpr LRESULT kMaxTextLength = 1 << 24;

class ProcessHandle {
  public:
    explicit ProcessHandle(HANDLE handle) : handle_(handle) {}
    ProcessHandle(const ProcessHandle&) = delete;
    ProcessHandle& operator=(const ProcessHandle&) = delete;
    ~ProcessHandle() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    HANDLE Get() const { return handle_; }

  private:
    HANDLE handle_;
};

class RemoteMemory {
  public:
    RemoteMemory(HANDLE process, SIZE_T size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory() {
        if (address_ != nullptr) VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
    }
    char* Get() const { return static_cast<char*>(address_); }

  private:
    HANDLE process_;
    void* address_;
};

bool SameBitness(HANDLE other) {
    BOOL mine = FALSE;
    BOOL theirs = FALSE;
    return IsWow64Process(GetCurrentProcess(), &mine) && IsWow64Process(other, &theirs) && mine == theirs;
}

bool Ask(HWND grid, UINT message, WPARAM wParam, LPARAM lParam, UINT timeoutMs, LRESULT* answer) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(grid, message, wParam, lParam, SMTO_ABORTIFHUNG, timeoutMs, &result)) return false;
    *answer = static_cast<LRESULT>(result);
    return true;
}

}  // namespace

std::optional<std::wstring> ReadGridCellText(HWND grid, int col, int row, UINT timeoutMs) {
    WPARAM cell = 0;
    DWORD pid = 0;
    if (!PackCell(col, row, &cell) || !IsWindow(grid) || GetWindowThreadProcessId(grid, &pid) == 0) return {};
    LRESULT length = 0;
    if (!Ask(grid, TGM_GETCELLTEXTLENGTH, cell, 0, timeoutMs, &length) || length < 0 || length > kMaxTextLength)
        return {};
    if (length == 0) return std::wstring();

    const ProcessHandle process(OpenProcess(
        PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (process.Get() == nullptr || !SameBitness(process.Get())) return {};
    const auto chars = static_cast<std::size_t>(length) + 1;
    const RemoteMemory remote(process.Get(), sizeof(TGCELLTEXT) + chars * sizeof(wchar_t));
    if (remote.Get() == nullptr) return {};
    char* const remoteText = remote.Get() + sizeof(TGCELLTEXT);
    const TGCELLTEXT request{col, row, static_cast<int>(chars), reinterpret_cast<LPWSTR>(remoteText)};
    if (!WriteProcessMemory(process.Get(), remote.Get(), &request, sizeof request, nullptr)) return {};

    LRESULT copied = 0;
    if (!Ask(grid, TGM_GETCELLTEXT, 0, reinterpret_cast<LPARAM>(remote.Get()), timeoutMs, &copied) || copied < 0 ||
        copied > length)
        return {};
    std::wstring text(static_cast<std::size_t>(copied), L'\0');
    if (copied > 0 &&
        !ReadProcessMemory(process.Get(), remoteText, text.data(), text.size() * sizeof(wchar_t), nullptr))
        return {};
    return text;
}

}  // namespace vexla::ui

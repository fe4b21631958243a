#include "message_box_watcher_win32.h"

#include <algorithm>

namespace vexla::testing {
namespace {

constexpr int kMessageBoxTextId = 0xFFFF;  // the static control that holds a message box's text

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM list) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (process == GetCurrentProcessId() && std::wstring(className) == L"#32770" && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

}  // namespace

MessageBoxWatcher::MessageBoxWatcher() : thread_([this] { Run(); }) {}

MessageBoxWatcher::~MessageBoxWatcher() {
    stop_ = true;
    thread_.join();
}

std::vector<SeenMessageBox> MessageBoxWatcher::Seen() const {
    std::lock_guard lock(mutex_);
    return seen_;
}

void MessageBoxWatcher::Run() {
    while (!stop_) {
        std::vector<HWND> boxes;
        EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&boxes));
        std::erase_if(answered_, [](HWND w) { return !IsWindow(w); });
        for (HWND box : boxes)
            if (std::find(answered_.begin(), answered_.end(), box) == answered_.end()) Answer(box);
        Sleep(20);
    }
}

void MessageBoxWatcher::Answer(HWND box) {
    SeenMessageBox seen{WindowText(box), L""};
    if (HWND text = GetDlgItem(box, kMessageBoxTextId)) seen.text = WindowText(text);
    {
        std::lock_guard lock(mutex_);
        seen_.push_back(std::move(seen));
    }
    answered_.push_back(box);
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

}  // namespace vexla::testing

#pragma once
// A program's message loop for one main window with controls: Tab, the
// arrows within radio groups and the buttons' keys work as in a dialog.

#include <windows.h>

namespace vexla::ui {

// Returns the exit code that PostQuitMessage gave. `window` is asked at each
// message, since the window may be gone before the loop ends. `filter` sees
// every message first and takes it (true) before the dialog keys do: keys
// that act on the whole window wherever the focus is.
template <typename WindowOf, typename Filter>
int RunMessageLoop(const WindowOf& window, const Filter& filter) {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (filter(message)) continue;
        const HWND dialog = window();
        if (dialog != nullptr && IsDialogMessageW(dialog, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

template <typename WindowOf>
int RunMessageLoop(const WindowOf& window) {
    return RunMessageLoop(window, [](const MSG&) { return false; });
}

}  // namespace vexla::ui

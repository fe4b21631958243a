#pragma once
// A window bound to its C++ object: the object sits in GWLP_USERDATA and
// the window's procedure hands every message to its Handle(message, wParam,
// lParam). Messages before the binding (the creation) and after the
// unbinding go to DefWindowProc. Register the class with DefWindowProcW.

#include <windows.h>

#include "ui/win32/module.h"

namespace vexla::ui {

template <class Object>
LRESULT CALLBACK ObjectWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = reinterpret_cast<Object*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (object == nullptr) return DefWindowProcW(hwnd, message, wParam, lParam);
    return object->Handle(message, wParam, lParam);
}

template <class Object>
void BindWindowObject(HWND hwnd, Object* object) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
    SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ObjectWindowProc<Object>));
}

inline void UnbindWindowObject(HWND hwnd) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
}

// Registers a class of this module for such windows, once: DefWindowProcW
// until BindWindowObject, the arrow cursor, the dialog colour behind.
inline void RegisterObjectWindowClass(const wchar_t* name, HICON icon = nullptr,
                                      HBRUSH background = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(CurrentModule(), name, &wc)) return;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = CurrentModule();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    wc.hIcon = icon;
    RegisterClassExW(&wc);
}

}  // namespace vexla::ui

#include "ui/win32/painted_view.h"

#include <utility>

#include "ui/win32/module.h"

namespace vexla::ui {
PaintedView::~PaintedView() {
    if (hwnd_ == nullptr) return;
    UnbindWindowObject(hwnd_);
    DestroyWindow(hwnd_);
}

HWND PaintedView::Create(HWND parent, int id, Painter painter, DWORD style) {
    RegisterObjectWindowClass(WC_PAINTEDVIEWW, nullptr, nullptr);  // the paint covers it all
    painter_ = std::move(painter);
    hwnd_ = CreateWindowExW(0, WC_PAINTEDVIEWW, L"", style | WS_CHILD, 0, 0, 0, 0, parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), CurrentModule(), nullptr);
    if (hwnd_ != nullptr) BindWindowObject(hwnd_, this);
    return hwnd_;
}

void PaintedView::Invalidate() const {
    if (hwnd_ != nullptr) InvalidateRect(hwnd_, nullptr, FALSE);
}

void PaintedView::Invalidate(const RECT& part) const {
    if (hwnd_ != nullptr) InvalidateRect(hwnd_, &part, FALSE);
}

void PaintedView::Paint() {
    const PaintDc paint(hwnd_);
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    const MemoryDc memory(paint.Get());
    RECT dirty = paint.PaintRect();
    if (!buffer_ || bufferSize_.cx != client.right || bufferSize_.cy != client.bottom) {
        buffer_.Reset(CreateCompatibleBitmap(paint.Get(), client.right, client.bottom));
        bufferSize_ = {client.right, client.bottom};
        dirty = client;  // a new bitmap holds nothing of the last picture
    }
    if (!memory || !buffer_) {
        if (painter_) painter_(paint.Get(), client, dirty);  // drawn straight, flicker and all
        return;
    }
    const SelectedObject bitmap(memory.Get(), buffer_.Get());
    if (painter_) painter_(memory.Get(), client, dirty);
    BitBlt(paint.Get(), dirty.left, dirty.top, dirty.right - dirty.left, dirty.bottom - dirty.top, memory.Get(),
           dirty.left, dirty.top, SRCCOPY);
}

LRESULT PaintedView::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            Paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers every pixel
        case WM_LBUTTONDOWN: {
            lastClick_ = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            const HWND parent = GetParent(hwnd_);
            const int id = GetDlgCtrlID(hwnd_);
            SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(hwnd_));
            return 0;
        }
        case PVM_GETSTATE:
            return state_;
        case WM_DESTROY:
            UnbindWindowObject(hwnd_);
            hwnd_ = nullptr;
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace vexla::ui

#pragma once
// A child window that some code of its owner paints: double-buffered (the
// picture is drawn into a bitmap and copied at once, so a repaint 20 times a
// second never flickers), only the part that was invalidated, and a click
// reported to the parent as WM_COMMAND (BN_CLICKED) from the view's id. What it shows can be read from another
// process: its window text says it in words (set it beside the picture),
// and PVM_GETSTATE answers a number the owner chose (a colour, a verdict).

#include <windows.h>

#include <functional>

#include "ui/win32/gdi.h"
#include "ui/win32/object_window.h"

#define WC_PAINTEDVIEWW L"VexlaPaintedView"
#define PVM_GETSTATE (WM_APP + 0x2E0)

namespace vexla::ui {

class PaintedView {
  public:
    // `dirty`: what must be drawn; drawing more is harmless, only slower.
    using Painter = std::function<void(HDC dc, const RECT& client, const RECT& dirty)>;

    PaintedView() = default;
    ~PaintedView();  // takes its window with it
    PaintedView(const PaintedView&) = delete;
    PaintedView& operator=(const PaintedView&) = delete;

    // Null when the window could not be made.
    HWND Create(HWND parent, int id, Painter painter, DWORD style = WS_VISIBLE);
    HWND Handle() const { return hwnd_; }

    // What PVM_GETSTATE answers.
    void SetState(int state) { state_ = state; }
    int State() const { return state_; }
    // Marks the whole view, or a part of it, for the next paint.
    void Invalidate() const;
    void Invalidate(const RECT& part) const;
    // Where the last click was, in the view's client coordinates.
    POINT LastClick() const { return lastClick_; }

  private:
    friend LRESULT CALLBACK ObjectWindowProc<PaintedView>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();

    HWND hwnd_ = nullptr;
    Painter painter_;
    int state_ = 0;
    POINT lastClick_{};
    GdiBitmap buffer_;  // kept between paints; made again when the size changes
    SIZE bufferSize_{};
};

}  // namespace vexla::ui

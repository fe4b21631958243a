#include "mainform_win32.h"

// windows.h first: commctrl.h relies on its types.
#include <windows.h>

#include <commctrl.h>

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "base/win32/wide_text.h"
#include "pellin_ids.h"
#include "tester/model/tester_texts.h"
#include "ui/win32/control_state.h"
#include "ui/win32/dpi.h"
#include "ui/win32/fonts.h"
#include "ui/win32/module.h"

namespace vexla::tester {
namespace {

constexpr UINT_PTR kTimer1 = 1;
// 10.5 points for the window, 12 for the two channel boxes, in tenths.
constexpr int kFontTenthPoints = 105;
constexpr int kChannelFontTenthPoints = 120;

constexpr int kBoxWidth = 129;
constexpr int kBoxHeight = 25;
constexpr int kBlockColumns[2][3] = {{48, 176, 304}, {472, 600, 728}};
constexpr int kBottomRow = 488;

// Row k of a block: rows of 24 pixels, a gap of 16 after every fourth.
constexpr int RowTop(int k) {
    return 40 + 24 * k + 16 * (k / 4);
}

// The value boxes only show: no typing, and Tab passes them by. Their texts
// are right-aligned by blanks; ES_RIGHT keeps them so in any face.
constexpr DWORD kValueBox = WS_VISIBLE | WS_BORDER | ES_READONLY | ES_RIGHT | ES_AUTOHSCROLL;
constexpr DWORD kLabel = WS_VISIBLE | SS_RIGHT | SS_NOPREFIX;
constexpr DWORD kHeading = WS_VISIBLE | SS_CENTER | SS_NOPREFIX;
constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;
constexpr DWORD kChannelBox = WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_BORDER | ES_CENTER | ES_AUTOHSCROLL;

struct LayoutTable {
    const wchar_t* Text(std::string_view utf8) { return texts.emplace_back(Widen(utf8)).c_str(); }
    std::deque<std::wstring> texts;  // a deque does not move what it holds
    std::vector<ui::ControlRow> rows;
};

// The design layout at 96 dpi, in tab order.
LayoutTable Layout() {
    namespace t = texts;
    LayoutTable l;
    for (int block = 0; block < 2; ++block) {
        for (int column = 0; column < 3; ++column)
            l.rows.push_back({ids::kHeadings + 3 * block + column, WC_STATICW, l.Text(t::kHeadings[column]), kHeading,
                              0, kBlockColumns[block][column], 8, kBoxWidth, 24});
        for (int k = 0; k < 16; ++k) {
            const int channel = 16 * block + k;
            l.rows.push_back({ids::kChannelLabels + channel, WC_STATICW, l.Text(std::to_string(channel + 1) + "#"),
                              kLabel, 0, kBlockColumns[block][0] - 38, RowTop(k) + 4, 35, 20});
            for (int column = 0; column < 3; ++column)
                l.rows.push_back({ids::kText1 + 3 * channel + column, WC_EDITW, l.Text(t::kNoValueYet), kValueBox, 0,
                                  kBlockColumns[block][column], RowTop(k), kBoxWidth, kBoxHeight});
        }
    }
    const auto add = [&](int id, const wchar_t* cls, std::string_view text, DWORD style, int x, int width) {
        l.rows.push_back({id, cls, l.Text(text), style, 0, x, kBottomRow, width, 28});
    };
    add(ids::kOption1, WC_BUTTONW, t::kThousandth, WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON, 48, 76);
    add(ids::kOption2, WC_BUTTONW, t::kPercent, WS_VISIBLE | BS_AUTORADIOBUTTON, 128, 76);
    add(ids::kCommand1, WC_BUTTONW, t::kZeroAllDisplacements, kButton, 216, 124);
    add(ids::kCommand2, WC_BUTTONW, t::kZeroAllGauges, kButton, 348, 124);
    // Each channel box stands right against its button: "15 #通道位移重置".
    add(ids::kTextChA, WC_EDITW, t::kDefaultChannel, kChannelBox, 488, 36);
    add(ids::kCommand3, WC_BUTTONW, t::kZeroChannelDisplacement, kButton, 524, 132);
    add(ids::kTextChB, WC_EDITW, t::kDefaultChannel, kChannelBox, 664, 36);
    add(ids::kCommand4, WC_BUTTONW, t::kZeroChannelGauge, kButton, 700, 132);
    return l;
}

std::wstring Caption() {
    std::string caption(texts::kCaptionStart);
    caption += std::string(10, ' ');
    caption += texts::kMaker;
    return Widen(caption);
}

std::string BoxText(HWND box) {
    const int length = GetWindowTextLengthW(box);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(box, text.data(), length + 1)));
    return Narrow(text);
}

}  // namespace

Mainform::Mainform(host::DriverCalls& driver) : model_(driver) {
    ui::RegisterObjectWindowClass(kClassName, LoadIconW(ui::CurrentModule(), MAKEINTRESOURCEW(1)));
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Caption().c_str(), kStyle, CW_USEDEFAULT, CW_USEDEFAULT,
                            kClientWidth, kClientHeight, nullptr, nullptr, ui::CurrentModule(), nullptr);
    if (hwnd_ == nullptr) return;
    ui::BindWindowObject(hwnd_, this);
    CreateControls();
    FormLoad();
}

Mainform::~Mainform() {
    if (hwnd_ != nullptr) {
        KillTimer(hwnd_, kTimer1);
        ui::UnbindWindowObject(hwnd_);
        DestroyWindow(hwnd_);
    }
}

void Mainform::CreateControls() {
    const UINT dpi = ui::WindowDpi(hwnd_);
    const int dpiValue = static_cast<int>(dpi);
    font_ = ui::CreateSongFont(MulDiv(kFontTenthPoints, dpiValue, 720)).font;
    channelFont_ = ui::CreateSongFont(MulDiv(kChannelFontTenthPoints, dpiValue, 720)).font;
    const LayoutTable layout = Layout();
    controls_ = ui::CreateChildControls(hwnd_, layout.rows, font_.Get(), dpi);
    for (int id : {ids::kTextChA, ids::kTextChB})
        SendMessageW(controls_[id], WM_SETFONT, reinterpret_cast<WPARAM>(channelFont_.Get()), FALSE);
    ui::Check(controls_[ids::kOption2], true);  // 百分表 at start

    // The client area at its design size, scaled.
    RECT frame{0, 0, ui::ScaleForDpi(kClientWidth, dpi), ui::ScaleForDpi(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Mainform::FormLoad() {
    model_.Load();
    SetTimer(hwnd_, kTimer1, TesterModel::kTimerIntervalMs, nullptr);
}

void Mainform::Timer1Timer() {
    model_.SetThousandth(ui::Checked(controls_[ids::kOption1]));
    for (int box : model_.Timer1Timer()) ui::SetText(controls_[ids::kText1 + box], model_.Box(box));
}

void Mainform::Command(int id) {
    switch (id) {
        case ids::kCommand1:
            model_.Command1();
            break;
        case ids::kCommand2:
            model_.Command2();
            break;
        case ids::kCommand3:
            model_.Command3(BoxText(controls_[ids::kTextChA]));
            break;
        case ids::kCommand4:
            model_.Command4(BoxText(controls_[ids::kTextChB]));
            break;
        default:
            break;
    }
}

void Mainform::FormUnload() {
    if (unloaded_) return;
    unloaded_ = true;
    KillTimer(hwnd_, kTimer1);
    model_.Unload();
}

LRESULT Mainform::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimer1 && !unloaded_) Timer1Timer();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC: {
            // The value boxes are read-only, but white as boxes to be read.
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            if (id < ids::kText1 || id >= ids::kText1 + kBoxes) break;
            const auto dc = reinterpret_cast<HDC>(wParam);
            SetBkColor(dc, GetSysColor(COLOR_WINDOW));
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
        }
        case WM_CLOSE:
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            FormUnload();
            ui::UnbindWindowObject(hwnd_);
            hwnd_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

}  // namespace vexla::tester

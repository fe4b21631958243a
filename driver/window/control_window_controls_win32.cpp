// The control window's controls: the logo, the notebook and its four pages,
// laid out at 96 dpi and scaled to the window's. The range lines of the
// value page are measured with the font, so that the number field and the
// radio pair stand exactly in the gaps of the line's words.

// windows.h first: commctrl.h relies on its types.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "base/win32/wide_text.h"
#include "control_ids.h"
#include "control_window_win32.h"
#include "panel/driver_texts.h"
#include "panel/panel_presenter.h"
#include "ui/win32/child_controls.h"
#include "ui/win32/dpi.h"
#include "ui/win32/gdi.h"
#include "ui/win32/module.h"
#include "ui/win32/text_grid.h"

namespace vexla {
namespace {

namespace id = control_ids;

constexpr wchar_t kPageClass[] = L"VexlaTabSheet";
constexpr int kClientWidth = 261;  // the notebook's and the logo's design size
constexpr int kClientHeight = 145;

constexpr const wchar_t* kPageCaptions[4] = {L"数据列表", L"状态监视", L"格式配置", L"数值处理"};

// A page passes its controls' notifications up to the window, which handles
// them all in one place.
LRESULT CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORBTN:
            return SendMessageW(GetParent(page), message, wParam, lParam);
        default:
            return DefWindowProcW(page, message, wParam, lParam);
    }
}

void RegisterPageClass() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExW(ui::CurrentModule(), kPageClass, &wc)) return;
    wc.lpfnWndProc = &PageProc;
    wc.hInstance = ui::CurrentModule();
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPageClass;
    RegisterClassExW(&wc);
}

void FillList(HWND combo, const auto& items) {
    for (const auto& item : items) SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
}

// A number field that takes no typing, with spin buttons (which also take
// the up and down arrow keys in the field).
HWND AttachSpinButtons(HWND field, int low, int high, int value) {
    const HWND spin = CreateWindowExW(
        0, UPDOWN_CLASSW, nullptr,
        WS_CHILD | WS_VISIBLE | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0,
        GetParent(field), reinterpret_cast<HMENU>(static_cast<INT_PTR>(GetDlgCtrlID(field) + id::kSpinButtonsOffset)),
        ui::CurrentModule(), nullptr);
    SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(field), 0);
    SendMessageW(spin, UDM_SETRANGE32, static_cast<WPARAM>(low), high);
    SendMessageW(spin, UDM_SETPOS32, 0, value);
    return spin;
}

constexpr DWORD kNumberField = WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_READONLY | ES_NUMBER | ES_RIGHT;
constexpr DWORD kDropDown = WS_VISIBLE | CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP;
constexpr DWORD kFlatButton = WS_VISIBLE | BS_PUSHBUTTON | BS_FLAT | WS_TABSTOP;
constexpr DWORD kGrid = WS_VISIBLE | WS_BORDER | WS_TABSTOP;
constexpr DWORD kLabel = WS_VISIBLE | SS_NOPREFIX;

// Placed by LayOutDataList once their fonts have given them their heights.
const ui::ControlRow kDataList[] = {
    {id::kBfbStatusGrid, WC_TEXTGRIDW, nullptr, kGrid | WS_VSCROLL, 0, 1, 1, 251, 94},
    {id::kComboBoxCmd, WC_COMBOBOXW, nullptr, kDropDown, 0, 1, 97, 133, 160},
    {id::kSpBtnSendCmd, WC_BUTTONW, L"执行指令", kFlatButton, 0, 137, 97, 57, 21},
    {id::kSpBtnZero, WC_BUTTONW, L"逻辑归零", kFlatButton | WS_DISABLED, 0, 196, 97, 57, 21},
};

// Room for two lines of the speed label: a two-digit port at 115200 baud
// does not fit one at 16 px.
const ui::ControlRow kStatus[] = {
    {id::kLabelSpeed, WC_STATICW, nullptr, kLabel | SS_LEFT, 0, 4, 4, 247, 42},
    {id::kLabel_MaxBytes, WC_STATICW, nullptr, SS_LEFT, 0, 4, 30, 120, 14},
    {id::kStringGridStatus, WC_TEXTGRIDW, nullptr, kGrid, 0, 4, 50, 248, 48},
};

const ui::ControlRow kSetup[] = {
    {id::kLabel1, WC_STATICW, L"数据格式：", kLabel | SS_RIGHT, 0, 4, 14, 72, 16},
    {id::kCBoxDataFormat, WC_COMBOBOXW, nullptr, kDropDown, 0, 80, 10, 168, 150},
    {id::kLabel3, WC_STATICW, L"选择串口:", kLabel | SS_RIGHT, 0, 4, 48, 72, 16},
    {id::kCBoxComm, WC_COMBOBOXW, nullptr, kDropDown, 0, 80, 44, 168, 200},
    {id::kLabel4, WC_STATICW, L"连接速度:", kLabel | SS_RIGHT, 0, 4, 82, 72, 16},
    {id::kCBoxLinkSpeed, WC_COMBOBOXW, nullptr, kDropDown, 0, 80, 78, 168, 150},
};

const ui::ControlRow kValueFrames[] = {
    {id::kPanel1, WC_STATICW, nullptr, WS_VISIBLE | SS_ETCHEDFRAME, 0, 2, 2, 251, 38},
    {id::kPanel2, WC_STATICW, nullptr, WS_VISIBLE | SS_ETCHEDFRAME, 0, 2, 43, 251, 38},
};

const ui::ControlRow kValueBottom[] = {
    {id::kLabel5, WC_STATICW, L"数字滤波：", kLabel | SS_LEFT | WS_GROUP, 0, 6, 92, 62, 16},
    {id::kSpinEditFillter, WC_EDITW, L"1", kNumberField, 0, 68, 88, 40, 21},
    {id::kCBoxFloat3, WC_BUTTONW, L"小窗口显示3位小数", WS_VISIBLE | BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, 0, 116,
     90, 137, 18},
};

}  // namespace

void TForm_Call::CreateControls() {
    dpi_ = ui::WindowDpi(hwnd_);
    const auto scale = [this](int v) { return ui::ScaleForDpi(v, dpi_); };
    font_ = ui::CreateSongFont(scale(12));
    logoFont_ = ui::CreateKaiFont(scale(32), true);
    speedFont_ = ui::CreateSongFont(scale(16));
    statusFont_ = ui::CreateSongFont(scale(14));
    if (icon_ != nullptr) SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    // The window sizes itself to its visible content: the logo or the notebook.
    RECT frame{0, 0, scale(kClientWidth), scale(kClientHeight)};
    AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU, FALSE, 0);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    const ui::ControlRow top[] = {
        {id::kPageControl1, WC_TABCONTROLW, nullptr, WS_CLIPSIBLINGS | WS_TABSTOP, 0, 0, 0, kClientWidth,
         kClientHeight},
        {id::kPanelLogo, WC_STATICW, nullptr, WS_BORDER | WS_CLIPSIBLINGS | WS_VISIBLE, 0, 0, 0, kClientWidth,
         kClientHeight},
        {id::kLabel2, WC_STATICW, nullptr, SS_CENTER | SS_NOPREFIX | WS_VISIBLE, 0, 2, 30, kClientWidth - 4, 90},
        {id::kImageIcon, WC_STATICW, nullptr, SS_ICON, 0, 0, 0, 16, 16},  // hidden: the tray icon's picture
    };
    const ui::ChildControls controls = ui::CreateChildControls(hwnd_, top, font_.font.Get(), dpi_);
    tab_ = controls[id::kPageControl1];
    logo_ = controls[id::kPanelLogo];
    if (const HWND image = controls[id::kImageIcon])
        SendMessageW(image, STM_SETICON, reinterpret_cast<WPARAM>(icon_), 0);

    // The maker's web address, broken after its first dot when one line is too wide.
    const HWND label = controls[id::kLabel2];
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(logoFont_.font.Get()), FALSE);
    std::wstring address = Widen(texts::kWebAddress);
    {
        ui::WindowDc dc(label);
        ui::SelectedObject chosen(dc.Get(), logoFont_.font.Get());
        SIZE size{};
        GetTextExtentPoint32W(dc.Get(), address.c_str(), static_cast<int>(address.size()), &size);
        const auto dot = address.find(L'.');
        if (size.cx > scale(kClientWidth - 8) && dot != std::wstring::npos) address.insert(dot + 1, L"\r\n");
    }
    SetWindowTextW(label, address.c_str());
    SetWindowPos(label, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

    for (int p = 0; p < 4; ++p) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<wchar_t*>(kPageCaptions[p]);
        SendMessageW(tab_, TCM_INSERTITEMW, static_cast<WPARAM>(p), reinterpret_cast<LPARAM>(&item));
    }
    CreatePages();
}

void TForm_Call::CreatePages() {
    RegisterPageClass();
    RECT area{};
    GetClientRect(tab_, &area);
    TabCtrl_AdjustRect(tab_, FALSE, &area);
    for (int p = 0; p < 4; ++p) {
        pages_[static_cast<std::size_t>(p)] =
            CreateWindowExW(WS_EX_CONTROLPARENT, kPageClass, kPageCaptions[p], WS_CHILD | WS_CLIPSIBLINGS, area.left,
                            area.top, area.right - area.left, area.bottom - area.top, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id::kPage[p])), ui::CurrentModule(), nullptr);
        SetWindowPos(Page(p), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    const HFONT font = font_.font.Get();

    // Data list.
    const ui::ChildControls data = ui::CreateChildControls(Page(0), kDataList, font, dpi_);
    const ui::TextGrid channels(data[id::kBfbStatusGrid]);
    channels.SetColCount(3);
    channels.SetRowCount(33);
    channels.SetFixedRows(1);
    channels.SetColAlign(1, ui::TextAlign::Right);
    channels.SetColAlign(2, ui::TextAlign::Right);
    for (int c = 0; c < 3; ++c) channels.SetCellAlign(c, 0, ui::TextAlign::Left);  // the headings
    FillList(data[id::kComboBoxCmd], texts::kCommandItems);
    SetWindowTextW(data[id::kComboBoxCmd], L"硬件控制指令");
    LayOutDataList(data);

    // Status monitor.
    const ui::ChildControls status = ui::CreateChildControls(Page(1), kStatus, font, dpi_);
    SendMessageW(status[id::kLabelSpeed], WM_SETFONT, reinterpret_cast<WPARAM>(speedFont_.font.Get()), FALSE);
    ShowWindow(status[id::kLabel_MaxBytes], SW_HIDE);
    const ui::TextGrid counters(status[id::kStringGridStatus]);
    counters.SetFont(statusFont_.font.Get(), false);
    counters.SetColCount(4);
    counters.SetRowCount(2);
    counters.SetFixedRows(0);
    for (int c = 0; c < 4; ++c) counters.SetColAlign(c, ui::TextAlign::Center);

    // Format setup.
    const ui::ChildControls setup = ui::CreateChildControls(Page(2), kSetup, font, dpi_);
    FillList(setup[id::kCBoxDataFormat], texts::kFormatItems);
    SetWindowTextW(setup[id::kCBoxDataFormat], L"数据格式选择");
    for (int n = 1; n <= 8; ++n) {
        const std::wstring port = L"Com" + std::to_wstring(n);
        SendMessageW(setup[id::kCBoxComm], CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(port.c_str()));
    }
    SetWindowTextW(setup[id::kCBoxComm], L"通讯串口选择");
    FillList(setup[id::kCBoxLinkSpeed], texts::kSpeedItems);
    SetWindowTextW(setup[id::kCBoxLinkSpeed], L"连接速度");

    // Value processing: the two range lines inside their frames, then the filter and the decimals.
    ui::CreateChildControls(Page(3), kValueFrames, font, dpi_);
    CreateRangeLine(Page(3), 0, 2);
    CreateRangeLine(Page(3), 1, 43);
    const ui::ChildControls bottom = ui::CreateChildControls(Page(3), kValueBottom, font, dpi_);
    AttachSpinButtons(bottom[id::kSpinEditFillter], 1, 40, 1);

    // The grids' sizes follow their client areas as made, in 96-dpi units.
    RECT channelArea{}, statusArea{};
    GetClientRect(data[id::kBfbStatusGrid], &channelArea);
    GetClientRect(status[id::kStringGridStatus], &statusArea);
    const auto at96 = [this](LONG v) { return MulDiv(static_cast<int>(v), 96, static_cast<int>(dpi_)); };
    panel_.GridsMeasured(
        {at96(channelArea.right), at96(channelArea.bottom), at96(statusArea.right), at96(statusArea.bottom)});
}

// The command row along the page's bottom edge, as tall as the list is in its
// font; the buttons as wide as their captions need, the list the rest; the
// grid fills what is above.
void TForm_Call::LayOutDataList(const ui::ChildControls& data) {
    const HWND page = Page(0);
    const auto scale = [this](int v) { return ui::ScaleForDpi(v, dpi_); };
    RECT area{};
    GetClientRect(page, &area);
    RECT list{};
    GetWindowRect(data[id::kComboBoxCmd], &list);
    const int rowHeight = list.bottom - list.top;
    const int gap = scale(1);
    const int rowTop = area.bottom - gap - rowHeight;

    int buttonWidth = 0;
    {
        ui::WindowDc dc(page);
        ui::SelectedObject chosen(dc.Get(), font_.font.Get());
        for (const wchar_t* caption : {L"执行指令", L"逻辑归零"}) {
            SIZE size{};
            GetTextExtentPoint32W(dc.Get(), caption, static_cast<int>(wcslen(caption)), &size);
            buttonWidth = std::max(buttonWidth, static_cast<int>(size.cx) + scale(6));
        }
    }
    const int listWidth = area.right - 4 * gap - 2 * buttonWidth;
    const UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(data[id::kBfbStatusGrid], nullptr, gap, gap, area.right - 2 * gap, rowTop - 2 * gap, flags);
    SetWindowPos(data[id::kComboBoxCmd], nullptr, gap, rowTop, listWidth, scale(160), flags);
    SetWindowPos(data[id::kSpBtnSendCmd], nullptr, 2 * gap + listWidth, rowTop, buttonWidth, rowHeight, flags);
    SetWindowPos(data[id::kSpBtnZero], nullptr, 3 * gap + listWidth + buttonWidth, rowTop, buttonWidth, rowHeight,
                 flags);
}

// One range line: "[x] [N] 号及 (o)以前 通道位移和显示取反", with "( )以后" under
// "以前". The check box keeps the whole gapped caption (what it reads as)
// but shows only its box; the words are drawn beside the number field and
// the radio pair, so that the line reads as one sentence whatever the font.
void TForm_Call::CreateRangeLine(HWND page, int line, int top) {
    const int offset = line * 10;
    const auto scale = [this](int v) { return ui::ScaleForDpi(v, dpi_); };
    const std::wstring caption = line == 0 ? L"     号及       通道位移和显示取反" : L"     号及       通道数值×10";
    const std::wstring words = L"号及";
    const std::wstring tail = caption.substr(caption.find_last_of(L' ') + 1);

    ui::WindowDc dc(page);
    ui::SelectedObject chosen(dc.Get(), font_.font.Get());
    auto width = [&](const std::wstring& text) {
        SIZE size{};
        GetTextExtentPoint32W(dc.Get(), text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    const int box = GetSystemMetrics(SM_CXMENUCHECK) + scale(2);
    const int row = scale(top + 10);
    const int textHeight = scale(16);
    const HINSTANCE module = ui::CurrentModule();
    auto make = [&](int controlId, const wchar_t* cls, const std::wstring& text, DWORD style, int x, int y, int w,
                    int h) {
        const HWND control = CreateWindowExW(0, cls, text.c_str(), WS_CHILD | WS_VISIBLE | style, x, y, w, h, page,
                                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)), module, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.font.Get()), FALSE);
        return control;
    };

    int x = scale(6);
    make(id::kCheckBoxMoveNeg + offset, WC_BUTTONW, caption, BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP, x, row, box,
         textHeight);
    x += box + scale(2);
    const int fieldWidth = width(L"32") + scale(8) + GetSystemMetrics(SM_CXVSCROLL);
    const HWND field = make(id::kSpinEditChN1 + offset, WC_EDITW, L"32", kNumberField | WS_GROUP, x, row - scale(3),
                            fieldWidth, scale(21));
    AttachSpinButtons(field, 1, 32, 32);
    x += fieldWidth + scale(3);
    make(id::kRangeWords1 + 2 * line, WC_STATICW, words, SS_LEFT | SS_NOTIFY, x, row + scale(2),
         width(words) + scale(2), textHeight);
    x += width(words) + scale(5);
    const int radioWidth = box + width(L"以前") + scale(4);
    make(id::kRBtnDirF0 + offset, WC_BUTTONW, L"以前", BS_AUTORADIOBUTTON | WS_TABSTOP | WS_GROUP, x, scale(top + 3),
         radioWidth, textHeight);
    make(id::kRBtnDirB0 + offset, WC_BUTTONW, L"以后", BS_AUTORADIOBUTTON, x, scale(top + 19), radioWidth, textHeight);
    x += radioWidth + scale(2);
    make(id::kRangeTail1 + 2 * line, WC_STATICW, tail, SS_LEFT | SS_NOTIFY | WS_GROUP, x, row + scale(2),
         width(tail) + scale(2), textHeight);
    SendMessageW(GetDlgItem(page, id::kRBtnDirF0 + offset), BM_SETCHECK, BST_CHECKED, 0);
}

}  // namespace vexla

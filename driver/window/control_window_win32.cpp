// The control window's life, its rendering of the panel model and the
// user's actions. Its controls are made in control_window_controls_win32.cpp.

#include "control_window_win32.h"

#include <commctrl.h>

#include <string>

#include "base/win32/wide_text.h"
#include "control_ids.h"
#include "library_frame.h"
#include "panel/driver_texts.h"
#include "panel/panel_presenter.h"
#include "ui/win32/control_state.h"
#include "ui/win32/module.h"
#include "ui/win32/text_grid.h"

namespace vexla {
namespace {

namespace id = control_ids;

constexpr wchar_t kClassName[] = L"TForm_Call";
// The window whose keys the hook takes; one driver, one window per process.
HWND keyboardWindow = nullptr;
constexpr UINT_PTR kPopUpFormTimer = 1;

using ui::Check;
using ui::Checked;
using ui::Enable;
using ui::SetText;
using ui::Show;

// The list item a drop-down shows after `code`, or -1 when the user typed a
// text that is not the selected item's. (A choice from the list is reported
// before the edit shows it, so only typed text is compared.)
int SelectedItem(HWND combo, int code) {
    const auto index = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    if (index < 0 || code == CBN_SELCHANGE) return index < 0 ? -1 : index;
    const auto length = static_cast<int>(SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0));
    std::wstring item(static_cast<std::size_t>(length > 0 ? length : 0) + 1, L'\0');
    SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item.data()));
    item.resize(static_cast<std::size_t>(length > 0 ? length : 0));
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(combo)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(combo, text.data(), static_cast<int>(text.size()))));
    return text == item ? index : -1;
}

// Selects `index` unless the list shows it already; -1 leaves the user's
// text as it stands (the model keeps -1 for typed text).
void Select(HWND combo, int index) {
    if (combo == nullptr || index < 0) return;
    if (SendMessageW(combo, CB_GETCURSEL, 0, 0) != index) SendMessageW(combo, CB_SETCURSEL, index, 0);
}

SettingsList ListOf(int controlId) {
    if (controlId == id::kCBoxComm) return SettingsList::Comm;
    if (controlId == id::kCBoxLinkSpeed) return SettingsList::LinkSpeed;
    return SettingsList::DataFormat;
}

int SpinValue(HWND field) {
    const HWND spin = GetDlgItem(GetParent(field), GetDlgCtrlID(field) + id::kSpinButtonsOffset);
    return static_cast<int>(SendMessageW(spin, UDM_GETPOS32, 0, 0));
}

void SetSpinValue(HWND field, int value) {
    const HWND spin = GetDlgItem(GetParent(field), GetDlgCtrlID(field) + id::kSpinButtonsOffset);
    if (spin != nullptr && SendMessageW(spin, UDM_GETPOS32, 0, 0) != value) SendMessageW(spin, UDM_SETPOS32, 0, value);
}

}  // namespace

TForm_Call::TForm_Call(PanelPresenter& panel) : panel_(panel) {
    INITCOMMONCONTROLSEX common{sizeof common, ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common);
    ui::RegisterObjectWindowClass(kClassName, LoadIconW(ui::CurrentModule(), MAKEINTRESOURCEW(1)));
    // Only the close box: no minimise or maximise button.
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Widen(texts::kDesignCaption).c_str(),
                            WS_CAPTION | WS_SYSMENU, 0, 0, 0, 0, nullptr, nullptr, ui::CurrentModule(), nullptr);
    if (hwnd_ == nullptr) return;
    ui::BindWindowObject(hwnd_, this);
    icon_ = static_cast<HICON>(LoadImageW(ui::CurrentModule(), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    CreateControls();
    keyboardWindow = hwnd_;
    keyboardHook_ = SetWindowsHookExW(WH_GETMESSAGE, &TForm_Call::KeyboardHook, nullptr, GetCurrentThreadId());

    tray_ = std::make_unique<TTrayNotifyIcon>();
    tray_->SetHint(panel_.Model().TrayHint);
    tray_->SetIcon(icon_);  // ImageIcon's picture
    const auto show = [this] {
        RunOnDriver([this](Driver& d) {
            d.ShowCtrlForm();
            ShowPanel(panel_.Model());
        });
    };
    tray_->OnClick = show;
    tray_->OnDblClick = show;
    tray_->SetIconVisible(true);
}

TForm_Call::~TForm_Call() {
    tray_.reset();  // off the notification area first
    if (keyboardHook_ != nullptr) UnhookWindowsHookEx(keyboardHook_);
    if (keyboardWindow == hwnd_) keyboardWindow = nullptr;
    if (hwnd_ != nullptr) {
        SetTimerEnabled(false);
        ui::UnbindWindowObject(hwnd_);
        DestroyWindow(hwnd_);
    }
    if (icon_ != nullptr) DestroyIcon(icon_);
}

void TForm_Call::SetTimerEnabled(bool enabled) {
    if (hwnd_ == nullptr || enabled == timerRunning_) return;
    timerRunning_ = enabled;
    if (enabled)
        SetTimer(hwnd_, kPopUpFormTimer, kTimerIntervalMs, nullptr);
    else
        KillTimer(hwnd_, kPopUpFormTimer);
}

HWND TForm_Call::Control(int controlId) const {
    if (const HWND top = GetDlgItem(hwnd_, controlId)) return top;
    for (const HWND page : pages_)
        if (const HWND control = page != nullptr ? GetDlgItem(page, controlId) : nullptr) return control;
    return nullptr;
}

void TForm_Call::ShowPanel(const ControlPanel& panel) {
    if (hwnd_ == nullptr) return;
    rendering_ = true;
    if (!shown_ || panel.Caption != shown_->Caption) SetWindowTextW(hwnd_, Widen(panel.Caption).c_str());
    ShowPageControl(panel);
    ShowDataList(panel);
    ShowStatus(panel);
    ShowSettings(panel);
    shown_ = panel;
    rendering_ = false;

    // Only a position the driver sets moves the window; the user may drag it.
    if (panel.Left != placedLeft_ || panel.Top != placedTop_) {
        placedLeft_ = panel.Left;
        placedTop_ = panel.Top;
        SetWindowPos(hwnd_, nullptr, panel.Left, panel.Top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const bool visible = IsWindowVisible(hwnd_) != FALSE;
    if (!panel.Visible) {
        if (visible) ShowWindow(hwnd_, SW_HIDE);
        return;
    }
    const bool asked = panel.FrontRequests != frontRequests_;
    frontRequests_ = panel.FrontRequests;
    if (!visible) ShowWindow(hwnd_, SW_SHOW);
    if (!visible || asked) BringToFront();
}

void TForm_Call::BringToFront() {
    SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // Granted to the process the user works in: the host whose button, or
    // the tray icon whose click, asked for the window. Any other only gets
    // its taskbar button flashed, as Windows wants.
    SetForegroundWindow(hwnd_);
    const HWND focus = GetFocus();
    if (GetForegroundWindow() == hwnd_ && focus != hwnd_ && IsChild(hwnd_, focus) == FALSE) SetFocus(hwnd_);
}

void TForm_Call::ShowPageControl(const ControlPanel& panel) {
    Show(logo_, panel.PanelLogoVisible);
    Show(GetDlgItem(hwnd_, id::kLabel2), panel.PanelLogoVisible);
    Show(tab_, panel.PageControlVisible);
    const int page = panel.ActivePage >= 0 && panel.ActivePage < 4 ? panel.ActivePage : 0;
    if (!shown_ || shown_->ActivePage != panel.ActivePage || TabCtrl_GetCurSel(tab_) != page) {
        if (TabCtrl_GetCurSel(tab_) != page) TabCtrl_SetCurSel(tab_, page);
    }
    for (int p = 0; p < 4; ++p) Show(Page(p), panel.PageControlVisible && TabCtrl_GetCurSel(tab_) == p);
    Enable(Page(2), panel.TabSheetSetupEnabled);
    Enable(Page(3), panel.TabSheetValueEnabled);
}

void TForm_Call::ShowDataList(const ControlPanel& panel) {
    const ui::TextGrid grid(Control(id::kBfbStatusGrid));
    const bool sizes = !shown_ || shown_->ChannelColumnWidths != panel.ChannelColumnWidths ||
                       shown_->ChannelRowHeight != panel.ChannelRowHeight;
    if (sizes) {
        const UINT dpi = dpi_;
        for (int c = 0; c < 3; ++c)
            grid.SetColWidth(c,
                             MulDiv(panel.ChannelColumnWidths[static_cast<std::size_t>(c)], static_cast<int>(dpi), 96));
        grid.SetDefaultRowHeight(MulDiv(panel.ChannelRowHeight, static_cast<int>(dpi), 96));
    }
    grid.BeginUpdate();  // one invalidation for the whole tick
    for (std::size_t r = 0; r < panel.ChannelGrid.size(); ++r)
        for (std::size_t c = 0; c < 3; ++c)
            if (!shown_ || shown_->ChannelGrid[r][c] != panel.ChannelGrid[r][c])
                grid.SetCell(static_cast<int>(c), static_cast<int>(r), Widen(panel.ChannelGrid[r][c]));
    grid.EndUpdate();
    if (!shown_ || shown_->ComboBoxCmdIndex != panel.ComboBoxCmdIndex)
        Select(Control(id::kComboBoxCmd), panel.ComboBoxCmdIndex);
    Enable(Control(id::kSpBtnSendCmd), panel.SpBtnSendCmdEnabled);
    Enable(Control(id::kSpBtnZero), panel.SpBtnZeroEnabled);
}

void TForm_Call::ShowStatus(const ControlPanel& panel) {
    if (!shown_ || shown_->LabelSpeed != panel.LabelSpeed) SetText(Control(id::kLabelSpeed), panel.LabelSpeed);
    const ui::TextGrid grid(Control(id::kStringGridStatus));
    if (!shown_ || shown_->StatusColumnWidths != panel.StatusColumnWidths ||
        shown_->StatusRowHeight != panel.StatusRowHeight) {
        const UINT dpi = dpi_;
        for (int c = 0; c < 4; ++c)
            grid.SetColWidth(c,
                             MulDiv(panel.StatusColumnWidths[static_cast<std::size_t>(c)], static_cast<int>(dpi), 96));
        grid.SetDefaultRowHeight(MulDiv(panel.StatusRowHeight, static_cast<int>(dpi), 96));
    }
    grid.BeginUpdate();
    for (std::size_t r = 0; r < 2; ++r)
        for (std::size_t c = 0; c < 4; ++c)
            if (!shown_ || shown_->StatusGrid[r][c] != panel.StatusGrid[r][c])
                grid.SetCell(static_cast<int>(c), static_cast<int>(r), Widen(panel.StatusGrid[r][c]));
    grid.EndUpdate();
}

// The list holds the first eight ports; a higher one shows by its name.
void TForm_Call::ShowPort(int index) {
    const HWND combo = Control(id::kCBoxComm);
    if (combo == nullptr || index < 0) return;
    if (index < SendMessageW(combo, CB_GETCOUNT, 0, 0)) {
        Select(combo, index);
        return;
    }
    if (SendMessageW(combo, CB_GETCURSEL, 0, 0) >= 0) SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    SetWindowTextW(combo, (L"Com" + std::to_wstring(index + 1)).c_str());
}

void TForm_Call::ShowSettings(const ControlPanel& panel) {
    if (shown_ && shown_->CBoxDataFormatIndex == panel.CBoxDataFormatIndex &&
        shown_->CBoxCommIndex == panel.CBoxCommIndex && shown_->CBoxLinkSpeedIndex == panel.CBoxLinkSpeedIndex &&
        shown_->SpinEditFillter == panel.SpinEditFillter && shown_->CBoxFloat3 == panel.CBoxFloat3 &&
        shown_->Invert.Checked == panel.Invert.Checked && shown_->Invert.Channel == panel.Invert.Channel &&
        shown_->Invert.Before == panel.Invert.Before && shown_->TimesTen.Checked == panel.TimesTen.Checked &&
        shown_->TimesTen.Channel == panel.TimesTen.Channel && shown_->TimesTen.Before == panel.TimesTen.Before)
        return;
    Select(Control(id::kCBoxDataFormat), panel.CBoxDataFormatIndex);
    ShowPort(panel.CBoxCommIndex);
    Select(Control(id::kCBoxLinkSpeed), panel.CBoxLinkSpeedIndex);
    SetSpinValue(Control(id::kSpinEditFillter), panel.SpinEditFillter);
    Check(Control(id::kCBoxFloat3), panel.CBoxFloat3);
    ShowRange(0, panel.Invert);
    ShowRange(1, panel.TimesTen);
}

void TForm_Call::ShowRange(int line, const RangeControls& range) {
    const int offset = line * 10;
    Check(Control(id::kCheckBoxMoveNeg + offset), range.Checked);
    SetSpinValue(Control(id::kSpinEditChN1 + offset), range.Channel);
    Check(Control(id::kRBtnDirF0 + offset), range.Before);
    Check(Control(id::kRBtnDirB0 + offset), !range.Before);
}

RangeControls TForm_Call::RangeState(int line) const {
    const int offset = line * 10;
    return {Checked(Control(id::kCheckBoxMoveNeg + offset)), SpinValue(Control(id::kSpinEditChN1 + offset)),
            Checked(Control(id::kRBtnDirF0 + offset))};
}

void TForm_Call::ForwardRange(int line, RangeHandler first, RangeHandler second) {
    const RangeControls state = RangeState(line);
    RunOnDriver([&](Driver& d) {
        (panel_.*(line == 0 ? first : second))(d, state);
        AfterAction();
    });
}

void TForm_Call::AfterAction() {
    ShowPanel(panel_.Model());
}

void TForm_Call::ConfirmTyped(int controlId) {
    int item = SelectedItem(Control(controlId), CBN_EDITCHANGE);
    // A port typed by its name opens that port, also past the list's eight.
    if (item < 0 && controlId == id::kCBoxComm) {
        const HWND list = Control(controlId);
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(list)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(GetWindowTextW(list, text.data(), static_cast<int>(text.size()))));
        item = TypedPortItem(Narrow(text));
    }
    RunOnDriver([&](Driver& d) {
        if (panel_.ListConfirmed(d, ListOf(controlId), item)) AfterAction();
    });
}

void TForm_Call::Command(int controlId, int code) {
    if (rendering_) return;
    auto act = [this](auto&& action) {
        RunOnDriver([&](Driver& d) {
            action(d);
            AfterAction();
        });
    };
    const bool listChange = code == CBN_SELCHANGE || code == CBN_EDITCHANGE;
    switch (controlId) {
        case id::kComboBoxCmd:
            if (listChange) {
                const int item = SelectedItem(Control(controlId), code);
                act([&](Driver& d) { panel_.ComboBoxCmdChange(d, item); });
            }
            break;
        case id::kSpBtnSendCmd:
            if (code == BN_CLICKED) act([](Driver& d) { d.SpBtnSendCmdClick(); });
            break;
        case id::kSpBtnZero:
            if (code == BN_CLICKED) act([](Driver& d) { d.SpBtnZeroClick(); });
            break;
        case id::kCBoxDataFormat:
        case id::kCBoxComm:
        case id::kCBoxLinkSpeed:
            if (code == CBN_SELCHANGE) {
                const int item = SelectedItem(Control(controlId), code);
                act([&](Driver& d) {
                    if (controlId == id::kCBoxDataFormat) panel_.CBoxDataFormatChange(d, item);
                    if (controlId == id::kCBoxComm) panel_.CBoxCommChange(d, item);
                    if (controlId == id::kCBoxLinkSpeed) panel_.CBoxLinkSpeedChange(d, item);
                });
            } else if (code == CBN_EDITCHANGE) {
                RunOnDriver([&](Driver&) { panel_.ListTyped(ListOf(controlId)); });
            } else if (code == CBN_KILLFOCUS) {
                ConfirmTyped(controlId);
            }
            break;
        case IDOK:
            // Enter in a field, which the dialog keys turn into IDOK (an open
            // drop-down takes its Enter itself, to close).
            if (const HWND focus = GetFocus(); focus != nullptr && IsChild(hwnd_, focus)) {
                const int list = GetDlgCtrlID(GetParent(focus));
                if (list == id::kCBoxDataFormat || list == id::kCBoxComm || list == id::kCBoxLinkSpeed)
                    ConfirmTyped(list);
            }
            break;
        case id::kSpinEditFillter:
            if (code == EN_CHANGE) {
                const int value = SpinValue(Control(controlId));
                act([&](Driver& d) { panel_.SpinEditFillterChange(d, value); });
            }
            break;
        case id::kCBoxFloat3:
            if (code == BN_CLICKED) {
                const bool checked = Checked(Control(controlId));
                act([&](Driver& d) { panel_.CBoxFloat3Click(d, checked); });
            }
            break;
        case id::kCheckBoxMoveNeg:
        case id::kCheckBoxNegDisp:
            if (code == BN_CLICKED)
                ForwardRange(controlId == id::kCheckBoxMoveNeg ? 0 : 1, &PanelPresenter::CheckBoxMoveNegClick,
                             &PanelPresenter::CheckBoxNegDispClick);
            break;
        case id::kSpinEditChN1:
        case id::kSpinEditChN2:
        case id::kRBtnDirF0:
        case id::kRBtnDirB0:
        case id::kRBtnDirF1:
        case id::kRBtnDirB1:
            if (code == EN_CHANGE || code == BN_CLICKED)
                ForwardRange((controlId / 10) % 2 == 0 ? 0 : 1,  // 50x: line 0, 51x: line 1
                             &PanelPresenter::SpinEditChN1Change, &PanelPresenter::SpinEditChN2Change);
            break;
        case id::kRangeWords1:
        case id::kRangeTail1:
        case id::kRangeWords2:
        case id::kRangeTail2:
            // The line's words belong to its check box: a click on them is a click on it.
            if (code == STN_CLICKED) {
                const int box = controlId <= id::kRangeTail1 ? id::kCheckBoxMoveNeg : id::kCheckBoxNegDisp;
                if (IsWindowEnabled(Control(box))) SendMessageW(Control(box), BM_CLICK, 0, 0);
            }
            break;
        default:
            break;
    }
}

LRESULT CALLBACK TForm_Call::KeyboardHook(int code, WPARAM wParam, LPARAM lParam) {
    auto* msg = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message >= WM_KEYFIRST && msg->message <= WM_KEYLAST &&
        keyboardWindow != nullptr && (msg->hwnd == keyboardWindow || IsChild(keyboardWindow, msg->hwnd)) &&
        IsDialogMessageW(keyboardWindow, msg)) {
        msg->message = WM_NULL;  // handled: the host's loop dispatches nothing
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT TForm_Call::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kPopUpFormTimer) {
                RunOnDriver([this](Driver& d) {
                    d.PopUpFormTimerTimer();
                    ShowPanel(panel_.Model());  // the tick rotates the caption, among others
                });
            }
            return 0;
        case WM_COMMAND:
            Command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == tab_ && header->code == static_cast<UINT>(TCN_SELCHANGE) && !rendering_) {
                const int page = TabCtrl_GetCurSel(tab_);
                RunOnDriver([&](Driver&) {
                    panel_.PageControlChange(page);
                    AfterAction();
                });
            }
            return 0;
        }
        case WM_CTLCOLORSTATIC: {
            const auto control = reinterpret_cast<HWND>(lParam);
            const int controlId = GetDlgCtrlID(control);
            // The logo panel in the window colour; the number fields, which
            // refuse typing, still look like fields.
            if (controlId == id::kPanelLogo || controlId == id::kLabel2 || controlId == id::kSpinEditChN1 ||
                controlId == id::kSpinEditChN2 || controlId == id::kSpinEditFillter) {
                const auto dc = reinterpret_cast<HDC>(wParam);
                SetBkColor(dc, GetSysColor(COLOR_WINDOW));
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            return DefWindowProcW(hwnd_, message, wParam, lParam);
        }
        case WM_CLOSE:
            // Closing only hides; the window lives until the application ends.
            RunOnDriver([this](Driver& d) {
                d.FormClose();
                ShowPanel(panel_.Model());
            });
            return 0;
        case WM_QUERYENDSESSION:
            RunOnDriver([](Driver& d) { d.QueryEndSession(); });
            return TRUE;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace vexla

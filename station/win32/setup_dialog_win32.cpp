#include "setup_dialog_win32.h"

// windows.h first: commdlg.h and shlobj.h rely on its types.
#include <windows.h>

#include <commdlg.h>
#include <shlobj.h>

#include <charconv>
#include <cstdio>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/whole_number.h"
#include "base/win32/wide_text.h"
#include "station_ids.h"
#include "station_layout.h"
#include "ui/win32/child_controls.h"
#include "ui/win32/control_state.h"
#include "ui/win32/dpi.h"
#include "ui/win32/fonts.h"
#include "ui/win32/gdi.h"
#include "ui/win32/module.h"
#include "ui/win32/object_window.h"
#include "window_texts.h"

namespace vexla::station {

namespace {

constexpr int kWidth = 700;
constexpr int kHeight = 540;
constexpr int kFontTenthPoints = 105;
constexpr int kLabelX = 12;
constexpr int kLabelWidth = 160;
constexpr int kFieldX = 180;
constexpr int kFieldWidth = 508;
constexpr int kBrowseWidth = 84;

constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT | SS_NOPREFIX;
constexpr DWORD kEdit = WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_GROUP | ES_AUTOHSCROLL;
constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON;

const char* const kKeys[] = {"F1",  "F2",  "F3",    "F4",         "F5",     "F6",   "F7",  "F8",     "F9",      "F10",
                             "F11", "F12", "Pause", "ScrollLock", "Insert", "Home", "End", "PageUp", "PageDown"};

struct LayoutTable {
    const wchar_t* Text(std::string_view utf8) { return texts.emplace_back(Widen(utf8)).c_str(); }
    std::deque<std::wstring> texts;  // a deque does not move what it holds
    std::vector<ui::ControlRow> rows;
};

// The design layout at 96 dpi, in tab order: each label is its field's id - 1.
LayoutTable Layout(const WindowTexts& t) {
    LayoutTable l;
    int y = 12;
    const auto field = [&](int id, const char* label, const wchar_t* cls, DWORD style, int width, int height,
                           int labelHeight = 24) {
        l.rows.push_back({id - 1, WC_STATICW, l.Text(label), kLabel, 0, kLabelX, y + 3, kLabelWidth, labelHeight});
        l.rows.push_back({id, cls, nullptr, style, 0, kFieldX, y, width, height});
    };
    field(ids::kSetupSegment, t.segment, WC_EDITW, kEdit | ES_NUMBER, 80, 24);
    y += 32;
    field(ids::kSetupChannels, t.channels, WC_EDITW, kEdit, kFieldWidth, 24);
    y += 32;
    field(ids::kSetupNames, t.names, WC_EDITW,
          WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_GROUP | WS_VSCROLL | ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL,
          kFieldWidth, 124, 64);
    y += 132;
    field(ids::kSetupThousandths, t.thousandths, WC_EDITW, kEdit, kFieldWidth, 24);
    y += 32;
    field(ids::kSetupLimits, t.limitsFile, WC_EDITW, kEdit, kFieldWidth - kBrowseWidth - 6, 24);
    l.rows.push_back({ids::kSetupLimitsBrowse, WC_BUTTONW, l.Text(t.browse), kButton, 0,
                      kFieldX + kFieldWidth - kBrowseWidth, y - 1, kBrowseWidth, 26});
    y += 32;
    field(ids::kSetupWarning, t.warning, WC_EDITW, kEdit, 80, 24);
    y += 32;
    field(ids::kSetupCaptureKey, t.captureKey, WC_COMBOBOXW,
          WS_VISIBLE | WS_TABSTOP | WS_GROUP | WS_VSCROLL | CBS_DROPDOWN, 160, 240);
    y += 32;
    l.rows.push_back({ids::kSetupScanThenCapture, WC_BUTTONW, l.Text(t.scanThenCapture),
                      WS_VISIBLE | WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 0, kFieldX, y, kFieldWidth, 24});
    y += 32;
    field(ids::kSetupMasterInterval, t.masterInterval, WC_EDITW, kEdit, 80, 24);
    y += 32;
    field(ids::kSetupRecords, t.recordsFolder, WC_EDITW, kEdit, kFieldWidth - kBrowseWidth - 6, 24);
    l.rows.push_back({ids::kSetupRecordsBrowse, WC_BUTTONW, l.Text(t.browse), kButton, 0,
                      kFieldX + kFieldWidth - kBrowseWidth, y - 1, kBrowseWidth, 26});
    y += 32;
    field(ids::kSetupLanguage, t.language, WC_COMBOBOXW, WS_VISIBLE | WS_TABSTOP | WS_GROUP | CBS_DROPDOWNLIST, 160,
          120);
    l.rows.push_back({IDOK, WC_BUTTONW, l.Text(t.okButton), kButton | BS_DEFPUSHBUTTON, 0, kWidth - 2 * 104 - 12,
                      kHeight - 44, 96, 30});
    l.rows.push_back(
        {IDCANCEL, WC_BUTTONW, l.Text(t.cancelButton), kButton, 0, kWidth - 104 - 12, kHeight - 44, 96, 30});
    return l;
}

std::optional<double> Number(const std::string& text) {
    double value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (error != std::errc() || stop != end) return std::nullopt;
    return value;
}

std::string Trimmed(std::string text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

}  // namespace

SetupDialog::SetupDialog(HWND owner, const StationSettings& current, ApplySettings apply)
    : owner_(owner), settings_(current), apply_(std::move(apply)), texts_(WindowTextsFor(current.language)) {}

SetupDialog::~SetupDialog() {
    if (hwnd_ == nullptr) return;
    ui::UnbindWindowObject(hwnd_);
    DestroyWindow(hwnd_);
}

HWND SetupDialog::Create() {
    ui::RegisterObjectWindowClass(kClassName);
    constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    hwnd_ = CreateWindowExW(kExStyle, kClassName, Widen(texts_.setupTitle).c_str(), kStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, kWidth, kHeight, owner_, nullptr, ui::CurrentModule(), nullptr);
    if (hwnd_ == nullptr) return nullptr;
    ui::BindWindowObject(hwnd_, this);
    const UINT dpi = ui::WindowDpi(hwnd_);
    font_ = ui::CreateSongFont(MulDiv(kFontTenthPoints, static_cast<int>(dpi), 720)).font;
    const LayoutTable layout = Layout(texts_);
    controls_ = ui::CreateChildControls(hwnd_, layout.rows, font_.Get(), dpi);

    // The client area at its design size, over the middle of the owner.
    RECT frame{0, 0, ui::ScaleForDpi(kWidth, dpi), ui::ScaleForDpi(kHeight, dpi)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    RECT owner{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (owner_ != nullptr) GetWindowRect(owner_, &owner);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(hwnd_, nullptr, std::max(0L, (owner.left + owner.right - width) / 2),
                 std::max(0L, (owner.top + owner.bottom - height) / 2), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    Fill();
    return hwnd_;
}

void SetupDialog::Fill() {
    const StationSettings& s = settings_;
    ui::SetText(controls_[ids::kSetupSegment], std::to_string(s.segment));
    ui::SetText(controls_[ids::kSetupChannels], ChannelListText(s.channels));
    ui::SetText(controls_[ids::kSetupNames], NamesText(s.names));
    ui::SetText(controls_[ids::kSetupThousandths], ChannelListText(s.thousandths));
    ui::SetText(controls_[ids::kSetupLimits], s.limitsFile);
    ui::SetText(controls_[ids::kSetupWarning], quality::DecimalText(s.warningFraction * 100, 0));
    const HWND keys = controls_[ids::kSetupCaptureKey];
    for (const char* key : kKeys) SendMessageW(keys, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(key).c_str()));
    ui::SetText(keys, s.captureKey);
    ui::Check(controls_[ids::kSetupScanThenCapture], s.scanThenCapture);
    ui::SetText(controls_[ids::kSetupMasterInterval], NumberText(s.masterIntervalHours));
    ui::SetText(controls_[ids::kSetupRecords], s.recordsFolder);
    const HWND language = controls_[ids::kSetupLanguage];
    SendMessageW(language, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"中文"));
    SendMessageW(language, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"English"));
    SendMessageW(language, CB_SETCURSEL, s.language == Language::English ? 1 : 0, 0);
}

std::string SetupDialog::Field(int id) const {
    const HWND field = controls_[id];
    const int length = GetWindowTextLengthW(field);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(field, text.data(), length + 1)));
    return Trimmed(Narrow(text));
}

bool SetupDialog::Refuse(int id, const std::string& why) {
    MessageBoxW(hwnd_, Widen(why).c_str(), Widen(texts_.setupTitle).c_str(), MB_OK | MB_ICONWARNING);
    SetFocus(controls_[id]);
    SendMessageW(controls_[id], EM_SETSEL, 0, -1);
    return false;
}

std::optional<StationSettings> SetupDialog::Collect() {
    StationSettings s = settings_;
    const auto segment = ParseWholeNumber(Field(ids::kSetupSegment), 0, 255);
    if (!segment) return Refuse(ids::kSetupSegment, texts_.badSegment), std::nullopt;
    s.segment = static_cast<uint32_t>(*segment);
    const auto channels = ParseChannelList(Field(ids::kSetupChannels));
    if (!channels || *channels == 0) return Refuse(ids::kSetupChannels, texts_.badChannels), std::nullopt;
    s.channels = *channels;
    const ParsedNames names = ParseNamesText(Field(ids::kSetupNames));
    if (names.badLine != 0) {
        char why[256];
        std::snprintf(why, sizeof why, texts_.badName, names.badLine);
        return Refuse(ids::kSetupNames, why), std::nullopt;
    }
    s.names = names.names;
    const std::string thousandths = Field(ids::kSetupThousandths);
    const auto fine = thousandths.empty() ? std::optional<uint32_t>(0) : ParseChannelList(thousandths);
    if (!fine) return Refuse(ids::kSetupThousandths, texts_.badThousandths), std::nullopt;
    s.thousandths = *fine;
    s.limitsFile = Field(ids::kSetupLimits);
    const auto warning = Number(Field(ids::kSetupWarning));
    if (!warning || *warning < 0 || *warning > 100) return Refuse(ids::kSetupWarning, texts_.badWarning), std::nullopt;
    s.warningFraction = *warning / 100;
    const std::string key = Field(ids::kSetupCaptureKey);
    if (!CaptureKeyOf(key)) return Refuse(ids::kSetupCaptureKey, texts_.badCaptureKey), std::nullopt;
    s.captureKey = key;
    s.scanThenCapture = ui::Checked(controls_[ids::kSetupScanThenCapture]);
    const auto hours = Number(Field(ids::kSetupMasterInterval));
    if (!hours || *hours < 0) return Refuse(ids::kSetupMasterInterval, texts_.badInterval), std::nullopt;
    s.masterIntervalHours = *hours;
    s.recordsFolder = Field(ids::kSetupRecords);
    s.language =
        SendMessageW(controls_[ids::kSetupLanguage], CB_GETCURSEL, 0, 0) == 1 ? Language::English : Language::Chinese;
    return s;
}

void SetupDialog::Ok() {
    const std::optional<StationSettings> settings = Collect();
    if (!settings || !apply_) return;
    const Status applied = apply_(*settings);
    if (!applied) {
        MessageBoxW(hwnd_, Widen(applied.Failure().Text()).c_str(), Widen(texts_.saveFailed).c_str(),
                    MB_OK | MB_ICONERROR);
        return;
    }
    applied_ = true;
    done_ = true;
}

void SetupDialog::BrowseLimits() {
    std::wstring file(MAX_PATH * 4, L'\0');
    const std::wstring current = Widen(Field(ids::kSetupLimits));
    current.copy(file.data(), std::min(current.size(), file.size() - 1));
    // "name\0pattern\0" pairs, ended by an empty name.
    const std::wstring filter = Widen(texts_.limitsFilter) + L" (*.txt;*.csv)" + std::wstring(1, L'\0') +
                                L"*.txt;*.csv" + std::wstring(1, L'\0') + L"*.*" + std::wstring(1, L'\0') + L"*.*" +
                                std::wstring(2, L'\0');
    OPENFILENAMEW open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = hwnd_;
    open.lpstrFilter = filter.c_str();
    open.lpstrFile = file.data();
    open.nMaxFile = static_cast<DWORD>(file.size());
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (GetOpenFileNameW(&open)) SetWindowTextW(controls_[ids::kSetupLimits], file.c_str());
}

void SetupDialog::BrowseRecords() {
    const std::wstring title = Widen(texts_.chooseFolder);
    BROWSEINFOW browse{};
    browse.hwndOwner = hwnd_;
    browse.lpszTitle = title.c_str();
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&browse)) {
        wchar_t path[MAX_PATH] = {};
        if (SHGetPathFromIDListW(chosen, path)) SetWindowTextW(controls_[ids::kSetupRecords], path);
        CoTaskMemFree(chosen);
    }
    if (SUCCEEDED(com)) CoUninitialize();
}

bool SetupDialog::Run() {
    if (Create() == nullptr) return false;
    if (owner_ != nullptr) EnableWindow(owner_, FALSE);
    ShowWindow(hwnd_, SW_SHOW);
    SetFocus(controls_[ids::kSetupSegment]);
    SendMessageW(controls_[ids::kSetupSegment], EM_SETSEL, 0, -1);
    MSG message{};
    bool quit = false;
    while (!done_) {
        if (GetMessageW(&message, nullptr, 0, 0) <= 0) {
            quit = true;
            break;
        }
        if (IsDialogMessageW(hwnd_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    // The owner first, so that the system activates it, not another program.
    if (owner_ != nullptr) EnableWindow(owner_, TRUE);
    ui::UnbindWindowObject(hwnd_);
    DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    if (quit) PostQuitMessage(static_cast<int>(message.wParam));  // for the program's own loop
    return applied_;
}

LRESULT SetupDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            if (HIWORD(wParam) != BN_CLICKED) return 0;
            switch (LOWORD(wParam)) {
                case IDOK:
                    Ok();
                    break;
                case IDCANCEL:
                    done_ = true;
                    break;
                case ids::kSetupLimitsBrowse:
                    BrowseLimits();
                    break;
                case ids::kSetupRecordsBrowse:
                    BrowseRecords();
                    break;
                default:
                    break;
            }
            return 0;
        case WM_CLOSE:
            done_ = true;
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

bool RunSetupDialog(HWND owner, const StationSettings& current, ApplySettings apply) {
    SetupDialog dialog(owner, current, std::move(apply));
    return dialog.Run();
}

}  // namespace vexla::station

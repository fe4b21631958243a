#include "main_unit_win32.h"

// windows.h first: commctrl.h relies on its types.
#include <windows.h>

#include <commctrl.h>

#include <array>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "base/win32/wide_text.h"
#include "monitor/model/monitor_texts.h"
#include "monitor_ids.h"
#include "ui/win32/control_state.h"
#include "ui/win32/dpi.h"
#include "ui/win32/flat_button.h"
#include "ui/win32/fonts.h"
#include "ui/win32/module.h"

namespace vexla::monitor {
namespace {

constexpr UINT_PTR kTimer1 = 1;
// The grid's rows other than the separator: the height a string grid gives
// its rows by default.
constexpr int kDefaultRowHeight = 24;
constexpr int kMessagePanelWidth = 600;
constexpr int kGridPoints = 10;
constexpr int kControlPoints = 9;

constexpr DWORD kGroup = WS_VISIBLE | BS_GROUPBOX | WS_GROUP | WS_CLIPSIBLINGS;
constexpr DWORD kFirstRadio = WS_VISIBLE | BS_AUTORADIOBUTTON | WS_GROUP | WS_TABSTOP;
constexpr DWORD kRadio = WS_VISIBLE | BS_AUTORADIOBUTTON;
constexpr DWORD kButton = WS_VISIBLE | WS_GROUP | WS_CLIPSIBLINGS | ui::kFlatButtonStyle;

// The controls' table keeps pointers to its texts: they live beside it.
struct LayoutTable {
    const wchar_t* Text(std::string_view utf8) { return texts.emplace_back(Widen(utf8)).c_str(); }
    std::deque<std::wstring> texts;  // a deque does not move what it holds
    std::vector<ui::ControlRow> rows;
};

// The design layout at 96 dpi, in tab order (children stack in the order of
// creation, the first on top). The group boxes come last: below the controls
// they frame, and clipped by them, so that their painting never covers them.
// The hardware buttons' progress bar lies over both buttons and is brought to
// the top when it shows.
LayoutTable Layout(const std::string& singleCaption) {
    namespace t = texts;
    LayoutTable l;
    l.rows = {
        {ids::kStringGridData, WC_TEXTGRIDW, nullptr, WS_VISIBLE | WS_BORDER | WS_TABSTOP | WS_GROUP, 0, 0, 0, 1001,
         289},
        {ids::kHWTypeFirstItem, WC_BUTTONW, l.Text(t::kHardwareTypes[0]), kFirstRadio, 0, 10, 322, 105, 20},
        {ids::kHWTypeFirstItem + 1, WC_BUTTONW, l.Text(t::kHardwareTypes[1]), kRadio, 0, 10, 348, 105, 20},
        {ids::kDisplayTypeFirstItem, WC_BUTTONW, l.Text(t::kDisplayModes[0]), kFirstRadio, 0, 138, 319, 105, 18},
        {ids::kDisplayTypeFirstItem + 1, WC_BUTTONW, l.Text(t::kDisplayModes[1]), kRadio, 0, 138, 337, 105, 18},
        {ids::kDisplayTypeFirstItem + 2, WC_BUTTONW, l.Text(t::kDisplayModes[2]), kRadio, 0, 138, 355, 105, 18},
        {ids::kSpBtnDataZero, WC_BUTTONW, l.Text(t::kZeroAll), kButton, 0, 264, 322, 128, 44},
        {ids::kSPBtnSigleCtrl, WC_BUTTONW, l.Text(singleCaption), kButton & ~WS_VISIBLE, 0, 400, 322, 129, 44},
        {ids::kSpBtnFastZero, WC_BUTTONW, l.Text(t::kZeroFast), kButton, 0, 568, 322, 97, 44},
        {ids::kSpBtnStdZero, WC_BUTTONW, l.Text(t::kZeroSlow), kButton, 0, 672, 322, 97, 44},
        {ids::kGauge1, PROGRESS_CLASSW, nullptr, WS_CLIPSIBLINGS | PBS_SMOOTH, 0, 568, 322, 201, 44},
        {ids::kSpBtnShowDLL, WC_BUTTONW, l.Text(t::kShowDriverWindow), kButton, 0, 792, 322, 97, 44},
        {ids::kSpBtnHideDLL, WC_BUTTONW, l.Text(t::kHideDriverWindow), kButton, 0, 896, 322, 97, 44},
        {ids::kRadioGroupHWType, WC_BUTTONW, l.Text(t::kHardwareTypeGroup), kGroup, 0, 0, 304, 121, 73},
        {ids::kRadioGroupDisplayType, WC_BUTTONW, l.Text(t::kDisplayModeGroup), kGroup, 0, 128, 304, 121, 73},
        {ids::kGroupBox2, WC_BUTTONW, l.Text(t::kValueGroup), kGroup, 0, 256, 304, 281, 73},
        {ids::kGroupBoxHWCtrl, WC_BUTTONW, l.Text(t::kHardwareGroup), kGroup, 0, 560, 304, 217, 73},
        {ids::kGroupBox3, WC_BUTTONW, l.Text(t::kDriverWindowGroup), kGroup, 0, 784, 304, 217, 73},
        {ids::kStatusBar1, STATUSCLASSNAMEW, nullptr, WS_VISIBLE, 0, 0, 0, 0, 0},
    };
    return l;
}

}  // namespace

TMainform::TMainform(host::DriverCalls& driver, uint32_t segment) : model_(driver, segment) {
    icon_ = LoadIconW(ui::CurrentModule(), MAKEINTRESOURCEW(1));
    ui::RegisterObjectWindowClass(kClassName, icon_);
    // A fixed layout: no resizing frame and no maximise box.
    constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Widen(texts::kCaption).c_str(), kStyle, CW_USEDEFAULT,
                            CW_USEDEFAULT, kClientWidth, kClientHeight, nullptr, nullptr, ui::CurrentModule(), nullptr);
    if (hwnd_ == nullptr) return;
    ui::BindWindowObject(hwnd_, this);
    FormCreate();
}

TMainform::~TMainform() {
    if (hwnd_ != nullptr) {
        KillTimer(hwnd_, kTimer1);
        ui::UnbindWindowObject(hwnd_);
        DestroyWindow(hwnd_);
    }
}

void TMainform::FormCreate() {
    model_.FormCreate();  // the segment before anything else reaches the driver
    CreateControls();
    InitGrid();
    SetTimer(hwnd_, kTimer1, MonitorModel::kTimerIntervalMs, nullptr);
}

void TMainform::CreateControls() {
    const UINT dpi = ui::WindowDpi(hwnd_);
    controlFont_ = ui::CreateSongFont(MulDiv(kControlPoints, static_cast<int>(dpi), 72)).font;
    const LayoutTable layout = Layout(model_.SingleButton().caption);
    controls_ = ui::CreateChildControls(hwnd_, layout.rows, controlFont_.Get(), dpi);
    grid_ = ui::TextGrid(controls_[ids::kStringGridData]);
    ui::Check(controls_[ids::kHWTypeFirstItem], true);
    ui::Check(controls_[ids::kDisplayTypeFirstItem], true);
    SendMessageW(controls_[ids::kGauge1], PBM_SETRANGE32, 0, 100);

    const HWND status = controls_[ids::kStatusBar1];
    // The maker's panel runs to the bar's end: ending it 200 px after the
    // first left an empty stretch beyond it that read as a third panel.
    const std::array<int, 2> parts = {ui::ScaleForDpi(kMessagePanelWidth, dpi), -1};
    SendMessageW(status, SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));
    SendMessageW(status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(Widen(texts::kMakerPanel).c_str()));
}

void TMainform::InitGrid() {
    const UINT dpi = ui::WindowDpi(hwnd_);
    // The window at its design size, centred on the screen.
    RECT frame{0, 0, ui::ScaleForDpi(kClientWidth, dpi), ui::ScaleForDpi(kClientHeight, dpi)};
    AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(hwnd_, GWL_EXSTYLE)));
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(hwnd_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER | SWP_NOACTIVATE);

    RECT gridRect{}, room{};
    GetWindowRect(grid_.Handle(), &gridRect);
    GetClientRect(grid_.Handle(), &room);
    // 10 points, and columns wide enough for what they show in the face the
    // system has: the headings, the widest value and rate texts. Where the
    // window's width cannot hold the headings on one line, they break before
    // their unit, "(mm)", onto a second line of their row.
    gridFont_ = ui::CreateSongFont(MulDiv(kGridPoints, static_cast<int>(dpi), 72)).font;
    const auto shownText = [&](int col, int row, bool wrapped) {
        std::wstring text = Widen(model_.Cell(col, row));
        const auto unit = text.find(L'(');
        if (wrapped && CellAt(col, row).kind == CellKind::Heading && unit != std::wstring::npos && unit > 0)
            text.insert(unit, L"\n");
        return text;
    };
    std::array<int, kGridColumns> widths{};
    bool wrapped = false;
    int lineHeight = 0;
    {
        const ui::WindowDc dc(grid_.Handle());
        const ui::SelectedObject chosen(dc.Get(), gridFont_.Get());
        const auto extent = [&](const std::wstring& text) {
            RECT r{};
            DrawTextW(dc.Get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_NOPREFIX);
            lineHeight = std::max(lineHeight, static_cast<int>(r.bottom - r.top));
            return static_cast<int>(r.right - r.left) + 1 + 2 * ui::kGridTextMargin;
        };
        for (bool wrap : {false, true}) {
            std::array<int, kGridColumns> needed{};
            for (int col = 0; col < kGridColumns; ++col) {
                int& need = needed[static_cast<std::size_t>(col)];
                for (int row = 0; row < kGridRows; ++row)
                    if (!model_.Cell(col, row).empty()) need = std::max(need, extent(shownText(col, row, wrap)));
                const CellKind kind = CellAt(col, 1).kind;
                if (kind == CellKind::DisplayValue || kind == CellKind::Displacement)
                    need = std::max(need, extent(L"-99999.999"));
                if (kind == CellKind::Rate) need = std::max(need, extent(L" 99.9次"));
            }
            widths = FitColumnWidths(ColumnWidths(gridRect.right - gridRect.left), needed, room.right);
            wrapped = wrap;
            bool fits = true;
            for (int col = 0; col < kGridColumns; ++col)
                fits = fits && widths[static_cast<std::size_t>(col)] >= needed[static_cast<std::size_t>(col)];
            if (fits) break;
        }
    }
    grid_.SetFont(gridFont_.Get(), false);
    grid_.BeginUpdate();
    grid_.SetColCount(kGridColumns);
    grid_.SetRowCount(kGridRows);
    grid_.SetFixedRows(0);
    grid_.SetDefaultRowHeight(ui::ScaleForDpi(kDefaultRowHeight, dpi));
    grid_.SetRowHeight(kSeparatorRow, ui::ScaleForDpi(kSeparatorRowHeight, dpi));
    if (wrapped)
        for (int row : {0, 6}) grid_.SetRowHeight(row, lineHeight + ui::ScaleForDpi(6, dpi));
    for (int col = 0; col < kGridColumns; ++col) {
        grid_.SetColWidth(col, widths[static_cast<std::size_t>(col)]);
        // The numbers end at the cell's right edge in any font.
        const CellKind kind = CellAt(col, 1).kind;
        if (kind == CellKind::DisplayValue || kind == CellKind::Displacement || kind == CellKind::Rate)
            grid_.SetColAlign(col, ui::TextAlign::Right);
    }
    for (int row = 0; row < kGridRows; ++row) {
        for (int col = 0; col < kGridColumns; ++col) {
            if (!model_.Cell(col, row).empty()) grid_.SetCell(col, row, shownText(col, row, wrapped));
            // Headings stand left, over their column's numbers' width.
            if (CellAt(col, row).kind == CellKind::Heading) grid_.SetCellAlign(col, row, ui::TextAlign::Left);
        }
    }
    grid_.SetCurrent({0, 0});
    grid_.EndUpdate();
}

void TMainform::Timer1Timer() {
    // Both radio groups are read afresh at every tick.
    for (int i = 0; i < 2; ++i)
        if (ui::Checked(controls_[ids::kHWTypeFirstItem + i])) model_.SetHardwareType(static_cast<HardwareType>(i));
    for (int i = 0; i < 3; ++i)
        if (ui::Checked(controls_[ids::kDisplayTypeFirstItem + i])) model_.SetDisplayMode(static_cast<DisplayMode>(i));
    const ChangedCells changed = model_.Timer1Timer();
    if (!changed.empty()) {
        grid_.BeginUpdate();
        for (const CellRef& cell : changed) grid_.SetCell(cell.col, cell.row, Widen(model_.Cell(cell.col, cell.row)));
        grid_.EndUpdate();
    }
    ShowHardwareControls();
}

void TMainform::StringGridDataClick(int col, int row) {
    model_.StringGridDataClick(col, row);
    ShowSingleButton();
}

void TMainform::ShowSingleButton() {
    const SingleChannelButton& button = model_.SingleButton();
    const HWND control = controls_[ids::kSPBtnSigleCtrl];
    if (button.visible) ui::SetText(control, button.caption);
    ui::Show(control, button.visible);
    if (button.visible) InvalidateRect(control, nullptr, FALSE);
}

void TMainform::ShowHardwareControls() {
    const HardwareControls& hw = model_.HwControls();
    for (int id : {ids::kGroupBoxHWCtrl, ids::kSpBtnFastZero, ids::kSpBtnStdZero})
        ui::Enable(controls_[id], hw.groupEnabled);
    const HWND gauge = controls_[ids::kGauge1];
    if (hw.gaugeVisible) {
        SendMessageW(gauge, PBM_SETPOS, static_cast<WPARAM>(hw.gaugeProgress), 0);
        if (!IsWindowVisible(gauge)) SetWindowPos(gauge, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    }
    ui::Show(gauge, hw.gaugeVisible);
}

void TMainform::Command(int id) {
    switch (id) {
        case ids::kSPBtnSigleCtrl:
            model_.SPBtnSigleCtrlClick();
            break;
        case ids::kSpBtnDataZero:
            model_.SpBtnDataZeroClick();
            break;
        case ids::kSpBtnFastZero:
            model_.SpBtnFastZeroClick();
            break;
        case ids::kSpBtnStdZero:
            model_.SpBtnStdZeroClick();
            break;
        case ids::kSpBtnShowDLL:
            model_.SpBtnShowDLLClick();
            break;
        case ids::kSpBtnHideDLL:
            model_.SpBtnHideDLLClick();
            break;
        default:
            break;
    }
}

void TMainform::FormClose() {
    if (closed_) return;
    closed_ = true;
    KillTimer(hwnd_, kTimer1);
    model_.FormClose();
}

LRESULT TMainform::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimer1 && !closed_) Timer1Timer();
            return 0;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) Command(LOWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == ids::kStringGridData && header->code == TGN_SELCHANGED) {
                const auto* change = reinterpret_cast<const NMTEXTGRID*>(lParam);
                if (change->col >= 0 && change->row >= 0) StringGridDataClick(change->col, change->row);
            }
            return 0;
        }
        case WM_SIZE:
            // The status bar keeps itself at the bottom when told.
            SendMessageW(controls_[ids::kStatusBar1], WM_SIZE, 0, 0);
            return 0;
        case WM_DRAWITEM:
            ui::DrawFlatButton(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_CLOSE:
            FormClose();
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            FormClose();
            ui::UnbindWindowObject(hwnd_);
            hwnd_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace vexla::monitor

#include "station_window_win32.h"

// windows.h first: commctrl.h and shellapi.h rely on its types.
#include <windows.h>

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>

#include "base/win32/wide_text.h"
#include "setup_dialog_win32.h"
#include "station_ids.h"
#include "station_layout.h"
#include "ui/win32/control_state.h"
#include "ui/win32/dpi.h"
#include "ui/win32/fonts.h"
#include "ui/win32/module.h"

namespace vexla::station {
namespace {

constexpr UINT_PTR kTimer = 1;
constexpr UINT kMsgStarted = WM_APP + 1;
constexpr int kControlTenthPoints = 105;
constexpr int kGridTenthPoints = 95;
constexpr int kMasterCheckTicks = 20;  // once a second

constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT | SS_NOPREFIX | SS_CENTERIMAGE;
constexpr DWORD kEdit = WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kButton = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

// The controls in tab order; Arrange places them as the window's size allows.
std::vector<ui::ControlRow> ControlTable() {
    return {
        {ids::kCapture, WC_BUTTONW, nullptr, kButton | WS_GROUP, 0, 0, 0, 10, 10},
        {ids::kPartIdLabel, WC_STATICW, nullptr, kLabel, 0, 0, 0, 10, 10},
        {ids::kPartId, WC_EDITW, nullptr, kEdit | WS_GROUP, 0, 0, 0, 10, 10},
        {ids::kBatchLabel, WC_STATICW, nullptr, kLabel, 0, 0, 0, 10, 10},
        {ids::kBatch, WC_EDITW, nullptr, kEdit | WS_GROUP, 0, 0, 0, 10, 10},
        {ids::kOperatorLabel, WC_STATICW, nullptr, kLabel, 0, 0, 0, 10, 10},
        {ids::kOperator, WC_EDITW, nullptr, kEdit | WS_GROUP, 0, 0, 0, 10, 10},
        {ids::kNewShift, WC_BUTTONW, nullptr, kButton | WS_GROUP, 0, 0, 0, 10, 10},
        {ids::kParts, WC_STATICW, nullptr, kLabel, 0, 0, 0, 10, 10},
        {ids::kNokParts, WC_STATICW, nullptr, kLabel, 0, 0, 0, 10, 10},
        {ids::kYield, WC_STATICW, nullptr, kLabel, 0, 0, 0, 10, 10},
        {ids::kZeroOnMaster, WC_BUTTONW, nullptr, kButton | WS_GROUP, 0, 0, 0, 10, 10},
        {ids::kReport, WC_BUTTONW, nullptr, kButton | WS_GROUP, 0, 0, 0, 10, 10},
        {ids::kDriverWindow, WC_BUTTONW, nullptr, kButton | WS_GROUP, 0, 0, 0, 10, 10},
        {ids::kSetup, WC_BUTTONW, nullptr, kButton | WS_GROUP, 0, 0, 0, 10, 10},
        {ids::kCapability, WC_TEXTGRIDW, nullptr, WS_VISIBLE | WS_BORDER | WS_VSCROLL | WS_TABSTOP | WS_GROUP, 0, 0, 0,
         10, 10},
        {ids::kStatusBar, STATUSCLASSNAMEW, nullptr, WS_VISIBLE, 0, 0, 0, 0, 0},
    };
}

UINT VirtualKeyOf(const CaptureKey& key) {
    using Kind = CaptureKey::Kind;
    switch (key.kind) {
        case Kind::Function:
            return static_cast<UINT>(VK_F1 + key.function - 1);
        case Kind::Character:
            return static_cast<UINT>(key.character);  // 'A'..'Z' and '0'..'9' are their own keys
        case Kind::Pause:
            return VK_PAUSE;
        case Kind::Insert:
            return VK_INSERT;
        case Kind::Home:
            return VK_HOME;
        case Kind::End:
            return VK_END;
        case Kind::PageUp:
            return VK_PRIOR;
        case Kind::PageDown:
            return VK_NEXT;
        case Kind::ScrollLock:
            return VK_SCROLL;
    }
    return 0;
}

std::string Printed(const char* format, const std::string& value) {
    char text[512];
    std::snprintf(text, sizeof text, format, value.c_str());
    return text;
}

std::string Joined(const Station& station, const std::vector<int>& channels) {
    std::string text;
    for (int c : channels) text += (text.empty() ? "" : ", ") + station.Name(c);
    return text;
}

void Place(HWND control, int x, int y, int width, int height) {
    if (control != nullptr) MoveWindow(control, x, y, std::max(width, 0), std::max(height, 0), FALSE);
}

}  // namespace

StationWindow::StationWindow(StationSession& session)
    : session_(session),
      texts_(&TextsFor(session.Settings().language)),
      windowTexts_(&WindowTextsFor(session.Settings().language)) {
    icon_ = LoadIconW(ui::CurrentModule(), MAKEINTRESOURCEW(1));
    ui::RegisterObjectWindowClass(kClassName, icon_);
    hwnd_ = CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, Widen(texts_->title).c_str(),
                            WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT, kClientWidth,
                            kClientHeight, nullptr, nullptr, ui::CurrentModule(), nullptr);
    if (hwnd_ == nullptr) return;
    ui::BindWindowObject(hwnd_, this);
    dpi_ = ui::WindowDpi(hwnd_);
    RECT frame{0, 0, ui::ScaleForDpi(kClientWidth, dpi_), ui::ScaleForDpi(kClientHeight, dpi_)};
    AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, WS_EX_CONTROLPARENT);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    CreateControls();
    ResetTiles();
    ShowTexts();
    Arrange();
    SetTimer(hwnd_, kTimer, kTickMs, nullptr);
    // The first start's questions once the message loop runs.
    PostMessageW(hwnd_, kMsgStarted, 0, 0);
}

StationWindow::~StationWindow() {
    if (hwnd_ == nullptr) return;
    KillTimer(hwnd_, kTimer);
    ui::UnbindWindowObject(hwnd_);
    DestroyWindow(hwnd_);
}

void StationWindow::CreateControls() {
    MakeFonts();
    const std::vector<ui::ControlRow> table = ControlTable();
    controls_ = ui::CreateChildControls(hwnd_, table, controlFont_.Get(), dpi_);
    SendMessageW(controls_[ids::kCapture], WM_SETFONT, reinterpret_cast<WPARAM>(captureFont_.Get()), FALSE);
    capability_ = ui::TextGrid(controls_[ids::kCapability]);
    capability_.SetFont(gridFont_.Get(), false);
    capability_.SetColCount(3);
    capability_.SetFixedRows(1);
    capability_.SetDefaultRowHeight(ui::ScaleForDpi(20, dpi_));
    capability_.SetColAlign(1, ui::TextAlign::Right);
    capability_.SetColAlign(2, ui::TextAlign::Right);

    board_.Create(hwnd_, ids::kTiles, [this](HDC dc, const RECT&, const RECT& dirty) { PaintBoard(dc, dirty); });
    masterBar_.Create(
        hwnd_, ids::kMasterBar,
        [this](HDC dc, const RECT& r, const RECT&) { PaintBar(dc, r, masterText_, headingFont_.Get()); }, 0);
    verdict_.Create(hwnd_, ids::kVerdict, [this](HDC dc, const RECT& r, const RECT&) {
        PaintVerdict(dc, r, verdictPicture_, verdictFont_.Get(), headingFont_.Get());
    });
    chart_.Create(hwnd_, ids::kChart, [this](HDC dc, const RECT& r, const RECT&) {
        PaintChart(dc, r, chartPicture_, headingFont_.Get(), smallFont_.Get());
    });
}

void StationWindow::MakeFonts() {
    const int dpi = static_cast<int>(dpi_);
    controlFont_ = ui::CreateSongFont(MulDiv(kControlTenthPoints, dpi, 720)).font;
    gridFont_ = ui::CreateSongFont(MulDiv(kGridTenthPoints, dpi, 720)).font;
    captureFont_ = ui::CreateSongFont(ui::ScaleForDpi(30, dpi_), true).font;
    verdictFont_ = ui::CreateSongFont(ui::ScaleForDpi(64, dpi_), true).font;
    headingFont_ = ui::CreateSongFont(ui::ScaleForDpi(16, dpi_), true).font;
    smallFont_ = ui::CreateSongFont(ui::ScaleForDpi(12, dpi_)).font;
}

void StationWindow::ResetTiles() {
    for (int channel : session_.Model().Channels()) ShowTile(channel);
    tileFontsFor_ = 0;  // the fonts follow the tiles' new size
    board_.Invalidate();
    ShowBoardText();
}

void StationWindow::PaintBoard(HDC dc, const RECT& dirty) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &dirty, nullptr, 0, nullptr);
    for (int channel : session_.Model().Channels()) {
        const auto i = static_cast<std::size_t>(channel - 1);
        RECT overlap{};
        if (IntersectRect(&overlap, &tileRects_[i], &dirty)) PaintTile(dc, tileRects_[i], pictures_[i], tileFonts_);
    }
}

// Every tile in words, for whoever reads the board from outside.
void StationWindow::ShowBoardText() {
    std::vector<TileLine> lines;
    for (int channel : session_.Model().Channels()) {
        const auto i = static_cast<std::size_t>(channel - 1);
        const TilePicture& tile = pictures_[i];
        const RECT& r = tileRects_[i];
        lines.push_back({channel, Narrow(tile.name), tile.state.silent ? Narrow(tile.noSignal) : tile.state.value,
                         static_cast<int>(tile.state.colour), r.left, r.top, r.right, r.bottom});
    }
    SetWindowTextW(board_.Handle(), Widen(TileLinesText(lines)).c_str());
}

// Everything in words of the station's language.
void StationWindow::ShowTexts() {
    texts_ = &TextsFor(session_.Settings().language);
    windowTexts_ = &WindowTextsFor(session_.Settings().language);
    SetWindowTextW(hwnd_, Widen(texts_->title).c_str());
    const std::pair<int, const char*> captions[] = {
        {ids::kCapture, texts_->capture},   {ids::kPartIdLabel, texts_->partId},
        {ids::kBatchLabel, texts_->batch},  {ids::kOperatorLabel, texts_->operatorName},
        {ids::kNewShift, texts_->newShift}, {ids::kZeroOnMaster, texts_->zeroOnMaster},
        {ids::kReport, texts_->report},     {ids::kDriverWindow, texts_->driverWindow},
        {ids::kSetup, texts_->setup},
    };
    for (const auto& [id, text] : captions) ui::SetText(controls_[id], text);
    ui::SetText(controls_[ids::kBatch], session_.Settings().batch);
    ui::SetText(controls_[ids::kOperator], session_.Settings().operatorName);
    for (int channel : session_.Model().Channels()) ShowTile(channel);
    board_.Invalidate();
    ShowVerdict();
    ShowCounters();
    ShowChart();
    ShowCapability();
    ShowStatus();
    ShowMasterBar();
}

void StationWindow::Arrange() {
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (client.right <= 0 || client.bottom <= 0) return;
    const auto s = [&](int value) { return ui::ScaleForDpi(value, dpi_); };
    const HWND status = controls_[ids::kStatusBar];
    SendMessageW(status, WM_SIZE, 0, 0);
    RECT bar{};
    GetWindowRect(status, &bar);
    const int statusHeight = bar.bottom - bar.top;
    const std::array<int, 2> parts{client.right / 2, -1};
    SendMessageW(status, SB_SETPARTS, parts.size(), reinterpret_cast<LPARAM>(parts.data()));

    const int margin = s(8);
    const int gap = s(6);
    const int width = client.right;
    const int bottom = client.bottom - statusHeight - margin;
    int top = margin;
    if (masterShown_) {
        Place(masterBar_.Handle(), margin, top, width - 2 * margin, s(30));
        top += s(30) + gap;
    }

    // The operator's column on the right.
    const int sideWidth = std::clamp(width * 27 / 100, s(290), s(420));
    const int side = width - margin - sideWidth;
    int y = top;
    const int verdictHeight = std::clamp((bottom - top) * 26 / 100, s(130), s(280));
    Place(verdict_.Handle(), side, y, sideWidth, verdictHeight);
    y += verdictHeight + gap;
    const int captureHeight = std::clamp((bottom - top) / 10, s(56), s(90));
    Place(controls_[ids::kCapture], side, y, sideWidth, captureHeight);
    y += captureHeight + gap;
    const int row = s(26);
    const int label = s(88);
    for (const auto& [labelId, fieldId] :
         {std::pair{ids::kPartIdLabel, ids::kPartId}, std::pair{ids::kBatchLabel, ids::kBatch},
          std::pair{ids::kOperatorLabel, ids::kOperator}}) {
        Place(controls_[labelId], side, y, label - gap, row);
        Place(controls_[fieldId], side + label, y, sideWidth - label, row);
        y += row + gap;
    }
    Place(controls_[ids::kNewShift], side + label, y, sideWidth - label, s(30));
    y += s(30) + gap;
    for (int id : {ids::kParts, ids::kNokParts, ids::kYield}) {
        Place(controls_[id], side, y, sideWidth, s(22));
        y += s(22);
    }
    // The four actions in two rows at the column's foot.
    const int buttonHeight = s(40);
    const int half = (sideWidth - gap) / 2;
    const int firstRow = bottom - 2 * buttonHeight - gap;
    Place(controls_[ids::kZeroOnMaster], side, firstRow, half, buttonHeight);
    Place(controls_[ids::kReport], side + half + gap, firstRow, sideWidth - half - gap, buttonHeight);
    Place(controls_[ids::kDriverWindow], side, firstRow + buttonHeight + gap, half, buttonHeight);
    Place(controls_[ids::kSetup], side + half + gap, firstRow + buttonHeight + gap, sideWidth - half - gap,
          buttonHeight);

    // The tiles above, the process panel below, on the left.
    const int left = margin;
    const int leftWidth = side - gap - left;
    const int chartHeight = std::clamp((bottom - top) * 32 / 100, s(180), s(340));
    const int chartTop = bottom - chartHeight;
    const int listWidth = std::clamp(leftWidth * 30 / 100, s(230), s(380));
    Place(chart_.Handle(), left, chartTop, leftWidth - listWidth - gap, chartHeight);
    Place(capability_.Handle(), left + leftWidth - listWidth, chartTop, listWidth, chartHeight);
    RECT gridRoom{};
    GetClientRect(capability_.Handle(), &gridRoom);
    const int numbers = s(56);
    capability_.SetColWidth(1, numbers);
    capability_.SetColWidth(2, numbers);
    capability_.SetColWidth(0, std::max(static_cast<int>(gridRoom.right) - 2 * numbers, s(40)));

    ArrangeTiles({left, top, left + leftWidth, chartTop - gap});
    // The controls were moved without painting: all of it at once now.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void StationWindow::ArrangeTiles(const RECT& room) {
    Place(board_.Handle(), room.left, room.top, room.right - room.left, room.bottom - room.top);
    const std::vector<int>& channels = session_.Model().Channels();
    const int count = static_cast<int>(channels.size());
    if (count == 0) return;
    const int gap = ui::ScaleForDpi(6, dpi_);
    const int width = room.right - room.left + gap;
    const int height = room.bottom - room.top + gap;
    const TileGrid grid = TileGridFor(count, width, height);
    const int tileWidth = width / grid.columns - gap;
    const int tileHeight = height / grid.rows - gap;

    if (tileFontsFor_ != tileHeight * 10000 + tileWidth) {
        tileFontsFor_ = tileHeight * 10000 + tileWidth;
        const auto s = [&](int value) { return ui::ScaleForDpi(value, dpi_); };
        tileName_ = ui::CreateSongFont(std::clamp(tileHeight * 14 / 100, s(13), s(30)), true).font;
        tileSmall_ = ui::CreateSongFont(std::clamp(tileHeight * 10 / 100, s(11), s(18))).font;
        // The number as large as the tile lets the widest one be.
        int valueHeight = std::max(tileHeight * 40 / 100, s(12));
        tileValue_ = ui::CreateSongFont(valueHeight, true).font;
        const ui::WindowDc dc(hwnd_);
        SIZE extent{};
        {
            const ui::SelectedObject chosen(dc.Get(), tileValue_.Get());
            GetTextExtentPoint32W(dc.Get(), L"-888.888", 8, &extent);
        }
        const int fits = tileWidth - 2 * std::max(3, tileHeight / 24);
        if (extent.cx > fits) {
            valueHeight = std::max(valueHeight * fits / std::max(static_cast<int>(extent.cx), 1), s(10));
            tileValue_ = ui::CreateSongFont(valueHeight, true).font;
        }
        tileFonts_ = TileFontsOf(dc.Get(), tileName_.Get(), tileValue_.Get(), tileSmall_.Get());
    }
    tileRects_ = {};
    for (int i = 0; i < count; ++i) {
        const int column = i % grid.columns;
        const int row = i / grid.columns;
        const int left = column * (tileWidth + gap);
        const int top = row * (tileHeight + gap);
        tileRects_[static_cast<std::size_t>(channels[static_cast<std::size_t>(i)] - 1)] = {left, top, left + tileWidth,
                                                                                           top + tileHeight};
    }
    ShowBoardText();
}

void StationWindow::Started() {
    if (session_.FirstStart()) OpenSetup();
    ShowProblems();
    const Status started = session_.Start();
    if (!started) {
        driverProblem_ = started.Failure().Text();
        Message(driverProblem_, windowTexts_->startFailed, MB_OK | MB_ICONERROR);
    }
    ShowStatus();
    SetFocus(controls_[ids::kPartId]);
}

void StationWindow::ShowProblems() {
    const std::vector<std::string>& problems = session_.Problems();
    if (problems.empty()) return;
    std::string text;
    for (const std::string& p : problems) text += p + "\n";
    Message(text, windowTexts_->problemsTitle, MB_OK | MB_ICONWARNING);
}

void StationWindow::Tick() {
    Refresh(session_.Tick());
    // The broker's state as it changes (a part queued, the link back).
    const std::pair<bool, size_t> publish{session_.PublishConnected(), session_.PublishQueued()};
    if (!session_.Settings().publishUrl.empty() && publish != publishShown_) {
        publishShown_ = publish;
        ShowStatus();
    }
    if (--masterCheck_ <= 0) {
        masterCheck_ = kMasterCheckTicks;
        ShowMasterBar();
    }
}

void StationWindow::Refresh(uint32_t changed) {
    if (changed == 0) return;
    // One invalidation for all: each is a trip to the window system.
    RECT dirty{};
    for (int channel = 1; channel <= quality::kChannels; ++channel) {
        if (((changed >> (channel - 1)) & 1u) == 0) continue;
        const RECT tile = ShowTile(channel);
        UnionRect(&dirty, &dirty, &tile);
    }
    board_.Invalidate(dirty);
    ShowBoardText();
}

RECT StationWindow::ShowTile(int channel) {
    const Station& model = session_.Model();
    if (!model.Settings().Chosen(channel)) return {};
    const auto index = static_cast<std::size_t>(channel - 1);
    TilePicture& tile = pictures_[index];
    tile.name = Widen(model.Name(channel));
    tile.state = model.Tile(channel);
    tile.noSignal = Widen(texts_->noSignal);
    tile.selected = model.Selected() == channel;
    tile.lower.clear();
    tile.upper.clear();
    if (const auto& limits = model.Limits().For(channel)) {
        const int decimals = model.Settings().Decimals(channel);
        tile.lower = Widen(quality::MillimetreText(limits->LowerLimit(), decimals));
        tile.upper = Widen(quality::MillimetreText(limits->UpperLimit(), decimals));
    }
    return tileRects_[index];
}

void StationWindow::Capture() {
    if (!session_.Running()) {
        MessageBeep(MB_ICONWARNING);
        ui::SetText(controls_[ids::kStatusBar], windowTexts_->noCapture);
        return;
    }
    std::string id = FieldText(ids::kPartId);
    session_.Capture(std::move(id));
    SetWindowTextW(controls_[ids::kPartId], L"");
    ShowVerdict();
    // The verdict first, at once: it is what the operator waits for.
    UpdateWindow(verdict_.Handle());
    // A rule the part broke turns its tile amber now: no tick reports it,
    // the reading itself has not changed.
    Refresh(session_.Settings().channels);
    ShowCounters();
    ShowChart();
    ShowCapability();
    ShowStatus();
    SetFocus(controls_[ids::kPartId]);
}

void StationWindow::ShowVerdict() {
    const Station& model = session_.Model();
    const std::optional<PartResult>& part = model.LastPart();
    VerdictPicture& v = verdictPicture_;
    if (!part) {
        v = {VerdictPicture::Kind::None, Widen(windowTexts_->pressToCapture), L"", L""};
        verdict_.SetState(ids::kVerdictNone);
        SetWindowTextW(verdict_.Handle(), v.headline.c_str());
    } else {
        const bool ok = part->verdict.Ok();
        v.kind = ok ? VerdictPicture::Kind::Ok : VerdictPicture::Kind::Nok;
        v.headline = Widen(ok ? texts_->ok : texts_->nok);
        std::string detail;
        if (!part->verdict.outside.empty())
            detail += std::string(texts_->outside) + " " + Joined(model, part->verdict.outside);
        if (!part->verdict.missing.empty())
            detail += (detail.empty() ? "" : "\n") + std::string(texts_->missing) + " " +
                      Joined(model, part->verdict.missing);
        v.detail = Widen(detail);
        char number[64];
        std::snprintf(number, sizeof number, windowTexts_->part, static_cast<unsigned long long>(part->number));
        v.part = Widen(number) + (part->identity.id.empty() ? L"" : L"   " + Widen(part->identity.id));
        verdict_.SetState(ok ? ids::kVerdictOk : ids::kVerdictNok);
        SetWindowTextW(verdict_.Handle(), Widen(part->Text(model)).c_str());
    }
    verdict_.Invalidate();
}

void StationWindow::ShowCounters() {
    const Station& model = session_.Model();
    ui::SetText(controls_[ids::kParts], std::string(texts_->parts) + "  " + std::to_string(model.Parts()));
    ui::SetText(controls_[ids::kNokParts], std::string(texts_->nokParts) + "  " + std::to_string(model.NokParts()));
    const std::optional<double> yield = model.YieldPercent();
    ui::SetText(controls_[ids::kYield],
                std::string(texts_->yield) + "  " + (yield ? quality::DecimalText(*yield, 1) + " %" : "—"));
}

void StationWindow::ShowChart() {
    const Station& model = session_.Model();
    ChartPicture& c = chartPicture_;
    c.panel = model.Chart(model.Selected());
    int broken = 0;
    for (const ChartPanel::Point& p : c.panel.points) broken += (p.locationBroken || p.spreadBroken) ? 1 : 0;
    std::string state;
    if (!c.panel.limits) {
        char text[128];
        std::snprintf(text, sizeof text, texts_->baseline, static_cast<int>(c.panel.parts),
                      static_cast<int>(c.panel.baselineParts));
        state = text;
    } else {
        state = broken > 0 ? texts_->ruleBroken : texts_->inControl;
    }
    c.broken = broken > 0;
    c.heading = Widen(std::string(texts_->chart) + "  " + model.Name(model.Selected()) + "  I-MR   " + state);
    chart_.SetState(broken);
    SetWindowTextW(chart_.Handle(), c.heading.c_str());
    chart_.Invalidate();
}

void StationWindow::ShowCapability() {
    const Station& model = session_.Model();
    const std::vector<CapabilityRow> rows = model.WorstFirst();
    capabilityChannels_.clear();
    capability_.BeginUpdate();
    capability_.SetRowCount(static_cast<int>(rows.size()) + 1);
    capability_.SetCell(0, 0, Widen(windowTexts_->characteristic));
    capability_.SetCell(1, 0, L"Ppk");
    capability_.SetCell(2, 0, Widen(windowTexts_->count));
    int r = 1;
    for (const CapabilityRow& row : rows) {
        capabilityChannels_.push_back(row.channel);
        capability_.SetCell(0, r, Widen(model.Name(row.channel)));
        capability_.SetCell(1, r, row.ppk ? Widen(quality::DecimalText(*row.ppk, 2)) : Widen(windowTexts_->noPpk));
        capability_.SetCell(2, r, std::to_wstring(row.count));
        ++r;
    }
    capability_.EndUpdate();
}

void StationWindow::ShowStatus() {
    const HWND status = controls_[ids::kStatusBar];
    std::string first;
    if (!driverProblem_.empty())
        first = driverProblem_;
    else if (!session_.RecordsStatus())
        first = std::string(texts_->recordsFailed) + ": " + session_.RecordsStatus().Failure().Text();
    if (session_.RecordsWaiting() > 0) {
        char waiting[128];
        std::snprintf(waiting, sizeof waiting, windowTexts_->waiting, session_.RecordsWaiting());
        first += (first.empty() ? "" : "  ") + std::string(waiting);
    }
    // The plant's broker, when the station publishes: up, or how many parts wait for it.
    if (!session_.Settings().publishUrl.empty()) {
        char publish[160];
        if (session_.PublishConnected())
            std::snprintf(publish, sizeof publish, "%s", windowTexts_->publishUp);
        else
            std::snprintf(publish, sizeof publish, windowTexts_->publishDown, session_.PublishQueued());
        first += (first.empty() ? "" : "  ") + std::string(publish);
    }
    const std::string path =
        session_.RecordsPath().empty() ? session_.Settings().recordsFolder : session_.RecordsPath();
    SendMessageW(status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(Widen(first).c_str()));
    SendMessageW(status, SB_SETTEXTW, 1,
                 reinterpret_cast<LPARAM>(Widen(Printed(windowTexts_->recordsTo, path)).c_str()));
}

void StationWindow::ShowMasterBar() {
    const bool due = session_.MasterDue();
    if (due) {
        std::string text = texts_->masterDue;
        text += "   ";
        if (const auto& last = session_.Settings().lastMaster) {
            char when[32];
            std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d", last->year, last->month, last->day, last->hour,
                          last->minute);
            text += Printed(windowTexts_->lastMaster, when);
        } else {
            text += texts_->neverMastered;
        }
        masterText_ = Widen(text);
        SetWindowTextW(masterBar_.Handle(), masterText_.c_str());
    }
    if (due == masterShown_) return;
    masterShown_ = due;
    ui::Show(masterBar_.Handle(), due);
    Arrange();
}

void StationWindow::Select(int channel) {
    Station& model = session_.Model();
    const int before = model.Selected();
    model.Select(channel);
    board_.Invalidate(ShowTile(before));
    board_.Invalidate(ShowTile(channel));
    ShowChart();
    ShowBoardText();
}

void StationWindow::ZeroOnMaster() {
    if (Message(texts_->confirmMaster, texts_->zeroOnMaster, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    const Status zeroed = session_.ZeroOnMaster();
    if (!zeroed) Message(zeroed.Failure().Text(), windowTexts_->masterFailed, MB_OK | MB_ICONERROR);
    ShowMasterBar();
}

void StationWindow::NewShift() {
    const Status saved = session_.NewShift(FieldText(ids::kBatch), FieldText(ids::kOperator));
    if (!saved) Message(saved.Failure().Text(), windowTexts_->shiftFailed, MB_OK | MB_ICONERROR);
    ShowCounters();
    ShowCapability();
    ShowChart();
}

void StationWindow::WriteReport() {
    const Result<std::string> report = session_.WriteReport();
    if (!report) {
        Message(report.Failure().Text(), windowTexts_->reportFailed, MB_OK | MB_ICONERROR);
        return;
    }
    const auto opened = reinterpret_cast<INT_PTR>(
        ShellExecuteW(hwnd_, L"open", Widen(*report).c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    // Without a program for web pages the report is still there: say where.
    if (opened <= 32) Message(*report, texts_->report, MB_OK | MB_ICONINFORMATION);
}

void StationWindow::OpenSetup() {
    const bool applied = RunSetupDialog(hwnd_, session_.Settings(),
                                        [this](const StationSettings& settings) { return session_.Apply(settings); });
    if (!applied) return;
    ShowTexts();
    Arrange();
    ResetTiles();
    ShowProblems();
}

void StationWindow::Command(int id, int code) {
    if (id == ids::kTiles) {
        const POINT click = board_.LastClick();
        for (int channel : session_.Model().Channels())
            if (PtInRect(&tileRects_[static_cast<std::size_t>(channel - 1)], click)) Select(channel);
        SetFocus(controls_[ids::kPartId]);
        return;
    }
    if (code != BN_CLICKED) return;
    switch (id) {
        case IDOK:  // Enter where no control takes it
        case ids::kCapture:
            Capture();
            break;
        case ids::kNewShift:
            NewShift();
            break;
        case ids::kZeroOnMaster:
            ZeroOnMaster();
            break;
        case ids::kReport:
            WriteReport();
            break;
        case ids::kDriverWindow:
            session_.ShowDriverWindow();
            break;
        case ids::kSetup:
            OpenSetup();
            break;
        default:
            return;
    }
    // Back to the scanner's field: a button keeping the focus would take the
    // next Enter as its own click.
    if (hwnd_ != nullptr) SetFocus(controls_[ids::kPartId]);
}

bool StationWindow::PreTranslate(const MSG& message) {
    if (hwnd_ == nullptr || (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN)) return false;
    if (message.hwnd != hwnd_ && !IsChild(hwnd_, message.hwnd)) return false;
    if (!IsWindowEnabled(hwnd_)) return false;  // a modal box or the setup is up
    const auto key = static_cast<UINT>(message.wParam);
    const bool repeat = (message.lParam & (1L << 30)) != 0;
    const bool inPartId = FocusIn(ids::kPartId);
    const bool inText = inPartId || FocusIn(ids::kBatch) || FocusIn(ids::kOperator);
    const auto pedal = CaptureKeyOf(session_.Settings().captureKey);
    const bool isPedal = pedal && VirtualKeyOf(*pedal) == key;
    // A key that types (a letter, a digit) captures only where nothing is typed.
    const bool typing = pedal && pedal->kind == CaptureKey::Kind::Character && inText;
    if (isPedal && !typing) {
        // A held pedal repeats its key: one part per press.
        if (!repeat) Capture();
        return true;
    }
    if (key == VK_SPACE && inPartId) {
        // Identities hold no blanks: Space in the field is the capture key.
        if (!repeat) Capture();
        return true;
    }
    if (key == VK_RETURN && inText) {
        if (repeat) return true;
        if (inPartId) {
            // A scanner ends its code with Enter: with "scan then capture"
            // that is the capture; otherwise the identity waits for the
            // pedal, and Enter in the empty field captures.
            if (session_.Settings().scanThenCapture || FieldText(ids::kPartId).empty())
                Capture();
            else
                SendMessageW(controls_[ids::kPartId], EM_SETSEL, 0, -1);
        } else {
            SetFocus(controls_[ids::kPartId]);  // Enter ends the batch or operator typed
        }
        return true;
    }
    return false;
}

bool StationWindow::FocusIn(int id) const {
    const HWND focus = GetFocus();
    return focus != nullptr && focus == controls_[id];
}

std::string StationWindow::FieldText(int id) const {
    const HWND field = controls_[id];
    const int length = GetWindowTextLengthW(field);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(field, text.data(), length + 1)));
    const auto first = text.find_first_not_of(L" \t");
    const auto last = text.find_last_not_of(L" \t");
    return first == std::wstring::npos ? std::string() : Narrow(text.substr(first, last - first + 1));
}

int StationWindow::Message(const std::string& text, const std::string& caption, UINT type) const {
    return MessageBoxW(hwnd_, Widen(text).c_str(), Widen(caption).c_str(), type);
}

LRESULT StationWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kTimer && !closed_) Tick();
            return 0;
        case kMsgStarted:
            Started();
            return 0;
        case WM_COMMAND:
            Command(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->idFrom == ids::kCapability && header->code == TGN_SELCHANGED) {
                const auto* change = reinterpret_cast<const NMTEXTGRID*>(lParam);
                const int row = change->row - 1;
                if (row >= 0 && row < static_cast<int>(capabilityChannels_.size()))
                    Select(capabilityChannels_[static_cast<std::size_t>(row)]);
            }
            return 0;
        }
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) Arrange();
            return 0;
        case WM_GETMINMAXINFO: {
            auto* limits = reinterpret_cast<MINMAXINFO*>(lParam);
            limits->ptMinTrackSize = {ui::ScaleForDpi(800, dpi_), ui::ScaleForDpi(600, dpi_)};
            // Across monitors too, not only as large as the first one.
            limits->ptMaxTrackSize = {GetSystemMetrics(SM_CXVIRTUALSCREEN) * 2,
                                      GetSystemMetrics(SM_CYVIRTUALSCREEN) * 2};
            return 0;
        }
        case WM_ACTIVATE:
            // Back to the window, the scanner's field has the focus again.
            if (LOWORD(wParam) != WA_INACTIVE) SetFocus(controls_[ids::kPartId]);
            return 0;
        case WM_CLOSE:
            DestroyWindow(hwnd_);
            return 0;
        case WM_DESTROY:
            if (!closed_) {
                closed_ = true;
                KillTimer(hwnd_, kTimer);
                session_.End();
            }
            ui::UnbindWindowObject(hwnd_);
            hwnd_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd_, message, wParam, lParam);
    }
}

}  // namespace vexla::station

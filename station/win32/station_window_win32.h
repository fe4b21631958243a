#pragma once
// StationWindow: the inspection station's one window. It draws what the
// session holds (a tile per characteristic, the last part's verdict, the
// shift's counters, the selected characteristic's chart and the Ppk list)
// and hands the operator's keys and clicks and its 50 ms timer to the
// session. Everything it shows is also in its controls' texts, so that a
// test in another process reads what the operator sees.

#include <windows.h>

#include <array>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "station/model/station_session.h"
#include "station/model/station_texts.h"
#include "station_paint_win32.h"
#include "ui/win32/child_controls.h"
#include "ui/win32/gdi.h"
#include "ui/win32/object_window.h"
#include "ui/win32/painted_view.h"
#include "ui/win32/text_grid.h"
#include "window_texts.h"

namespace vexla::station {

class StationWindow {
  public:
    static constexpr wchar_t kClassName[] = L"VexlaStation";
    // The client area a first start opens with, at 96 dpi.
    static constexpr int kClientWidth = 1024;
    static constexpr int kClientHeight = 700;
    static constexpr UINT kTickMs = 50;

    explicit StationWindow(StationSession& session);
    ~StationWindow();
    StationWindow(const StationWindow&) = delete;
    StationWindow& operator=(const StationWindow&) = delete;

    // Null when the window could not be created.
    HWND Handle() const { return hwnd_; }
    // The message loop's filter: the capture keys wherever the focus is.
    bool PreTranslate(const MSG& message);

    // One tick as the timer runs it; and its drawing part alone, for the
    // tiles of the channels in `changed` (bit c - 1 for channel c).
    void Tick();
    void Refresh(uint32_t changed);
    // One part, as the operator's key or button takes it.
    void Capture();

  private:
    friend LRESULT CALLBACK ui::ObjectWindowProc<StationWindow>(HWND, UINT, WPARAM, LPARAM);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    void CreateControls();
    void ResetTiles();
    void PaintBoard(HDC dc, const RECT& dirty);
    void ShowBoardText();
    void Arrange();
    void ArrangeTiles(const RECT& room);
    void MakeFonts();
    void ShowTexts();
    void Started();
    void Command(int id, int code);

    // The tile's picture anew; the part of the board to paint again (empty
    // for a tile not shown).
    RECT ShowTile(int channel);
    void ShowVerdict();
    void ShowCounters();
    void ShowChart();
    void ShowCapability();
    void ShowStatus();
    void ShowMasterBar();
    void Select(int channel);

    void ZeroOnMaster();
    void NewShift();
    void WriteReport();
    void OpenSetup();
    void ShowProblems();
    std::string FieldText(int id) const;
    bool FocusIn(int id) const;
    int Message(const std::string& text, const std::string& caption, UINT type) const;

    StationSession& session_;
    const StationTexts* texts_;
    const WindowTexts* windowTexts_;
    HWND hwnd_ = nullptr;
    UINT dpi_ = 96;
    ui::ChildControls controls_;
    ui::TextGrid capability_;
    std::vector<int> capabilityChannels_;  // the list's rows below its heading
    ui::PaintedView masterBar_;
    ui::PaintedView verdict_;
    ui::PaintedView chart_;
    // Every tile on one board: one paint and one copy to the screen a tick,
    // however many tiles changed.
    ui::PaintedView board_;
    std::array<RECT, quality::kChannels> tileRects_{};  // in the board
    std::array<TilePicture, quality::kChannels> pictures_;
    VerdictPicture verdictPicture_;
    ChartPicture chartPicture_;
    std::wstring masterText_;
    bool masterShown_ = false;
    int masterCheck_ = 0;  // ticks until the reminder is looked at again

    ui::GdiFont controlFont_;
    ui::GdiFont gridFont_;
    ui::GdiFont captureFont_;
    ui::GdiFont verdictFont_;
    ui::GdiFont headingFont_;
    ui::GdiFont smallFont_;
    ui::GdiFont tileName_;
    ui::GdiFont tileValue_;
    ui::GdiFont tileSmall_;
    int tileFontsFor_ = 0;  // the tile size the tile fonts were made for
    TileFonts tileFonts_;
    HICON icon_ = nullptr;
    std::string driverProblem_;
    std::pair<bool, size_t> publishShown_{true, 0};  // the broker's state in the status bar
    bool closed_ = false;
};

}  // namespace vexla::station

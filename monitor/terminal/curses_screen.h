#pragma once
// The monitor drawn with ncurses (wide characters): the whole screen once
// after start and after each resize, then only the cells and lines that
// changed. The terminal is restored when the object goes, on every path out.
// Displacements and their extremes outside a channel's limits are coloured
// (bold and underlined on a terminal without colours).

#include <curses.h>

#include <memory>
#include <string>

#include "channel_statistics.h"
#include "monitor/model/monitor_model.h"
#include "screen_layout.h"
#include "screen_texts.h"

namespace vexla::monitor::terminal {

struct Input {
    enum class Kind { None, Character, Up, Down, Left, Right, Enter, Escape, Click, Resize, HangUp };
    Kind kind = Kind::None;
    wchar_t character = 0;
    int y = 0;  // a click's screen position
    int x = 0;
};

class CursesScreen {
  public:
    // Null when the terminal cannot be driven (an unknown TERM). The
    // statistics are read at every paint and must outlive the screen.
    static std::unique_ptr<CursesScreen> Open(const ChannelStatistics& statistics);
    ~CursesScreen();
    CursesScreen(const CursesScreen&) = delete;
    CursesScreen& operator=(const CursesScreen&) = delete;

    // The arrangement for the terminal's present size, and everything drawn anew.
    void Relayout(const MonitorModel& model);
    // Another view, drawn anew.
    void Show(View view, const MonitorModel& model);
    const ScreenLayout& Layout() const { return layout_; }

    void PaintCell(const MonitorModel& model, CellRef cell);
    // A channel's minimum, maximum and range, where the view shows them.
    void PaintStatistics(int channel);
    void PaintControls(const MonitorModel& model);
    void PaintActions(const MonitorModel& model);
    // A message of the driver on the help line; empty: the help again.
    void ShowMessage(std::string message);
    void Beep();
    // Sends what was painted since the last call, if anything was.
    void Flush();

    // Waits up to timeoutMs for a key, a click or a resize; HangUp when the
    // terminal has gone.
    Input Read(int timeoutMs);

  private:
    struct Style {
        attr_t attribute = A_NORMAL;
        short pair = 0;
    };

    CursesScreen(SCREEN* screen, const ChannelStatistics& statistics) : screen_(screen), statistics_(statistics) {}
    Style StyleOf(std::optional<quality::Judgement> judgement) const;
    void PaintHelp();
    void PaintAll(const MonitorModel& model);
    void PaintLine(int y, const TextLine& line);
    void PaintTooSmall();

    SCREEN* screen_;
    const ChannelStatistics& statistics_;
    bool colours_ = false;
    View view_ = View::Readings;
    ScreenLayout layout_ = ScreenLayout::For({});
    std::string message_;
    Size size_;
    bool dirty_ = false;
};

}  // namespace vexla::monitor::terminal

#pragma once
// The monitor drawn with ncurses (wide characters): the whole screen once
// after start and after each resize, then only the cells and lines that
// changed. The terminal is restored when the object goes, on every path out.

#include <curses.h>

#include <memory>
#include <string>

#include "model/monitor_model.h"
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
    // Null when the terminal cannot be driven (an unknown TERM).
    static std::unique_ptr<CursesScreen> Open();
    ~CursesScreen();
    CursesScreen(const CursesScreen&) = delete;
    CursesScreen& operator=(const CursesScreen&) = delete;

    // The arrangement for the terminal's present size, and everything drawn anew.
    void Relayout(const MonitorModel& model);
    const ScreenLayout& Layout() const { return layout_; }

    void PaintCell(const MonitorModel& model, CellRef cell);
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
    explicit CursesScreen(SCREEN* screen) : screen_(screen) {}
    void PaintHelp();
    void PaintAll(const MonitorModel& model);
    void PaintLine(int y, const TextLine& line);
    void PaintTooSmall();

    SCREEN* screen_;
    ScreenLayout layout_ = ScreenLayout::For({});
    std::string message_;
    Size size_;
    bool dirty_ = false;
};

}  // namespace vexla::monitor::terminal

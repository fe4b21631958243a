#pragma once
// The station drawn with ncurses (wide characters): the whole screen after
// start and after each resize, then only what changed. Tiles are blocks of
// colour (green, amber, red, grey while silent); on a terminal without
// colours the judgement shows as plain, bold, reverse and dim. The terminal
// is restored when the object goes, on every path out.

#include <curses.h>

#include <memory>
#include <string>

#include "station/model/station_session.h"
#include "station/model/station_texts.h"
#include "station_keys.h"
#include "station_layout.h"
#include "terminal_texts.h"

namespace vexla::station::terminal {

// What the shell holds beside the session: the identity being typed, a
// question or answer being asked for, and the last message.
struct ShellState {
    std::string identity;
    bool typing = false;
    std::string prompt;  // empty: no question open
    std::string answer;
    std::string message;
    bool messageIsFault = false;
    std::string help;
};

class StationScreen {
  public:
    // Null when the terminal cannot be driven (an unknown TERM).
    static std::unique_ptr<StationScreen> Open(const StationSession& session, const ShellState& shell);
    ~StationScreen();
    StationScreen(const StationScreen&) = delete;
    StationScreen& operator=(const StationScreen&) = delete;

    // The arrangement for the terminal's present size, and everything drawn anew.
    void Relayout();
    const StationLayout& Layout() const { return layout_; }

    void PaintTile(int index);
    void PaintTiles();
    void PaintTitle();
    void PaintIdentity();
    void PaintVerdict();
    void PaintWarning(bool masterDue);
    void PaintPanel();
    void PaintMessage();
    void Beep();
    // Sends what was painted since the last call, if anything was.
    void Flush();

    // Waits up to timeoutMs for a key; Key::Kind::HangUp when the terminal has gone.
    Key Read(int timeoutMs);

  private:
    StationScreen(SCREEN* screen, const StationSession& session, const ShellState& shell)
        : screen_(screen), session_(session), shell_(shell) {}
    void PaintAll();
    void PaintTooSmall();
    void PaintHelp();
    void Line(int y, const std::string& text, attr_t attribute = A_NORMAL, short pair = 0);

    SCREEN* screen_;
    const StationSession& session_;
    const ShellState& shell_;
    bool colours_ = false;
    bool masterDue_ = false;
    StationLayout layout_;
    bool dirty_ = false;
};

}  // namespace vexla::station::terminal

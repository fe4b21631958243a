#include "curses_screen.h"

#include <curses.h>
#include <poll.h>
#include <unistd.h>

#include <string>

#include "ui/terminal/display_width.h"

namespace vexla::monitor::terminal {

using ui::terminal::Align;
using ui::terminal::CellsOf;
using ui::terminal::Fit;
using ui::terminal::FitNumber;
using ui::terminal::WideOf;

namespace {

attr_t AttributeOf(Look look) {
    switch (look) {
        case Look::Plain:
            return A_NORMAL;
        case Look::Key:
            return A_BOLD;
        case Look::Chosen:
            return A_REVERSE;
        case Look::Disabled:
            return A_DIM;
    }
    return A_NORMAL;
}

// Colour pairs of the judgements.
constexpr short kPairOk = 1;
constexpr short kPairLow = 2;
constexpr short kPairHigh = 3;

void PutAt(int y, int x, const std::wstring& text, attr_t attribute, short pair = 0) {
    attr_set(attribute, pair, nullptr);
    mvaddnwstr(y, x, text.c_str(), static_cast<int>(text.size()));
    attr_set(A_NORMAL, 0, nullptr);
}

Align AlignOf(CellKind kind) {
    return kind == CellKind::DisplayValue || kind == CellKind::Displacement || kind == CellKind::Rate ? Align::Right
                                                                                                      : Align::Left;
}

}  // namespace

std::unique_ptr<CursesScreen> CursesScreen::Open(const ChannelStatistics& statistics) {
    // Esc quits: wait only briefly for the rest of an escape sequence.
    set_escdelay(100);
    // newterm, not initscr: a terminal it cannot drive is an answer here,
    // not an exit from inside the library.
    SCREEN* screen = newterm(nullptr, stdout, stdin);
    if (screen == nullptr) return nullptr;
    std::unique_ptr<CursesScreen> curses(new CursesScreen(screen, statistics));
    cbreak();
    noecho();
    nonl();  // Enter arrives as '\r' and output keeps its line feeds
    keypad(stdscr, TRUE);
    curs_set(0);
    // Clicks at once, not after the double-click interval.
    mouseinterval(0);
    mousemask(BUTTON1_PRESSED | BUTTON1_CLICKED, nullptr);
    if (has_colors() && start_color() == OK) {
        // The terminal's own background, where it lets us keep it.
        const short background = use_default_colors() == OK ? -1 : COLOR_BLACK;
        init_pair(kPairOk, COLOR_GREEN, background);
        init_pair(kPairLow, COLOR_BLUE, background);
        init_pair(kPairHigh, COLOR_RED, background);
        curses->colours_ = true;
    }
    return curses;
}

CursesScreen::~CursesScreen() {
    endwin();
    delscreen(screen_);
}

void CursesScreen::Relayout(const MonitorModel& model) {
    int height = 0;
    int width = 0;
    getmaxyx(stdscr, height, width);
    size_ = {width, height};
    layout_ = ScreenLayout::For(size_, view_);
    PaintAll(model);
}

void CursesScreen::Show(View view, const MonitorModel& model) {
    view_ = view;
    Relayout(model);
}

void CursesScreen::PaintAll(const MonitorModel& model) {
    erase();
    dirty_ = true;
    if (!layout_.Fits()) {
        PaintTooSmall();
        return;
    }
    PaintLine(layout_.TitleRow(), TitleLine());
    for (int x : layout_.RuleColumns()) {
        mvvline(layout_.GridTop(), x, ACS_VLINE, layout_.GridLines());
        mvaddch(layout_.SeparatorRow(), x, ' ');
    }
    for (int row = 0; row < kGridRows; ++row)
        for (int col = 0; col < kGridColumns; ++col) PaintCell(model, {col, row});
    // The headings of the columns the model has no cells for.
    for (const BlockColumn& entry : ColumnsOf(view_)) {
        if (entry.column <= Column::Rate) continue;
        for (int channel = 0; channel < kChannels; channel += 4) {
            const Placement p = layout_.PlaceHeading(channel, entry.column);
            if (p.shown) PutAt(p.y, p.x, Fit(WideOf(entry.heading), p.width, Align::Right), A_BOLD);
        }
    }
    for (int channel = 0; channel < kChannels; ++channel) PaintStatistics(channel);
    PaintControls(model);
    PaintActions(model);
    PaintHelp();
}

void CursesScreen::ShowMessage(std::string message) {
    message_ = std::move(message);
    PaintHelp();
}

void CursesScreen::PaintHelp() {
    if (!layout_.Fits()) return;
    PaintLine(layout_.HelpRow(), message_.empty() ? HelpLine() : TextLine{{message_, Look::Key}});
}

void CursesScreen::Beep() {
    beep();
}

void CursesScreen::PaintTooSmall() {
    const std::vector<std::string> lines = TooSmallMessage(ScreenLayout::Minimum(view_), size_, view_);
    for (std::size_t i = 0; i < lines.size() && static_cast<int>(i) < size_.height; ++i)
        PutAt(static_cast<int>(i), 0, Fit(WideOf(lines[i]), size_.width), A_BOLD);
}

void CursesScreen::PaintCell(const MonitorModel& model, CellRef cell) {
    const Placement p = layout_.Place(cell);
    if (!p.shown) return;
    const CellKind kind = CellAt(cell.col, cell.row).kind;
    Style style{kind == CellKind::Heading ? A_BOLD : A_NORMAL};
    if (kind == CellKind::Displacement)
        style = StyleOf(statistics_.JudgeDisplacement(CellAt(cell.col, cell.row).channel));
    if (cell == model.CurrentCell()) style.attribute |= A_REVERSE;
    PutAt(p.y, p.x, Fit(WideOf(model.Cell(cell.col, cell.row)), p.width, AlignOf(kind)), style.attribute, style.pair);
    dirty_ = true;
}

void CursesScreen::PaintStatistics(int channel) {
    struct Shown {
        Column column;
        std::string text;
        std::optional<quality::Judgement> judgement;
    };
    const Shown shown[] = {
        {Column::Minimum, statistics_.MinimumText(channel), statistics_.JudgeMinimum(channel)},
        {Column::Maximum, statistics_.MaximumText(channel), statistics_.JudgeMaximum(channel)},
        {Column::Range, statistics_.RangeText(channel), std::nullopt},
        // Out of control coloured as a reading above its limit.
        {Column::Chart, statistics_.ChartText(channel),
         statistics_.OutOfControl(channel) ? std::optional(quality::Judgement::High) : std::nullopt},
    };
    for (const Shown& s : shown) {
        const Placement p = layout_.Place(channel, s.column);
        if (!p.shown) continue;
        const Style style = StyleOf(s.judgement);
        PutAt(p.y, p.x, FitNumber(s.text, p.width), style.attribute, style.pair);
        dirty_ = true;
    }
}

CursesScreen::Style CursesScreen::StyleOf(std::optional<quality::Judgement> judgement) const {
    if (!judgement) return {};
    if (!colours_) return {*judgement == quality::Judgement::Ok ? A_NORMAL : A_BOLD | A_UNDERLINE};
    switch (*judgement) {
        case quality::Judgement::Ok:
            return {A_NORMAL, kPairOk};
        case quality::Judgement::Low:
            return {A_BOLD, kPairLow};
        case quality::Judgement::High:
            return {A_BOLD, kPairHigh};
    }
    return {};
}

void CursesScreen::PaintControls(const MonitorModel& model) {
    if (layout_.Fits()) PaintLine(layout_.ControlsRow(), ControlsLine(model.Hardware(), model.Mode()));
}

void CursesScreen::PaintActions(const MonitorModel& model) {
    if (layout_.Fits()) PaintLine(layout_.ActionsRow(), ActionsLine(model.SingleButton(), model.HwControls()));
}

void CursesScreen::PaintLine(int y, const TextLine& line) {
    move(y, layout_.Left());
    clrtoeol();
    int x = layout_.Left();
    const int end = layout_.Left() + kTextCells;
    for (const Piece& piece : line) {
        if (x >= end) break;
        const std::wstring text = WideOf(piece.text);
        const int cells = std::min(CellsOf(text), end - x);
        PutAt(y, x, Fit(text, cells), AttributeOf(piece.look));
        x += cells;
    }
    dirty_ = true;
}

void CursesScreen::Flush() {
    if (!dirty_) return;
    refresh();
    dirty_ = false;
}

Input CursesScreen::Read(int timeoutMs) {
    // Our own wait, so that a terminal that has gone ends the run instead of
    // answering every read at once; a resize interrupts it.
    pollfd terminal{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&terminal, 1, timeoutMs);
    timeout(0);
    wint_t key = 0;
    const int status = get_wch(&key);
    if (status == ERR) {
        const bool gone = ready > 0 && (terminal.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        return {gone ? Input::Kind::HangUp : Input::Kind::None};
    }
    if (status == OK) {
        if (key == L'\r' || key == L'\n') return {Input::Kind::Enter};
        if (key == 27) return {Input::Kind::Escape};
        return {Input::Kind::Character, static_cast<wchar_t>(key)};
    }
    switch (key) {
        case KEY_UP:
            return {Input::Kind::Up};
        case KEY_DOWN:
            return {Input::Kind::Down};
        case KEY_LEFT:
            return {Input::Kind::Left};
        case KEY_RIGHT:
            return {Input::Kind::Right};
        case KEY_ENTER:
            return {Input::Kind::Enter};
        case KEY_RESIZE:
            return {Input::Kind::Resize};
        case KEY_MOUSE: {
            MEVENT event{};
            if (getmouse(&event) != OK) return {};
            if ((event.bstate & (BUTTON1_PRESSED | BUTTON1_CLICKED)) == 0) return {};
            return {Input::Kind::Click, 0, event.y, event.x};
        }
        default:
            return {};
    }
}

}  // namespace vexla::monitor::terminal

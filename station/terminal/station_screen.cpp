#include "station_screen.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "chart_text.h"
#include "quality/millimetres.h"
#include "ui/terminal/display_width.h"

namespace vexla::station::terminal {

using ui::terminal::CellsOf;
using ui::terminal::Fit;
using ui::terminal::WideOf;

namespace {

// Colour pairs: the tiles' blocks, then coloured text.
constexpr short kPairGreenBlock = 1;
constexpr short kPairAmberBlock = 2;
constexpr short kPairRedBlock = 3;
constexpr short kPairGreyBlock = 4;
constexpr short kPairGreenText = 5;
constexpr short kPairRedText = 6;

struct Style {
    attr_t attribute = A_NORMAL;
    short pair = 0;
};

void PutAt(int y, int x, const std::wstring& text, Style style) {
    attr_set(style.attribute, style.pair, nullptr);
    mvaddnwstr(y, x, text.c_str(), static_cast<int>(text.size()));
    attr_set(A_NORMAL, 0, nullptr);
}

std::wstring Centred(const std::string& utf8, int cells) {
    const std::wstring text = WideOf(utf8);
    const int pad = std::max(0, (cells - CellsOf(text)) / 2);
    return Fit(std::wstring(static_cast<std::size_t>(pad), L' ') + text, cells);
}

std::string Number(uint64_t n) {
    return std::to_string(n);
}

}  // namespace

std::unique_ptr<StationScreen> StationScreen::Open(const StationSession& session, const ShellState& shell) {
    // Esc clears the identity: wait only briefly for the rest of an escape sequence.
    set_escdelay(100);
    // newterm, not initscr: a terminal it cannot drive is an answer here,
    // not an exit from inside the library.
    SCREEN* screen = newterm(nullptr, stdout, stdin);
    if (screen == nullptr) return nullptr;
    std::unique_ptr<StationScreen> curses(new StationScreen(screen, session, shell));
    cbreak();
    noecho();
    nonl();  // Enter arrives as '\r' and output keeps its line feeds
    keypad(stdscr, TRUE);
    curs_set(0);
    if (has_colors() && start_color() == OK) {
        const short background = use_default_colors() == OK ? -1 : COLOR_BLACK;
        // Bright black is grey where the terminal has sixteen colours; light
        // grey (white) under black text elsewhere.
        const bool sixteen = COLORS >= 16;
        init_pair(kPairGreenBlock, COLOR_BLACK, COLOR_GREEN);
        init_pair(kPairAmberBlock, COLOR_BLACK, COLOR_YELLOW);
        init_pair(kPairRedBlock, COLOR_WHITE, COLOR_RED);
        init_pair(kPairGreyBlock, sixteen ? COLOR_WHITE : COLOR_BLACK, sixteen ? 8 : COLOR_WHITE);
        init_pair(kPairGreenText, COLOR_GREEN, background);
        init_pair(kPairRedText, COLOR_RED, background);
        curses->colours_ = true;
    }
    return curses;
}

StationScreen::~StationScreen() {
    endwin();
    delscreen(screen_);
}

void StationScreen::Relayout() {
    int height = 0;
    int width = 0;
    getmaxyx(stdscr, height, width);
    layout_ = StationLayout::For({width, height}, static_cast<int>(session_.Model().Channels().size()));
    PaintAll();
}

void StationScreen::PaintAll() {
    erase();
    dirty_ = true;
    if (!layout_.Fits()) {
        PaintTooSmall();
        return;
    }
    PaintTitle();
    PaintIdentity();
    PaintVerdict();
    PaintWarning(masterDue_);
    PaintTiles();
    PaintPanel();
    PaintMessage();
    PaintHelp();
}

void StationScreen::PaintTooSmall() {
    const Size size = layout_.Screen();
    const std::string text = std::string(TerminalTextsFor(session_.Settings().language).tooSmall) + " (" +
                             std::to_string(size.width) + "x" + std::to_string(size.height) + ")";
    if (size.height > 0) PutAt(0, 0, Fit(WideOf(text), std::max(size.width - 1, 0)), {A_BOLD});
}

void StationScreen::Line(int y, const std::string& text, attr_t attribute, short pair) {
    // The last cell of the screen is left alone: writing it would scroll.
    const int cells = layout_.Screen().width - (y == layout_.Screen().height - 1 ? 1 : 0);
    move(y, 0);
    clrtoeol();
    PutAt(y, 0, Fit(WideOf(text), cells), {attribute, pair});
    dirty_ = true;
}

void StationScreen::PaintTile(int index) {
    if (!layout_.Fits() || index < 0 || index >= layout_.TileCount()) return;
    const Station& station = session_.Model();
    const StationTexts& texts = TextsFor(session_.Settings().language);
    const int channel = station.Channels()[static_cast<std::size_t>(index)];
    const TileState& tile = station.Tile(channel);
    const Box& box = layout_.Tile(index);

    Style block;
    if (colours_) {
        constexpr short pairs[] = {kPairGreenBlock, kPairAmberBlock, kPairRedBlock, kPairGreyBlock};
        block.pair = pairs[static_cast<int>(tile.colour)];
    } else {
        constexpr attr_t looks[] = {A_NORMAL, A_BOLD, A_REVERSE, A_DIM};
        block.attribute = looks[static_cast<int>(tile.colour)];
    }
    // The selected characteristic's name stands out of its block.
    Style name = block;
    if (channel == station.Selected()) name.attribute |= A_REVERSE | A_BOLD;
    PutAt(box.y, box.x, Fit(L" " + WideOf(station.Name(channel)), box.width), name);
    PutAt(box.y + 1, box.x, Centred(tile.silent ? texts.noSignal : tile.value, box.width),
          {block.attribute | A_BOLD, block.pair});
    const bool hasLimits = station.Limits().For(channel).has_value();
    const std::string bar = tile.silent ? std::string()
                            : hasLimits ? ToleranceBar(tile, box.width - 2)
                                        : std::string(texts.noLimits);
    PutAt(box.y + 2, box.x, Centred(bar, box.width), block);
    dirty_ = true;
}

void StationScreen::PaintTiles() {
    for (int i = 0; i < layout_.TileCount(); ++i) PaintTile(i);
}

void StationScreen::PaintTitle() {
    if (!layout_.Fits()) return;
    const StationTexts& texts = TextsFor(session_.Settings().language);
    const Station& station = session_.Model();
    const StationSettings& settings = session_.Settings();
    const std::optional<double> yield = station.YieldPercent();
    std::string text = std::string(texts.title) + "   " + texts.parts + " " + Number(station.Parts()) + "   " +
                       texts.nokParts + " " + Number(station.NokParts()) + "   " + texts.yield + " " +
                       (yield ? quality::DecimalText(*yield, 1) + " %" : std::string("-"));
    if (!settings.batch.empty()) text += std::string("   ") + texts.batch + " " + settings.batch;
    if (!settings.operatorName.empty()) text += std::string("   ") + texts.operatorName + " " + settings.operatorName;
    Line(StationLayout::TitleRow(), text, A_BOLD);
}

void StationScreen::PaintIdentity() {
    if (!layout_.Fits()) return;
    const StationTexts& texts = TextsFor(session_.Settings().language);
    std::string text = std::string(texts.partId) + ": " + shell_.identity;
    if (shell_.typing) {
        text += "_";
    } else if (!shell_.identity.empty()) {
        text += std::string("  ") + TerminalTextsFor(session_.Settings().language).nextPart;
    }
    Line(StationLayout::IdentityRow(), text);
}

void StationScreen::PaintVerdict() {
    if (!layout_.Fits()) return;
    const Station& station = session_.Model();
    const std::optional<PartResult>& part = station.LastPart();
    if (!part) return Line(StationLayout::VerdictRow(), "");
    const bool ok = part->verdict.Ok();
    std::string text = " #" + Number(part->number) + "  ";
    if (!part->identity.id.empty()) text += part->identity.id + "  ";
    text += part->Text(station);
    if (colours_) return Line(StationLayout::VerdictRow(), text, A_BOLD, ok ? kPairGreenBlock : kPairRedBlock);
    Line(StationLayout::VerdictRow(), text, ok ? A_BOLD : A_BOLD | A_REVERSE);
}

void StationScreen::PaintWarning(bool masterDue) {
    masterDue_ = masterDue;
    if (!layout_.Fits()) return;
    if (!masterDue) return Line(StationLayout::WarningRow(), "");
    const StationTexts& texts = TextsFor(session_.Settings().language);
    std::string text = std::string(" ") + texts.masterDue;
    if (!session_.Settings().lastMaster) text += std::string("  ") + texts.neverMastered;
    text += std::string("  (F2 ") + texts.zeroOnMaster + ")";
    if (colours_) return Line(StationLayout::WarningRow(), text, A_BOLD, kPairAmberBlock);
    Line(StationLayout::WarningRow(), text, A_BOLD);
}

void StationScreen::PaintPanel() {
    if (!layout_.Fits()) return;
    const Station& station = session_.Model();
    const StationTexts& texts = TextsFor(session_.Settings().language);
    const int channel = station.Selected();
    const ChartPanel chart = station.Chart(channel);

    bool broken = false;
    for (const ChartPanel::Point& p : chart.points) broken = broken || p.locationBroken || p.spreadBroken;
    std::string state;
    if (chart.limits) {
        state = broken ? texts.ruleBroken : texts.inControl;
    } else if (chart.baselineParts > 0) {
        char baseline[96];
        std::snprintf(baseline, sizeof baseline, texts.baseline, static_cast<int>(chart.parts),
                      static_cast<int>(chart.baselineParts));
        state = baseline;
    }
    Line(layout_.PanelRow(), std::string(texts.chart) + ": " + station.Name(channel) + "   " + state, A_BOLD,
         colours_ && chart.limits ? (broken ? kPairRedText : kPairGreenText) : 0);

    const int width = std::min(layout_.Screen().width, kChartLabelCells + kChartParts);
    const std::vector<std::string> rows =
        ChartText(chart, session_.Settings().Decimals(channel) + 1, width, layout_.ChartRows());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const int y = layout_.PanelRow() + 1 + static_cast<int>(r);
        Line(y, rows[r]);
        for (std::size_t x = 0; x < rows[r].size(); ++x) {
            if (rows[r][x] != 'X') continue;
            attr_set(A_BOLD, colours_ ? kPairRedText : 0, nullptr);
            mvaddch(y, static_cast<int>(x), 'X');
            attr_set(A_NORMAL, 0, nullptr);
        }
    }

    const char* none = TerminalTextsFor(session_.Settings().language).noPpk;
    std::string ppk = std::string(texts.capability) + ":";
    for (const CapabilityRow& row : station.WorstFirst())
        ppk += "  " + station.Name(row.channel) + " " + (row.ppk ? quality::DecimalText(*row.ppk, 2) : none);
    Line(layout_.CapabilityRow(), ppk);
}

void StationScreen::PaintMessage() {
    if (!layout_.Fits()) return;
    if (!shell_.prompt.empty()) return Line(layout_.MessageRow(), shell_.prompt + shell_.answer + "_", A_BOLD);
    if (shell_.messageIsFault) return Line(layout_.MessageRow(), shell_.message, A_BOLD, colours_ ? kPairRedText : 0);
    Line(layout_.MessageRow(), shell_.message);
}

void StationScreen::PaintHelp() {
    Line(layout_.HelpRow(), shell_.help, A_REVERSE);
}

void StationScreen::Beep() {
    beep();
}

void StationScreen::Flush() {
    if (!dirty_) return;
    refresh();
    dirty_ = false;
}

namespace {

Key KeyOf(int status, wint_t key) {
    using K = Key::Kind;
    if (status == OK) {
        switch (key) {
            case L'\r':
            case L'\n':
                return {K::Enter};
            case L'\t':
                return {K::Tab};
            case 27:
                return {K::Escape};
            case 8:
            case 127:
                return {K::Backspace};
            default:
                return {K::Character, static_cast<wchar_t>(key)};
        }
    }
    if (key >= static_cast<wint_t>(KEY_F(1)) && key <= static_cast<wint_t>(KEY_F(63)))
        return {K::Function, 0, static_cast<int>(key - KEY_F0)};
    switch (key) {
        case KEY_ENTER:
            return {K::Enter};
        case KEY_BTAB:
            return {K::BackTab};
        case KEY_BACKSPACE:
            return {K::Backspace};
        case KEY_UP:
            return {K::Up};
        case KEY_DOWN:
            return {K::Down};
        case KEY_LEFT:
            return {K::Left};
        case KEY_RIGHT:
            return {K::Right};
        case KEY_IC:
            return {K::Insert};
        case KEY_HOME:
            return {K::Home};
        case KEY_END:
            return {K::End};
        case KEY_PPAGE:
            return {K::PageUp};
        case KEY_NPAGE:
            return {K::PageDown};
        case KEY_RESIZE:
            return {K::Resize};
        default:
            return {};
    }
}

}  // namespace

Key StationScreen::Read(int timeoutMs) {
    // A scanner types a whole identity at once: what curses holds already
    // comes before any wait.
    timeout(0);
    wint_t key = 0;
    int status = get_wch(&key);
    if (status != ERR) return KeyOf(status, key);
    // Our own wait, so that a terminal that has gone ends the run instead of
    // answering every read at once; a resize interrupts it.
    pollfd terminal{STDIN_FILENO, POLLIN, 0};
    const int ready = ::poll(&terminal, 1, timeoutMs);
    status = get_wch(&key);
    if (status == ERR) {
        const bool gone = ready > 0 && (terminal.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
        return {gone ? Key::Kind::HangUp : Key::Kind::None};
    }
    return KeyOf(status, key);
}

}  // namespace vexla::station::terminal

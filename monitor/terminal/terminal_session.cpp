#include "terminal_session.h"

#include <string>

#include "curses_screen.h"
#include "ui/terminal/stderr_capture.h"
#include "ui/terminal/tick_clock.h"

namespace vexla::monitor::terminal {

using ui::terminal::StderrCapture;
using ui::terminal::TickClock;

namespace {

// How long a message of the driver stays on the help line after its last repetition.
constexpr auto kMessageShown = std::chrono::seconds(10);

class Session {
  public:
    Session(Monitor& monitor, CursesScreen& screen, StderrCapture& capture)
        : monitor_(monitor),
          model_(monitor.model),
          statistics_(monitor.statistics),
          screen_(screen),
          capture_(capture) {
        screen_.Relayout(model_);
    }

    // False when the user quits or the terminal has gone.
    bool Handle(const Input& input) {
        switch (input.kind) {
            case Input::Kind::None:
                return true;
            case Input::Kind::HangUp:
            case Input::Kind::Escape:
                return false;
            case Input::Kind::Resize:
                screen_.Relayout(model_);
                KeepSelectionShown();
                return true;
            default:
                break;
        }
        if (input.kind == Input::Kind::Character && (input.character == L'q' || input.character == L'Q')) return false;
        // Also on a screen too small for the view: the way back to one that fits.
        if (input.kind == Input::Kind::Character && (input.character == L't' || input.character == L'T')) {
            const View statistics = statistics_.HasCharts() ? View::Charts : View::Statistics;
            screen_.Show(screen_.Layout().Shown() == View::Readings ? statistics : View::Readings, model_);
            KeepSelectionShown();
            return true;
        }
        // Nothing acts unseen while the terminal is too small to show the grid.
        if (screen_.Layout().Fits()) Act(input);
        return true;
    }

    void Tick() {
        const HardwareControls before = model_.HwControls();
        ChannelSet statistics;
        for (const CellRef& cell : monitor_.Tick(statistics)) screen_.PaintCell(model_, cell);
        for (int c = 0; c < kChannels; ++c)
            if (statistics.test(static_cast<std::size_t>(c))) screen_.PaintStatistics(c);
        if (!(model_.HwControls() == before)) screen_.PaintActions(model_);
        ShowDriverMessages();
    }

    Input Read(int timeoutMs) { return screen_.Read(timeoutMs); }
    void Flush() { screen_.Flush(); }

  private:
    void Act(const Input& input) {
        switch (input.kind) {
            case Input::Kind::Up:
                return Select(screen_.Layout().Move(model_.CurrentCell(), 0, -1));
            case Input::Kind::Down:
                return Select(screen_.Layout().Move(model_.CurrentCell(), 0, 1));
            case Input::Kind::Left:
                return Select(screen_.Layout().Move(model_.CurrentCell(), -1, 0));
            case Input::Kind::Right:
                return Select(screen_.Layout().Move(model_.CurrentCell(), 1, 0));
            case Input::Kind::Click:
                if (const auto cell = screen_.Layout().CellUnder(input.y, input.x)) Select(*cell);
                return;
            case Input::Kind::Enter: {
                // The button is there only over a value cell.
                const SingleChannelButton button = model_.SingleButton();
                if (!button.visible) return;
                model_.SPBtnSigleCtrlClick();
                // The displacement follows the gauge's position count, which a
                // zero of the gauge's display leaves alone: only the
                // displacement's own zero makes it jump.
                if (button.command % 2 == 1) ChannelZeroed(button.command / 2);
                return;
            }
            case Input::Kind::Character:
                return Command(input.character);
            default:
                return;
        }
    }

    void Command(wchar_t key) {
        switch (key) {
            case L'z':
            case L'Z':
                model_.SpBtnDataZeroClick();
                statistics_.ZeroedAll();
                return PaintAllStatistics();
            case L'r':
            case L'R':
                statistics_.ResetAll();
                return PaintAllStatistics();
            case L'f':
            case L'F':
                // A disabled button cannot be pressed.
                if (model_.HwControls().groupEnabled) model_.SpBtnFastZeroClick();
                return;
            case L's':
            case L'S':
                if (model_.HwControls().groupEnabled) model_.SpBtnStdZeroClick();
                return;
            case L'h':
            case L'H':
                model_.SetHardwareType(model_.Hardware() == HardwareType::Percent ? HardwareType::Thousandth
                                                                                  : HardwareType::Percent);
                return screen_.PaintControls(model_);
            case L'm':
            case L'M':
                model_.SetDisplayMode(static_cast<DisplayMode>((static_cast<int>(model_.Mode()) + 1) % 3));
                return screen_.PaintControls(model_);
            default:
                return;
        }
    }

    void ShowDriverMessages() {
        const StderrCapture::Taken taken = capture_.Take();
        for (int i = 0; i < taken.bells; ++i) screen_.Beep();
        const auto now = TickClock::Clock::now();
        if (std::optional<std::string> message = StderrCapture::NewestMessage(taken.lines)) {
            screen_.ShowMessage(std::move(*message));
            messageUntil_ = now + kMessageShown;
            showing_ = true;
        } else if (showing_ && now >= messageUntil_) {
            screen_.ShowMessage({});
            showing_ = false;
        }
    }

    void ChannelZeroed(int channel) {
        statistics_.Zeroed(channel);
        screen_.PaintStatistics(channel);
    }

    void PaintAllStatistics() {
        for (int c = 0; c < kChannels; ++c) screen_.PaintStatistics(c);
    }

    // A channel cell the view hides would leave its button acting unseen:
    // the selection moves to the channel's displacement.
    void KeepSelectionShown() {
        const CellRef current = model_.CurrentCell();
        const ScreenLayout& layout = screen_.Layout();
        if (!layout.Fits() || layout.Place(current).shown) return;
        if (CellAt(current.col, current.row).kind == CellKind::Heading) return;
        Select(layout.Move(current, 0, 0));
    }

    void Select(CellRef cell) {
        const CellRef before = model_.CurrentCell();
        model_.StringGridDataClick(cell.col, cell.row);
        screen_.PaintCell(model_, before);
        screen_.PaintCell(model_, cell);
        screen_.PaintActions(model_);
    }

    Monitor& monitor_;
    MonitorModel& model_;
    ChannelStatistics& statistics_;
    CursesScreen& screen_;
    StderrCapture& capture_;
    TickClock::Clock::time_point messageUntil_{};
    bool showing_ = false;
};

}  // namespace

bool RunOnTerminal(Monitor& monitor, const RunOptions& options, const volatile std::sig_atomic_t& stop) {
    // Declared first, so that it is gone last: what the driver said is
    // written out once the terminal is restored.
    StderrCapture capture;
    const std::unique_ptr<CursesScreen> screen = CursesScreen::Open(monitor.statistics);
    if (screen == nullptr) return false;
    Session session(monitor, *screen, capture);
    TickClock clock(std::chrono::milliseconds(MonitorModel::kTimerIntervalMs), options.seconds);
    session.Flush();
    while (stop == 0 && !clock.Expired()) {
        if (!session.Handle(session.Read(clock.MillisecondsToNextTick()))) break;
        if (clock.Due()) session.Tick();
        session.Flush();
    }
    return true;
}

}  // namespace vexla::monitor::terminal

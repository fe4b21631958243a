#include "station_terminal.h"

#include <algorithm>
#include <chrono>
#include <string>

#include "station_screen.h"
#include "ui/terminal/display_width.h"
#include "ui/terminal/stderr_capture.h"
#include "ui/terminal/tick_clock.h"

namespace vexla::station::terminal {

using ui::terminal::AppendUtf8;
using ui::terminal::StderrCapture;
using ui::terminal::TickClock;

namespace {

constexpr auto kTick = std::chrono::milliseconds(50);
// How long a message of the driver stays after its last repetition.
constexpr auto kMessageShown = std::chrono::seconds(10);

// The last character of a UTF-8 text taken off.
void EraseLast(std::string& text) {
    while (!text.empty()) {
        const auto byte = static_cast<unsigned char>(text.back());
        text.pop_back();
        if ((byte & 0xC0) != 0x80) return;
    }
}

class Shell {
  public:
    Shell(StationSession& session, StderrCapture& capture, const std::string& notice)
        : session_(session),
          capture_(capture),
          texts_(TextsFor(session.Settings().language)),
          own_(TerminalTextsFor(session.Settings().language)) {
        const std::string& name = session.Settings().captureKey;
        const std::optional<CaptureKey> key = CaptureKeyOf(name);
        keys_.captureKey = KeyOfCapture(key);
        keys_.scanThenCapture = session.Settings().scanThenCapture;
        state_.help = HelpLine(own_, name, keys_.captureKey.has_value());
        std::string message = notice;
        if (!keys_.captureKey) message += (message.empty() ? "" : "; ") + Printed(own_.keyNotOnTerminal, name);
        Say(std::move(message), true);
    }

    void Attach(StationScreen& screen) {
        screen_ = &screen;
        masterDue_ = session_.MasterDue();
        screen.PaintWarning(masterDue_);
        screen.Relayout();
    }
    ShellState& State() { return state_; }

    // Shown once on the message line: what the files said was wrong.
    void Say(std::string message, bool fault) {
        state_.message = std::move(message);
        state_.messageIsFault = fault;
        if (screen_ != nullptr) screen_->PaintMessage();
    }

    // False when the operator quits or the terminal has gone.
    bool Handle(const Key& key) {
        if (key.kind == Key::Kind::None) return true;
        if (!state_.prompt.empty()) return Answer(key);
        keys_.typing = state_.typing;
        const Action action = ActionOf(key, keys_);
        if (action == Action::Quit) return false;
        if (action == Action::Resize) {
            screen_->Relayout();
            return true;
        }
        // Nothing acts unseen while the terminal is too small for the station.
        if (screen_->Layout().Fits()) Act(action, key);
        return true;
    }

    void Tick() {
        const uint32_t changed = session_.Tick();
        const std::vector<int>& channels = session_.Model().Channels();
        for (std::size_t i = 0; i < channels.size(); ++i)
            if ((changed >> (channels[i] - 1)) & 1u) screen_->PaintTile(static_cast<int>(i));
        if (const bool due = session_.MasterDue(); due != masterDue_) {
            masterDue_ = due;
            screen_->PaintWarning(due);
        }
        ShowDriverMessages();
    }

  private:
    static std::string Printed(const char* format, const std::string& value) {
        std::string text = format;
        const std::size_t at = text.find("%s");
        if (at != std::string::npos) text.replace(at, 2, value);
        return text;
    }

    void Act(Action action, const Key& key) {
        switch (action) {
            case Action::Capture:
                return Capture();
            case Action::Type:
                AppendUtf8(state_.identity, static_cast<char32_t>(key.character));
                state_.typing = true;
                return screen_->PaintIdentity();
            case Action::Erase:
                EraseLast(state_.identity);
                state_.typing = !state_.identity.empty();
                return screen_->PaintIdentity();
            case Action::Clear:
                state_.identity.clear();
                state_.typing = false;
                return screen_->PaintIdentity();
            case Action::ConfirmId:
                state_.typing = false;
                return screen_->PaintIdentity();
            case Action::ZeroOnMaster:
                return Ask(Question::Master, std::string(texts_.confirmMaster) + own_.yesNo, "");
            case Action::Report:
                return Report();
            case Action::NewShift:
                return Ask(Question::Batch, std::string(texts_.batch) + ": ", session_.Settings().batch);
            case Action::Next:
                return Select(1);
            case Action::Previous:
                return Select(-1);
            default:
                return;
        }
    }

    void Capture() {
        const PartResult part = session_.Capture(state_.identity);
        state_.identity.clear();
        state_.typing = false;
        screen_->PaintIdentity();
        screen_->PaintVerdict();
        screen_->PaintTitle();
        screen_->PaintPanel();
        // A rule the part broke turns its tile amber now, not at a tick.
        screen_->PaintTiles();
        if (!part.verdict.Ok()) screen_->Beep();
        // The part stands; its rows wait for the next write that works.
        const Status& records = session_.RecordsStatus();
        if (!records) {
            Say(std::string(texts_.recordsFailed) + ": " + records.Failure().Text(), true);
        } else if (state_.messageIsFault || !state_.message.empty()) {
            Say("", false);
        }
    }

    void Report() {
        const Result<std::string> written = session_.WriteReport();
        if (written) return Say(own_.reportWritten + *written, false);
        Say(std::string(texts_.report) + " " + own_.failed + written.Failure().Text(), true);
    }

    void Select(int step) {
        Station& station = session_.Model();
        const std::vector<int>& channels = station.Channels();
        if (channels.empty()) return;
        const auto at = std::find(channels.begin(), channels.end(), station.Selected());
        const int count = static_cast<int>(channels.size());
        const int from = at == channels.end() ? 0 : static_cast<int>(at - channels.begin());
        const int to = ((from + step) % count + count) % count;
        station.Select(channels[static_cast<std::size_t>(to)]);
        screen_->PaintTile(from);
        screen_->PaintTile(to);
        screen_->PaintPanel();
    }

    enum class Question { None, Master, Batch, Operator };

    void Ask(Question question, std::string prompt, std::string answer) {
        question_ = question;
        state_.prompt = std::move(prompt);
        state_.answer = std::move(answer);
        screen_->PaintMessage();
    }

    void Close() {
        question_ = Question::None;
        state_.prompt.clear();
        state_.answer.clear();
        screen_->PaintMessage();
    }

    bool Answer(const Key& key) {
        switch (key.kind) {
            case Key::Kind::HangUp:
                return false;
            case Key::Kind::Resize:
                screen_->Relayout();
                return true;
            case Key::Kind::Escape:
                Close();
                return true;
            default:
                break;
        }
        if (question_ == Question::Master) {
            if (key.kind != Key::Kind::Character) return true;
            const wchar_t c = key.character;
            if (c == L'y' || c == L'Y') {
                Close();
                const Status zeroed = session_.ZeroOnMaster();
                if (zeroed) {
                    Say(own_.zeroed, false);
                } else {
                    Say(std::string(texts_.zeroOnMaster) + " " + own_.failed + zeroed.Failure().Text(), true);
                }
                masterDue_ = session_.MasterDue();
                screen_->PaintWarning(masterDue_);
            } else if (c == L'n' || c == L'N') {
                Close();
            }
            return true;
        }
        // The batch, then the operator: typed texts.
        if (key.kind == Key::Kind::Character && key.character >= 0x20 && key.character != 0x7F) {
            AppendUtf8(state_.answer, static_cast<char32_t>(key.character));
        } else if (key.kind == Key::Kind::Backspace) {
            EraseLast(state_.answer);
        } else if (key.kind == Key::Kind::Enter && question_ == Question::Batch) {
            batch_ = state_.answer;
            Ask(Question::Operator, std::string(texts_.operatorName) + ": ", session_.Settings().operatorName);
            return true;
        } else if (key.kind == Key::Kind::Enter) {
            const std::string operatorName = state_.answer;
            Close();
            // The counters start again even when the file keeps the old names.
            const Status started = session_.NewShift(batch_, operatorName);
            screen_->PaintTitle();
            screen_->PaintTiles();
            screen_->PaintPanel();
            if (started) {
                Say(own_.shiftStarted + (": " + batch_ + ", " + operatorName), false);
            } else {
                Say(std::string(texts_.newShift) + " " + own_.failed + started.Failure().Text(), true);
            }
            return true;
        }
        screen_->PaintMessage();
        return true;
    }

    void ShowDriverMessages() {
        const StderrCapture::Taken taken = capture_.Take();
        for (int i = 0; i < taken.bells; ++i) screen_->Beep();
        const auto now = TickClock::Clock::now();
        if (std::optional<std::string> message = StderrCapture::NewestMessage(taken.lines)) {
            Say(std::move(*message), true);
            driverMessageUntil_ = now + kMessageShown;
            driverMessage_ = true;
        } else if (driverMessage_ && now >= driverMessageUntil_) {
            driverMessage_ = false;
            if (state_.messageIsFault) Say("", false);
        }
    }

    StationSession& session_;
    StderrCapture& capture_;
    const StationTexts& texts_;
    const TerminalTexts& own_;
    StationScreen* screen_ = nullptr;
    ShellState state_;
    KeyContext keys_;
    Question question_ = Question::None;
    std::string batch_;
    bool masterDue_ = false;
    bool driverMessage_ = false;
    TickClock::Clock::time_point driverMessageUntil_{};
};

}  // namespace

bool RunOnTerminal(StationSession& session, const std::string& notice, const volatile std::sig_atomic_t& stop) {
    // Declared first, so that it is gone last: what the driver said is
    // written out once the terminal is restored.
    StderrCapture capture;
    Shell shell(session, capture, notice);
    const std::unique_ptr<StationScreen> screen = StationScreen::Open(session, shell.State());
    if (screen == nullptr) return false;
    shell.Attach(*screen);
    TickClock clock(kTick, 0);
    screen->Flush();
    while (stop == 0) {
        if (!shell.Handle(screen->Read(clock.MillisecondsToNextTick()))) break;
        if (clock.Due()) shell.Tick();
        screen->Flush();
    }
    return true;
}

}  // namespace vexla::station::terminal

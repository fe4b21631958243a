#pragma once
// A program's 50 ms timer on a steady clock, and the run's time limit.

#include <algorithm>
#include <chrono>

namespace vexla::ui::terminal {

class TickClock {
  public:
    using Clock = std::chrono::steady_clock;

    TickClock(std::chrono::milliseconds interval, double limitSeconds)
        : interval_(interval), start_(Clock::now()), next_(start_), limitSeconds_(limitSeconds) {}

    // True once per interval; a late tick does not bring a burst of others.
    bool Due() {
        const auto now = Clock::now();
        if (now < next_) return false;
        next_ += interval_;
        if (next_ <= now) next_ = now + interval_;
        return true;
    }

    int MillisecondsToNextTick() const {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(next_ - Clock::now()).count();
        return static_cast<int>(std::clamp<long long>(left, 0, interval_.count()));
    }

    double Elapsed() const { return std::chrono::duration<double>(Clock::now() - start_).count(); }
    bool Expired() const { return limitSeconds_ > 0 && Elapsed() >= limitSeconds_; }

  private:
    std::chrono::milliseconds interval_;
    Clock::time_point start_;
    Clock::time_point next_;
    double limitSeconds_;
};

}  // namespace vexla::ui::terminal

#pragma once
// While a program owns the terminal, the driver's messages (it writes them
// to standard error on Linux, where a message box would open on Windows)
// would land in the middle of the drawing. They are taken from a pipe
// instead, shown on the screen, and written to the real standard error when
// the terminal is restored, so none is lost.

#include <optional>
#include <string>
#include <vector>

namespace vexla::ui::terminal {

class StderrCapture {
  public:
    StderrCapture();
    // Puts standard error back and writes what was taken to it.
    ~StderrCapture();
    StderrCapture(const StderrCapture&) = delete;
    StderrCapture& operator=(const StderrCapture&) = delete;

    bool Active() const { return saved_ >= 0; }

    struct Taken {
        std::vector<std::string> lines;  // complete lines, without their '\n'
        int bells = 0;                   // the driver's beeps
    };
    // What arrived since the last call; never waits.
    Taken Take();
    // The newest of the driver's messages among the lines, joined into one
    // (its texts have line breaks of their own); nothing without lines.
    static std::optional<std::string> NewestMessage(const std::vector<std::string>& lines);

  private:
    int saved_ = -1;
    int read_ = -1;
    std::string partial_;
    std::string all_;
};

}  // namespace vexla::ui::terminal

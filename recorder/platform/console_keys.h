#pragma once
// The operator's trigger in capture mode: presses of one key on standard
// input, counted without blocking so that the recording never waits on
// the keyboard. Enter works on any input (a terminal, a pipe); another key
// is taken alone, without Enter, when the input is a terminal.

#include <memory>

namespace vexla::recorder {

class ConsoleKeys {
  public:
    explicit ConsoleKeys(char key);
    ~ConsoleKeys();  // gives a terminal its settings back
    ConsoleKeys(const ConsoleKeys&) = delete;
    ConsoleKeys& operator=(const ConsoleKeys&) = delete;

    // Presses of the key since the last call.
    int TakePresses();
    // The input has ended (a pipe closed): no more presses will come.
    bool Ended() const { return ended_; }

  private:
    struct Platform;
    char key_;
    bool ended_ = false;
    std::unique_ptr<Platform> platform_;
};

}  // namespace vexla::recorder

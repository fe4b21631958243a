#pragma once
// The operator's trigger in capture mode: presses of one key on standard
// input, counted without blocking so that the recording never waits on
// the keyboard. Enter works on any input (a terminal, a pipe); another key
// is taken alone, without Enter, when the input is a terminal.

#include <memory>
#include <string>
#include <vector>

namespace vexla::recorder {

// The text typed before each Enter, as it comes in pieces: what a barcode
// scanner acting as a keyboard sends is one line.
class TypedLines {
  public:
    void Feed(const char* bytes, std::size_t count);
    // The lines completed since the last call, without their line ends.
    std::vector<std::string> Take();

  private:
    std::string partial_;
    std::vector<std::string> done_;
};

class ConsoleKeys {
  public:
    // `echo`: show what is typed on a console that would show nothing (lines
    // of text, such as a part's identity).
    explicit ConsoleKeys(char key, bool echo = false);
    ~ConsoleKeys();  // gives a terminal its settings back
    ConsoleKeys(const ConsoleKeys&) = delete;
    ConsoleKeys& operator=(const ConsoleKeys&) = delete;

    // Presses of the key since the last call.
    int TakePresses();
    // With Enter as the key: the lines typed since the last call (each one
    // press); use either this or TakePresses.
    std::vector<std::string> TakeLines();
    // The input has ended (a pipe closed): no more presses will come.
    bool Ended() const { return ended_; }

  private:
    struct Platform;
    // Bytes as they arrive: presses counted, lines collected.
    void Feed(const char* bytes, std::size_t count);

    char key_;
    bool echo_ = false;
    int presses_ = 0;
    TypedLines lines_;
    bool ended_ = false;
    std::unique_ptr<Platform> platform_;
};

}  // namespace vexla::recorder

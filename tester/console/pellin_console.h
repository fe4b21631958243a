#pragma once
// pellin, the test program on a Linux console: what it reads (options and
// command lines from standard input) and what it prints (the 96 boxes as a
// table of the 32 channels).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/command_line.h"
#include "tester/model/tester_model.h"

namespace vexla::tester::console {

struct Options {
    std::string library;
    double seconds = 0;  // 0: until q or a signal
    double printEvery = 1;
    bool thousandth = false;
    bool quitOnEof = false;
};

extern const char kUsage[];

// An unknown option or a bad value fails, saying which.
ParsedCommandLine<Options> ParseOptions(int argc, const char* const* argv, std::string defaultLibrary);

enum class CommandKind {
    None,  // an empty line
    ZeroAllDisplacements,
    ZeroAllGauges,
    ZeroChannelDisplacement,
    ZeroChannelGauge,
    ToggleGaugeType,
    Quit,
    Unknown,
};

struct Command {
    CommandKind kind = CommandKind::None;
    // The channel box's text for 3 and 4, as typed.
    std::string text;
};

// "1", "2", "3 TEXT", "4 TEXT", "t" or "q"; a word the program does not know,
// or text behind a command that takes none, is Unknown so that a slip of
// the keyboard never sends a command.
Command ParseCommand(std::string_view line);

// Standard input cut into lines as it arrives, in pieces of any size.
class LineSplitter {
  public:
    // A line longer than this is dropped whole instead of growing the buffer.
    static constexpr std::size_t kMaxLine = 1024;

    struct Line {
        std::string text;
        bool tooLong = false;
    };

    void Feed(std::string_view bytes, std::vector<Line>& lines);
    // The last line when the input ends without a line feed.
    std::optional<Line> Finish();

  private:
    std::string pending_;
    bool overflow_ = false;
};

// Terminal cells of UTF-8 text: two for the wide (CJK) characters.
int DisplayCells(std::string_view utf8);

// The time and the gauge type, the headings, then one row per channel:
// "15#", its display value, displacement and rate box, in columns.
std::string Table(const TesterModel& model, double seconds);

}  // namespace vexla::tester::console

#pragma once
// The lines of text around the grid, as pieces the drawing gives a look:
// the title, the two option groups, the command buttons and the help line;
// and the message a too-small terminal gets. Portable, like the layout.

#include <string>
#include <vector>

#include "monitor/model/monitor_model.h"
#include "screen_layout.h"

namespace vexla::monitor::terminal {

enum class Look { Plain, Key, Chosen, Disabled };

struct Piece {
    std::string text;
    Look look = Look::Plain;
};

using TextLine = std::vector<Piece>;

TextLine TitleLine();
// "h 容栅硬件类型 [百分表] 千分表  m 电脑显示方式 [标准方式] 增加半位  增加一位"
TextLine ControlsLine(HardwareType hardware, DisplayMode mode);
// The single-channel button (blank while hidden, so nothing else moves),
// zero all and the two hardware commands.
TextLine ActionsLine(const SingleChannelButton& single, const HardwareControls& hardware);
TextLine HelpLine();

std::string TextOf(const TextLine& line);

// Chinese first, then English, for whoever sits at the terminal; for the
// statistics, also the key back to the smaller readings view.
std::vector<std::string> TooSmallMessage(Size needed, Size now, View view = View::Readings);

}  // namespace vexla::monitor::terminal

#include "screen_texts.h"

#include <initializer_list>
#include <string_view>

#include "monitor/model/monitor_texts.h"
#include "ui/terminal/display_width.h"

namespace vexla::monitor::terminal {

using ui::terminal::CellsOf;

namespace {

// Pieces appended one by one: GCC 12 at -O3 warns falsely on "a" + b.
std::string Cat(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) text += part;
    return text;
}

// A chosen option in brackets, the others in spaces, so a change of choice
// moves nothing on the line.
void AddOptions(TextLine& line, const auto& options, std::size_t chosen) {
    for (std::size_t i = 0; i < options.size(); ++i) {
        const std::string text(options[i]);
        if (i == chosen) {
            line.push_back({Cat({"[", text, "]"}), Look::Chosen});
        } else {
            line.push_back({Cat({" ", text, " "})});
        }
    }
}

std::string SizeText(Size s, const char* times) {
    return Cat({std::to_string(s.width), times, std::to_string(s.height)});
}

}  // namespace

TextLine TitleLine() {
    return {{std::string(texts::kCaption)}};
}

TextLine ControlsLine(HardwareType hardware, DisplayMode mode) {
    TextLine line = {{"h", Look::Key}, {Cat({" ", texts::kHardwareTypeGroup, " "})}};
    AddOptions(line, texts::kHardwareTypes, static_cast<std::size_t>(hardware));
    line.push_back({" "});
    line.push_back({"m", Look::Key});
    line.push_back({Cat({" ", texts::kDisplayModeGroup, " "})});
    AddOptions(line, texts::kDisplayModes, static_cast<std::size_t>(mode));
    return line;
}

TextLine ActionsLine(const SingleChannelButton& single, const HardwareControls& hardware) {
    // The caption's width is fixed ("00#通道 显示归零"), so a blank of that
    // width keeps the other buttons where they are while it is hidden.
    const int captionCells = CellsOf(single.caption);
    TextLine line;
    if (single.visible) {
        line.push_back({"Enter", Look::Key});
        line.push_back({Cat({" ", single.caption})});
    } else {
        line.push_back({std::string(static_cast<std::size_t>(5 + 1 + captionCells), ' ')});
    }
    line.push_back({"   "});
    line.push_back({"z", Look::Key});
    line.push_back({Cat({" ", texts::kZeroAll})});
    const Look hw = hardware.groupEnabled ? Look::Plain : Look::Disabled;
    const Look hwKey = hardware.groupEnabled ? Look::Key : Look::Disabled;
    line.push_back({"   "});
    line.push_back({"f", hwKey});
    line.push_back({Cat({" ", texts::kZeroFast}), hw});
    line.push_back({"   "});
    line.push_back({"s", hwKey});
    line.push_back({Cat({" ", texts::kZeroSlow}), hw});
    if (hardware.gaugeVisible) line.push_back({Cat({" ", std::to_string(hardware.gaugeProgress), "%"})});
    return line;
}

TextLine HelpLine() {
    return {{"方向键/鼠标", Look::Key}, {": 选格  "}, {"Enter z f s", Look::Key}, {": 命令  "},
            {"h m t", Look::Key},       {": 切换  "}, {"r", Look::Key},           {": 重置统计  "},
            {"q/Esc", Look::Key},       {": 退出"}};
}

std::string TextOf(const TextLine& line) {
    std::string text;
    for (const Piece& piece : line) text += piece.text;
    return text;
}

std::vector<std::string> TooSmallMessage(Size needed, Size now, View view) {
    std::vector<std::string> lines = {
        Cat({"终端太小: 需要 ", SizeText(needed, "×"), ", 现在 ", SizeText(now, "×")}),
        Cat({"Terminal too small: needs ", SizeText(needed, "x"), ", now ", SizeText(now, "x")})};
    if (view != View::Readings) {
        lines.push_back("t: 返回读数视图");
        lines.push_back("t: back to the readings");
    }
    return lines;
}

}  // namespace vexla::monitor::terminal

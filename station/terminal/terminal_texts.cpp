#include "terminal_texts.h"

namespace vexla::station::terminal {

namespace {

constexpr TerminalTexts kChinese{
    "Enter/空格",
    "测量",
    "F2 标准件归零  F3 报告  F5 新班次  Tab 图表  F10 退出",
    " (y/n)",
    "(下一件)",
    "报告已写入: ",
    "失败: ",
    "已用标准件归零",
    "新班次",
    "终端太小",
    "没有站点文件, 默认设置已写入: ",
    "采集键 %s 在终端上收不到, 请用 Enter 或空格",
    "—",
};

constexpr TerminalTexts kEnglish{
    "Enter/Space",
    "capture",
    "F2 master  F3 report  F5 shift  Tab chart  F10 quit",
    " (y/n)",
    "(next part)",
    "Report written: ",
    "failed: ",
    "Zeroed on the master",
    "New shift",
    "Terminal too small",
    "No station file; the defaults were written to: ",
    "The capture key %s never reaches a terminal: use Enter or Space",
    "-",
};

}  // namespace

const TerminalTexts& TerminalTextsFor(Language language) {
    return language == Language::English ? kEnglish : kChinese;
}

std::string HelpLine(const TerminalTexts& texts, const std::string& captureKey, bool captureKeyUsable) {
    std::string keys = texts.captureKeys;
    if (captureKeyUsable) keys += "/" + captureKey;
    return keys + " " + texts.capture + "  " + texts.commands;
}

}  // namespace vexla::station::terminal

#pragma once
// The terminal edition's own texts, in the station's two languages; the
// texts it shares with the window come from station_texts.h.

#include <string>

#include "station/model/station_settings.h"

namespace vexla::station::terminal {

struct TerminalTexts {
    const char* captureKeys;  // before the capture key's name: "Enter/空格/F9 采集"
    const char* capture;
    const char* commands;  // the other keys
    const char* yesNo;     // after a question
    const char* nextPart;  // after an identity that waits for the capture
    const char* reportWritten;
    const char* failed;  // before a failure's reason
    const char* zeroed;
    const char* shiftStarted;
    const char* tooSmall;
    const char* defaultsWritten;   // a first start: the file of the defaults
    const char* keyNotOnTerminal;  // a capture key no terminal reports
    const char* noPpk;
};

const TerminalTexts& TerminalTextsFor(Language language);

// The key help line: "Enter/空格/F9 采集  F2 标定归零 ...".
std::string HelpLine(const TerminalTexts& texts, const std::string& captureKey, bool captureKeyUsable);

}  // namespace vexla::station::terminal

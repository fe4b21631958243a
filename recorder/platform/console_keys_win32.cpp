#include <windows.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "recorder/platform/console_keys.h"

namespace vexla::recorder {

namespace {

// What a reader thread shares with the recording: it may outlive the
// recorder's object while it waits in a read that cannot be cancelled.
struct Presses {
    HANDLE input = INVALID_HANDLE_VALUE;
    std::mutex lock;
    std::string bytes;  // read and not yet taken
    std::atomic<bool> ended{false};
};

// Pipes and files: a blocking read on a thread of its own, since a pipe
// cannot be asked what is waiting everywhere (Wine answers "not supported").
DWORD WINAPI ReadPresses(void* parameter) {
    std::unique_ptr<std::shared_ptr<Presses>> owned(static_cast<std::shared_ptr<Presses>*>(parameter));
    Presses& presses = **owned;
    char bytes[256];
    DWORD read = 0;
    while (ReadFile(presses.input, bytes, sizeof bytes, &read, nullptr) && read > 0) {
        const std::lock_guard<std::mutex> held(presses.lock);
        presses.bytes.append(bytes, read);
    }
    presses.ended = true;
    return 0;
}

}  // namespace

struct ConsoleKeys::Platform {
    HANDLE input = INVALID_HANDLE_VALUE;
    bool console = false;
    std::shared_ptr<Presses> presses;
    HANDLE reader = nullptr;
};

ConsoleKeys::ConsoleKeys(char key, bool echo) : key_(key), echo_(echo), platform_(std::make_unique<Platform>()) {
    Platform& p = *platform_;
    p.input = GetStdHandle(STD_INPUT_HANDLE);
    if (p.input == nullptr || p.input == INVALID_HANDLE_VALUE) {
        ended_ = true;
        return;
    }
    DWORD mode = 0;
    p.console = GetConsoleMode(p.input, &mode) != 0;
    if (p.console) return;
    p.presses = std::make_shared<Presses>();
    p.presses->input = p.input;
    auto* shared = new std::shared_ptr<Presses>(p.presses);
    p.reader = CreateThread(nullptr, 0, ReadPresses, shared, 0, nullptr);
    if (p.reader == nullptr) {
        delete shared;
        ended_ = true;
    }
}

ConsoleKeys::~ConsoleKeys() {
    if (platform_->reader == nullptr) return;
    // The read ends when it can be cancelled; otherwise the thread keeps its
    // share of the state and ends with the process.
    CancelSynchronousIo(platform_->reader);
    WaitForSingleObject(platform_->reader, 100);
    CloseHandle(platform_->reader);
}

int ConsoleKeys::TakePresses() {
    Platform& p = *platform_;
    if (p.presses) {
        ended_ = p.presses->ended;
        std::string bytes;
        {
            const std::lock_guard<std::mutex> held(p.presses->lock);
            bytes.swap(p.presses->bytes);
        }
        Feed(bytes.data(), bytes.size());
        return std::exchange(presses_, 0);
    }
    if (ended_ || !p.console) return 0;
    // Key events as they are typed; Enter comes as a carriage return.
    DWORD waiting = 0;
    while (GetNumberOfConsoleInputEvents(p.input, &waiting) && waiting > 0) {
        INPUT_RECORD records[32];
        DWORD read = 0;
        if (!ReadConsoleInputW(p.input, records, 32, &read)) break;
        for (DWORD i = 0; i < read; ++i) {
            const KEY_EVENT_RECORD& k = records[i].Event.KeyEvent;
            if (records[i].EventType != KEY_EVENT || !k.bKeyDown) continue;
            const wchar_t c = k.uChar.UnicodeChar == L'\r' ? L'\n' : k.uChar.UnicodeChar;
            if (c == 0) continue;  // a shift or another key without a character
            // The character as UTF-8, as often as the key repeated; typed
            // text is echoed, since the console shows none in this mode.
            char utf8[8];
            const int length = WideCharToMultiByte(CP_UTF8, 0, &c, 1, utf8, sizeof utf8, nullptr, nullptr);
            for (WORD r = 0; r < k.wRepeatCount && length > 0; ++r) {
                Feed(utf8, static_cast<std::size_t>(length));
                if (echo_) {
                    DWORD written = 0;
                    const wchar_t* echo = c == L'\n' ? L"\r\n" : &c;
                    WriteConsoleW(GetStdHandle(STD_ERROR_HANDLE), echo, c == L'\n' ? 2 : 1, &written, nullptr);
                }
            }
        }
    }
    return std::exchange(presses_, 0);
}

}  // namespace vexla::recorder

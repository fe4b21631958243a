#pragma once
// Plays the user in front of the driver's modal message boxes: a thread of
// its own finds every dialog box of this process, records its caption and
// text and presses OK, so the driver's thread returns from MessageBoxW.

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vexla::testing {

struct SeenMessageBox {
    std::wstring caption;
    std::wstring text;
};

class MessageBoxWatcher {
  public:
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    MessageBoxWatcher(const MessageBoxWatcher&) = delete;
    MessageBoxWatcher& operator=(const MessageBoxWatcher&) = delete;

    std::vector<SeenMessageBox> Seen() const;

  private:
    void Run();
    void Answer(HWND box);

    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<SeenMessageBox> seen_;
    std::vector<HWND> answered_;  // a box may take a moment to go after its OK
    std::thread thread_;
};

}  // namespace vexla::testing

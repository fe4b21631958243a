#pragma once
// A thread message queue for POSIX: what the Windows component gets from
// window and thread messages. Any thread posts; one thread takes. A
// descriptor is readable while entries wait, so the taker can poll it
// together with other descriptors.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "unique_fd.h"

namespace vexla {

struct TMessage {
    uint32_t message = 0;
    uint32_t wParam = 0;
    uint32_t lParam = 0;
    std::unique_ptr<uint8_t[]> block;  // changes owner with the message
};

class TMessageQueue {
  public:
    // Bounds the memory a stalled taker can cost; a refused post ends the
    // poster's thread just as a full Windows queue would.
    static constexpr size_t kDefaultLimit = 65536;

    // Throws std::system_error when no descriptor is available.
    explicit TMessageQueue(size_t limit = kDefaultLimit);

    // False when the queue is closed or full; the message (and its block)
    // is then released. A hang-up request is never refused for space.
    bool Post(TMessage message);
    // Posts all or, when closed or short of room, none (and releases them).
    bool PostAll(std::vector<TMessage>& messages);
    // The next message, or nothing; taking the last one clears the descriptor.
    std::optional<TMessage> Take();
    // Moves every waiting message to the end of `out`; false when there was
    // none, which also clears the descriptor.
    bool TakeAll(std::deque<TMessage>& out);
    // Refuses further posts and releases what is still queued.
    void Close();
    int Fd() const { return wake_.get(); }

  private:
    bool Signal();       // with the mutex held
    void ClearSignal();  // with the mutex held: the queue ran empty

    std::mutex mutex_;
    std::deque<TMessage> entries_;
    size_t limit_;
    bool closed_ = false;
    bool signalled_ = false;
    UniqueFd wake_;
};

}  // namespace vexla

#include "message_queue.h"

#include <sys/eventfd.h>

#include <cerrno>
#include <system_error>

#include "comm_messages.h"

namespace vexla {

TMessageQueue::TMessageQueue(size_t limit) : limit_(limit), wake_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
    if (!wake_) throw std::system_error(errno, std::generic_category(), "eventfd");
}

bool TMessageQueue::Post(TMessage message) {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    if (entries_.size() >= limit_ && message.message != comm::kMsgRequestHangup) return false;
    if (!Signal()) return false;
    entries_.push_back(std::move(message));
    return true;
}

bool TMessageQueue::PostAll(std::vector<TMessage>& messages) {
    std::lock_guard lock(mutex_);
    if (closed_ || entries_.size() + messages.size() > limit_ || !Signal()) {
        messages.clear();
        return false;
    }
    for (TMessage& message : messages) entries_.push_back(std::move(message));
    messages.clear();
    return true;
}

bool TMessageQueue::Signal() {
    // Only the first post after the taker emptied the queue needs a wake-up.
    if (signalled_) return true;
    const uint64_t one = 1;
    if (::write(wake_.get(), &one, sizeof one) != sizeof one) return false;
    signalled_ = true;
    return true;
}

void TMessageQueue::ClearSignal() {
    if (!signalled_) return;
    uint64_t count = 0;
    [[maybe_unused]] ssize_t n = ::read(wake_.get(), &count, sizeof count);
    signalled_ = false;
}

bool TMessageQueue::TakeAll(std::deque<TMessage>& out) {
    std::lock_guard lock(mutex_);
    if (entries_.empty()) {
        ClearSignal();
        return false;
    }
    for (TMessage& message : entries_) out.push_back(std::move(message));
    entries_.clear();
    return true;
}

std::optional<TMessage> TMessageQueue::Take() {
    std::lock_guard lock(mutex_);
    if (entries_.empty()) {
        ClearSignal();
        return std::nullopt;
    }
    TMessage next = std::move(entries_.front());
    entries_.pop_front();
    return next;
}

void TMessageQueue::Close() {
    std::deque<TMessage> dropped;
    std::lock_guard lock(mutex_);
    closed_ = true;
    dropped.swap(entries_);
}

}  // namespace vexla

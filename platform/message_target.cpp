#include "platform/message_target.h"

namespace platform {

struct Reply {
    LRESULT result = 0;
    bool done = false;
};

MessageTarget::MessageTarget(Dispatch dispatch) : owner_(std::this_thread::get_id()) {
    if (dispatch == Dispatch::SendingThread)
        handlerLock_.emplace();
}

LRESULT MessageTarget::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!handlerLock_)
        return HandleMessage(msg, wParam, lParam);
    std::lock_guard lock(*handlerLock_);
    return HandleMessage(msg, wParam, lParam);
}

MessageTarget::~MessageTarget() {
    // Release any sender still waiting: its handler will never run now.
    std::lock_guard lock(mutex_);
    for (Queued& q : sent_)
        q.reply->done = true;
    sent_.clear();
    changed_.notify_all();
}

LRESULT MessageTarget::Send(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (IsOwnerThread())
        return Handle(msg, wParam, lParam);
    if (handlerLock_) {
        {
            std::lock_guard lock(mutex_);
            if (cancelDepth_ > 0)
                return 0;
        }
        return Handle(msg, wParam, lParam);
    }
    Reply reply;
    {
        std::unique_lock lock(mutex_);
        if (cancelDepth_ > 0)
            return 0;
        sent_.push_back({msg, wParam, lParam, &reply});
        changed_.notify_all();
    }
    WakeOwner();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [&] { return reply.done; });
    return reply.result;
}

void MessageTarget::Post(UINT msg, WPARAM wParam, LPARAM lParam) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back({msg, wParam, lParam, nullptr});
        changed_.notify_all();
    }
    WakeOwner();
}

void MessageTarget::CancelSends() {
    std::lock_guard lock(mutex_);
    ++cancelDepth_;
    for (Queued& q : sent_)
        q.reply->done = true;
    sent_.clear();
    changed_.notify_all();
}

void MessageTarget::ResumeSends() {
    std::lock_guard lock(mutex_);
    if (cancelDepth_ > 0)
        --cancelDepth_;
}

std::size_t MessageTarget::Pump() {
    std::size_t handled = 0;
    for (;;) {
        Queued q;
        {
            std::lock_guard lock(mutex_);
            if (!sent_.empty()) {
                q = sent_.front();
                sent_.pop_front();
            } else if (!posted_.empty()) {
                q = posted_.front();
                posted_.pop_front();
            } else {
                return handled;
            }
        }
        const LRESULT result = Handle(q.msg, q.wParam, q.lParam);
        ++handled;
        if (q.reply) {
            std::lock_guard lock(mutex_);
            q.reply->result = result;
            q.reply->done = true;
            changed_.notify_all();
        }
    }
}

bool MessageTarget::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        Pump();
        if (done())
            return true;
        std::unique_lock lock(mutex_);
        if (!changed_.wait_until(lock, deadline,
                                 [&] { return !sent_.empty() || !posted_.empty(); })) {
            lock.unlock();
            Pump();
            return done();
        }
    }
}

}  // namespace platform

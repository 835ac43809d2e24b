// The stand-in for a window handle: a target for window messages, with send and post.
//
// Threading: the owner thread is the one that created the target. Send and Post may be called
// from any thread. Posted messages are handled on the owner thread. A window's sent messages
// are too (Dispatch::OwnerThread): Send from the owner thread calls the handler directly; from
// another thread it queues the message, wakes the owner and waits until the owner has handled
// it, or until sends are cancelled (it then returns 0 without the handler having run). A
// target that is no window (Dispatch::SendingThread) handles a sent message on the sending
// thread at once; its handlers, sent or posted, then run one at a time under a lock, so a
// handler may touch the target's state but must not wait for the owner thread. Pump, RunUntil
// and the cancel calls belong to the owner thread, except CancelSends, which may also be
// called from any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/win_types.h"

namespace platform {

class MessageTarget {
  public:
    enum class Dispatch { OwnerThread, SendingThread };

    explicit MessageTarget(Dispatch dispatch = Dispatch::OwnerThread);
    virtual ~MessageTarget();
    MessageTarget(const MessageTarget&) = delete;
    MessageTarget& operator=(const MessageTarget&) = delete;

    // Virtual so that a real window can carry the messages (WindowTarget on Windows).
    virtual LRESULT Send(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual void Post(UINT msg, WPARAM wParam, LPARAM lParam);

    // While sends are cancelled, every waiting and every new cross-thread Send returns 0 at
    // once. Releasing a job uses this so it never waits on a thread that waits on the owner.
    // Calls nest: sends resume after as many Resume as Cancel calls.
    virtual void CancelSends();
    virtual void ResumeSends();

    // Handles every queued message (sent ones first, as a message loop does). Returns how many.
    std::size_t Pump();

    // Pumps until `done` returns true or the time-out passes; true when `done` held.
    // The owner thread waits without using CPU between messages.
    bool RunUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    bool IsOwnerThread() const { return std::this_thread::get_id() == owner_; }

  protected:
    // Runs on the owner thread.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) = 0;

    // Called, on the sending or posting thread, after a message was queued, so that a front
    // end whose owner thread runs a foreign event loop can schedule a Pump there.
    virtual void WakeOwner() {}

  private:
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);

    struct Queued {
        UINT msg;
        WPARAM wParam;
        LPARAM lParam;
        struct Reply* reply;  // null for a posted message
    };

    std::thread::id owner_;
    // Held around every handler of a Dispatch::SendingThread target.
    std::optional<std::recursive_mutex> handlerLock_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Queued> sent_;
    std::deque<Queued> posted_;
    int cancelDepth_ = 0;
};

// The stand-in for HWND as the job stores it.
using HWND = MessageTarget*;

}  // namespace platform

// The Win32 names, null-safe: a message to no window is dropped.
inline LRESULT SendMessageA(platform::HWND target, UINT msg, WPARAM wParam, LPARAM lParam) {
    return target ? target->Send(msg, wParam, lParam) : 0;
}
inline void PostMessageA(platform::HWND target, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (target)
        target->Post(msg, wParam, lParam);
}

// Threads that can be waited for with a time-out and that may outlive their handle.
//
// Threading: a Thread handle is used by the thread that started it (or whoever it was moved
// to). The body runs on its own thread; it must keep alive whatever it touches, since the
// handle may be dropped while the body still runs (the thread is then detached).
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace platform {

class Thread {
  public:
    enum class Priority { Normal, Highest };

    Thread() = default;
    Thread(Thread&&) noexcept = default;
    Thread& operator=(Thread&& other) noexcept;
    ~Thread();

    // Starts `body` at once. Returns an empty handle when the thread cannot be started.
    static Thread Start(std::function<void()> body, Priority priority = Priority::Normal);

    explicit operator bool() const { return state_ != nullptr; }

    // Waits at most `timeout` for the body to return. True when it has ended (the handle is
    // then empty); false when it still runs (the handle keeps it).
    bool Wait(std::chrono::milliseconds timeout);

    // Forgets the thread; a body that still runs goes on by itself.
    void Release();

    struct State;

  private:
    std::shared_ptr<State> state_;
};

// Test hook: when set and returning true, the next Thread::Start fails as if the system had
// refused a thread. Set it only while no thread is being started elsewhere.
void SetThreadStartFailureHook(std::function<bool()> hook);

}  // namespace platform

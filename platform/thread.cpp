#include "platform/thread.h"

#include <system_error>
#include <thread>

#include "platform/event.h"
#include "platform/thread_priority.h"

namespace platform {

struct Thread::State {
    Event done{Event::ResetMode::Manual};
    std::thread thread;
};

namespace {
std::function<bool()>& FailureHook() {
    static std::function<bool()> hook;
    return hook;
}
}  // namespace

void SetThreadStartFailureHook(std::function<bool()> hook) {
    FailureHook() = std::move(hook);
}

Thread& Thread::operator=(Thread&& other) noexcept {
    if (this != &other) {
        Release();
        state_ = std::move(other.state_);
    }
    return *this;
}

Thread::~Thread() {
    Release();
}

Thread Thread::Start(std::function<void()> body, Priority priority) {
    if (FailureHook() && FailureHook()())
        return {};
    Thread t;
    t.state_ = std::make_shared<State>();
    try {
        // The body holds its own reference to the state, so `done` outlives the handle.
        t.state_->thread = std::thread([state = t.state_, body = std::move(body), priority] {
            if (priority == Priority::Highest)
                RaiseThisThreadPriority();
            body();
            state->done.Set();
        });
    } catch (const std::system_error&) {
        return {};
    }
    return t;
}

bool Thread::Wait(std::chrono::milliseconds timeout) {
    if (!state_)
        return true;
    if (!state_->done.Wait(timeout))
        return false;
    // The body has returned; join reaps the thread itself, which ends a moment later.
    if (state_->thread.joinable()) {
        if (state_->thread.get_id() == std::this_thread::get_id()) {
            state_->thread.detach();
        } else {
            state_->thread.join();
        }
    }
    state_.reset();
    return true;
}

void Thread::Release() {
    if (!state_)
        return;
    if (state_->thread.joinable())
        state_->thread.detach();
    state_.reset();
}

}  // namespace platform

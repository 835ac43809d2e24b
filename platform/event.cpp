#include "platform/event.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>

namespace platform {

// One lock for all events keeps wait-for-any simple and free of lock-order problems; every
// critical section is a handful of instructions.
namespace {
std::mutex& EventLock() {
    static std::mutex m;
    return m;
}
}  // namespace

struct EventWaiter {
    std::condition_variable cv;
};

Event::Event(ResetMode mode) : autoReset_(mode == ResetMode::Automatic) {}

Event::~Event() = default;

void Event::Set() {
    std::lock_guard lock(EventLock());
    signalled_ = true;
    for (EventWaiter* w : waiters_)
        w->cv.notify_one();
}

void Event::Reset() {
    std::lock_guard lock(EventLock());
    signalled_ = false;
}

bool Event::IsSet() const {
    std::lock_guard lock(EventLock());
    return signalled_;
}

bool Event::Wait(std::optional<std::chrono::milliseconds> timeout) {
    Event* self = this;
    return WaitForAny(std::span<Event* const>(&self, 1), timeout).has_value();
}

std::optional<std::size_t> WaitForAny(std::span<Event* const> events,
                                      std::optional<std::chrono::milliseconds> timeout) {
    if (events.empty() || std::find(events.begin(), events.end(), nullptr) != events.end()) {
        return std::nullopt;
    }
    const auto deadline =
        std::chrono::steady_clock::now() + timeout.value_or(std::chrono::milliseconds::zero());
    EventWaiter waiter;
    bool registered = false;
    std::unique_lock lock(EventLock());
    auto unregister = [&] {
        if (!registered)
            return;
        for (Event* e : events)
            std::erase(e->waiters_, &waiter);
    };
    for (;;) {
        for (std::size_t i = 0; i < events.size(); ++i) {
            if (events[i]->signalled_) {
                if (events[i]->autoReset_)
                    events[i]->signalled_ = false;
                unregister();
                return i;
            }
        }
        if (!registered) {
            for (Event* e : events)
                e->waiters_.push_back(&waiter);
            registered = true;
        }
        if (!timeout) {
            waiter.cv.wait(lock);
        } else if (waiter.cv.wait_until(lock, deadline) == std::cv_status::timeout) {
            // One last look: a Set may have landed just as the time ran out.
            for (std::size_t i = 0; i < events.size(); ++i) {
                if (events[i]->signalled_) {
                    if (events[i]->autoReset_)
                        events[i]->signalled_ = false;
                    unregister();
                    return i;
                }
            }
            unregister();
            return std::nullopt;
        }
    }
}

}  // namespace platform

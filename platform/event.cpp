#include "platform/event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/event_source.h"
#include "platform/unique_fd.h"

namespace platform {

// Setting, resetting and taking a signalled event are atomic operations on its flag: a thread
// that sets and takes its own events (the port's reader does for every byte) takes no lock and
// makes no system call. Only a thread that finds nothing signalled takes the one lock of all
// events, registers on each event it waits for and blocks in poll on a wake descriptor of its
// own and on the events' sources; Set looks for registered waiters after setting the flag, and
// a waiter looks at the flags again after registering, so neither can miss the other.
namespace {
std::mutex& EventLock() {
    static std::mutex m;
    return m;
}

using Clock = std::chrono::steady_clock;
}  // namespace

struct EventWaiter {
    UniqueFd wake{::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)};
    bool woken = false;  // under EventLock: a wake is pending in `wake`

    // Under EventLock, while the waiter is registered.
    void Wake() {
        if (woken)
            return;
        woken = true;
        const std::uint64_t one = 1;
        (void)!::write(wake.Get(), &one, sizeof one);
    }
};

namespace {
// Each thread's waiter, made at its first blocking wait and closed when the thread ends.
EventWaiter& ThisThreadsWaiter() {
    thread_local EventWaiter waiter;
    return waiter;
}
}  // namespace

struct Event::State {
    explicit State(bool automatic) : autoReset(automatic) {}

    std::atomic<bool> signalled{false};
    const bool autoReset;
    std::atomic<int> waiterCount{0};            // entries in waiters, readable without the lock
    std::vector<EventWaiter*> waiters;          // under EventLock
    std::shared_ptr<const EventSource> source;  // under EventLock
};

struct EventAccess {
    static Event::State& Of(Event& e) { return *e.state_; }
};

Event::Event(ResetMode mode) : state_(std::make_unique<State>(mode == ResetMode::Automatic)) {}

Event::~Event() = default;

void Event::Set() {
    state_->signalled.store(true);
    if (state_->waiterCount.load() == 0)
        return;
    std::lock_guard lock(EventLock());
    for (EventWaiter* w : state_->waiters)
        w->Wake();
}

void Event::Reset() {
    state_->signalled.store(false);
}

bool Event::IsSet() const {
    return state_->signalled.load();
}

bool Event::Wait(std::optional<std::chrono::milliseconds> timeout) {
    Event* self = this;
    return WaitForAny(std::span<Event* const>(&self, 1), timeout).has_value();
}

void BindEventSource(Event& event, std::shared_ptr<const EventSource> source) {
    Event::State& e = EventAccess::Of(event);
    std::lock_guard lock(EventLock());
    e.source = std::move(source);
    // A waiter already blocked must take the new source into its poll set.
    for (EventWaiter* w : e.waiters)
        w->Wake();
}

namespace {

// The lowest signalled slot, reset if automatic; of two threads that take the same
// automatic-reset event, one gets it.
std::optional<std::size_t> TakeSignalled(std::span<Event* const> events) {
    for (std::size_t i = 0; i < events.size(); ++i) {
        Event::State& e = EventAccess::Of(*events[i]);
        if (e.signalled.load() && (!e.autoReset || e.signalled.exchange(false)))
            return i;
    }
    return std::nullopt;
}

using Sources = std::vector<std::shared_ptr<const EventSource>>;

// Registers `waiter` on every event and collects their sources.
void Register(std::span<Event* const> events, EventWaiter& waiter, Sources& sources) {
    std::lock_guard lock(EventLock());
    waiter.woken = false;
    sources.clear();
    for (Event* event : events) {
        Event::State& e = EventAccess::Of(*event);
        e.waiters.push_back(&waiter);
        e.waiterCount.fetch_add(1);
        if (e.source)
            sources.push_back(e.source);
    }
}

void Unregister(std::span<Event* const> events, EventWaiter& waiter) {
    bool woken = false;
    {
        std::lock_guard lock(EventLock());
        for (Event* event : events) {
            Event::State& e = EventAccess::Of(*event);
            std::erase(e.waiters, &waiter);
            e.waiterCount.fetch_sub(1);
        }
        woken = waiter.woken;
    }
    if (woken) {
        std::uint64_t count;
        (void)!::read(waiter.wake.Get(), &count, sizeof count);
    }
}

int PollTimeout(std::optional<Clock::time_point> until) {
    if (!until)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - Clock::now());
    return static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, 1 << 30));
}

// Blocks until woken, a source is ready or due, or `until`; then services those sources.
void Block(EventWaiter& waiter, const Sources& sources, std::optional<Clock::time_point> until) {
    std::vector<pollfd> fds{{waiter.wake.Get(), POLLIN, 0}};
    for (const auto& s : sources) {
        fds.push_back({s->fd, s->fd >= 0 ? s->events : short(0), 0});
        if (s->deadline && (!until || *s->deadline < *until))
            until = s->deadline;
    }
    (void)::poll(fds.data(), fds.size(), PollTimeout(until));
    const auto now = Clock::now();
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const bool ready = fds[i + 1].revents != 0;
        const bool due = sources[i]->deadline && *sources[i]->deadline <= now;
        if ((ready || due) && sources[i]->service)
            sources[i]->service(fds[i + 1].revents);
    }
}

}  // namespace

std::optional<std::size_t> WaitForAny(std::span<Event* const> events,
                                      std::optional<std::chrono::milliseconds> timeout) {
    if (events.empty() || std::find(events.begin(), events.end(), nullptr) != events.end()) {
        return std::nullopt;
    }
    const std::optional<Clock::time_point> deadline =
        timeout ? std::optional(Clock::now() + *timeout) : std::nullopt;
    EventWaiter& waiter = ThisThreadsWaiter();
    Sources sources;
    for (;;) {
        if (const auto slot = TakeSignalled(events))
            return slot;
        if (deadline && Clock::now() >= *deadline)
            return std::nullopt;
        Register(events, waiter, sources);
        // A Set that came before the registration did not see it: look again.
        std::optional<std::size_t> slot = TakeSignalled(events);
        if (!slot)
            Block(waiter, sources, deadline);
        Unregister(events, waiter);
        if (slot)
            return slot;
    }
}

}  // namespace platform

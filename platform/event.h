// Event objects: manual- and automatic-reset, with wait-for-any where the lowest signalled
// slot wins.
//
// Threading: every operation may be called from any thread. A waiting thread blocks in the
// kernel and uses no CPU; it also drives the sources bound to the events it waits for
// (event_source.h).
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace platform {

struct EventWaiter;
struct EventSource;

class Event {
  public:
    enum class ResetMode { Manual, Automatic };

    explicit Event(ResetMode mode);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    bool IsSet() const;

    // Waits until the event is signalled or the time-out passes; true when signalled.
    // An automatic-reset event is reset by a successful wait.
    bool Wait(std::optional<std::chrono::milliseconds> timeout = std::nullopt);

  private:
    friend std::optional<std::size_t> WaitForAny(std::span<Event* const>,
                                                 std::optional<std::chrono::milliseconds>);
    friend std::optional<std::size_t> TakeSignalled(std::span<Event* const>);
    friend void BindEventSource(Event&, std::shared_ptr<const EventSource>);
    friend void Register(std::span<Event* const>, EventWaiter&,
                         std::vector<std::shared_ptr<const EventSource>>&);
    friend void Unregister(std::span<Event* const>, EventWaiter&);
    std::atomic<bool> signalled_{false};
    const bool autoReset_;
    std::atomic<int> waiterCount_{0};            // entries in waiters_, readable without the lock
    std::vector<EventWaiter*> waiters_;          // under the events' lock
    std::shared_ptr<const EventSource> source_;  // under the events' lock
};

// Waits until one of `events` is signalled and returns the lowest signalled slot, resetting
// that event when it is automatic-reset. Returns nothing when the time-out passes first, or at
// once when `events` is empty or holds a null entry.
std::optional<std::size_t> WaitForAny(
    std::span<Event* const> events,
    std::optional<std::chrono::milliseconds> timeout = std::nullopt);

}  // namespace platform

// Event objects: manual- and automatic-reset, with wait-for-any where the lowest signalled
// slot wins.
//
// Threading: every operation may be called from any thread. Waits block on a condition
// variable; a waiting thread uses no CPU.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <span>
#include <vector>

namespace platform {

struct EventWaiter;

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
    bool signalled_ = false;
    bool autoReset_;
    std::vector<EventWaiter*> waiters_;
};

// Waits until one of `events` is signalled and returns the lowest signalled slot, resetting
// that event when it is automatic-reset. Returns nothing when the time-out passes first, or at
// once when `events` is empty or holds a null entry.
std::optional<std::size_t> WaitForAny(
    std::span<Event* const> events,
    std::optional<std::chrono::milliseconds> timeout = std::nullopt);

}  // namespace platform

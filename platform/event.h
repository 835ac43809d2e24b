// Event objects: manual- and automatic-reset, with wait-for-any where the lowest signalled
// slot wins.
//
// Threading: every operation may be called from any thread. A waiting thread blocks in the
// kernel and uses no CPU; on Linux it also drives the sources bound to the events it waits
// for (event_source.h). On Windows the events are Win32 event objects (event_win.h).
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <span>

namespace platform {

class Event {
  public:
    enum class ResetMode { Manual, Automatic };

    explicit Event(ResetMode mode);
    ~Event();
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // On Windows an automatic-reset event is looked at by taking it and setting it again, so
    // a Reset from another thread at that moment may be undone; the port asks only manual ones.
    bool IsSet() const;

    // Waits until the event is signalled or the time-out passes; true when signalled.
    // An automatic-reset event is reset by a successful wait.
    bool Wait(std::optional<std::chrono::milliseconds> timeout = std::nullopt);

    // The platform's part: on Linux the flag, the registered waiters and the bound source; on
    // Windows the event object. Defined by each platform's implementation alone.
    struct State;

  private:
    friend struct EventAccess;
    std::unique_ptr<State> state_;
};

// Waits until one of `events` is signalled and returns the lowest signalled slot, resetting
// that event when it is automatic-reset. Returns nothing when the time-out passes first, or at
// once when `events` is empty or holds a null entry (on Windows also when it holds more than
// the 64 events one wait can take).
std::optional<std::size_t> WaitForAny(
    std::span<Event* const> events,
    std::optional<std::chrono::milliseconds> timeout = std::nullopt);

}  // namespace platform

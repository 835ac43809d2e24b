// Events on Win32 event objects: WaitForMultipleObjects reports the lowest signalled slot and
// resets only that event when it is automatic-reset, which is the rule the port relies on.
#include <algorithm>
#include <cstdint>
#include <new>
#include <vector>

#include "platform/event.h"
#include "platform/event_win.h"

// Last: its macros would rename our own declarations above.
#include <windows.h>

namespace platform {

struct Event::State {
    HANDLE handle = nullptr;
    bool autoReset = false;
    ~State() {
        if (handle)
            ::CloseHandle(handle);
    }
};

struct EventAccess {
    static Event::State& Of(Event& e) { return *e.state_; }
};

namespace {

DWORD WaitMilliseconds(std::optional<std::chrono::milliseconds> timeout) {
    if (!timeout)
        return INFINITE;
    // INFINITE itself is one past the longest finite wait.
    return static_cast<DWORD>(std::clamp<std::int64_t>(timeout->count(), 0, INFINITE - 1));
}

}  // namespace

Event::Event(ResetMode mode) : state_(std::make_unique<State>()) {
    state_->autoReset = mode == ResetMode::Automatic;
    state_->handle = ::CreateEventA(nullptr, state_->autoReset ? FALSE : TRUE, FALSE, nullptr);
    if (!state_->handle)
        throw std::bad_alloc();
}

Event::~Event() = default;

void Event::Set() {
    ::SetEvent(state_->handle);
}

void Event::Reset() {
    ::ResetEvent(state_->handle);
}

bool Event::IsSet() const {
    if (::WaitForSingleObject(state_->handle, 0) != WAIT_OBJECT_0)
        return false;
    if (state_->autoReset)
        ::SetEvent(state_->handle);  // the look took it
    return true;
}

bool Event::Wait(std::optional<std::chrono::milliseconds> timeout) {
    return ::WaitForSingleObject(state_->handle, WaitMilliseconds(timeout)) == WAIT_OBJECT_0;
}

void* NativeEventHandle(Event& event) {
    return EventAccess::Of(event).handle;
}

std::optional<std::size_t> WaitForAny(std::span<Event* const> events,
                                      std::optional<std::chrono::milliseconds> timeout) {
    if (events.empty() || events.size() > MAXIMUM_WAIT_OBJECTS ||
        std::find(events.begin(), events.end(), nullptr) != events.end()) {
        return std::nullopt;
    }
    HANDLE handles[MAXIMUM_WAIT_OBJECTS];
    for (std::size_t i = 0; i < events.size(); ++i)
        handles[i] = EventAccess::Of(*events[i]).handle;
    const DWORD r = ::WaitForMultipleObjects(static_cast<DWORD>(events.size()), handles, FALSE,
                                             WaitMilliseconds(timeout));
    if (r >= WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + events.size())
        return r - WAIT_OBJECT_0;
    return std::nullopt;
}

}  // namespace platform

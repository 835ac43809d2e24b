// What lets a device complete an overlapped operation without a thread of its own: a source
// bound to the operation's completion event. A thread that waits for that event (WaitForAny)
// also waits for the source's descriptor to become ready or its deadline to pass, and then
// calls `service`, which finishes the operation if it can and sets the event. The thread that
// waits for a read's completion therefore wakes on the received bytes themselves.
//
// Threading: sources are bound and cleared under the events' lock; `service` runs on a
// waiting thread without that lock, possibly after the source was cleared or replaced, so it
// must check under its own lock that its operation is still the pending one.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "platform/event.h"

namespace platform {

struct EventSource {
    int fd = -1;  // watched for `events` (poll); -1: none
    short events = 0;
    std::optional<std::chrono::steady_clock::time_point> deadline;
    // Called with the descriptor's poll result (0 when only the deadline passed).
    std::function<void(short revents)> service;
};

// Binds `source` to `event`, replacing any other; null clears it.
void BindEventSource(Event& event, std::shared_ptr<const EventSource> source);

}  // namespace platform

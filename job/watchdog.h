// The job's watchdog: counts the armed time down in 50 ms ticks, reports the erase progress,
// and ends the job with a time-out when the loader has been silent for the armed time.
//
// The time runs on the monotonic clock from the arming (timeout_keeper.h): on a quiet host a
// time-out ends the job at its armed time plus at most one tick, and on a busy one as well,
// unless a stall of this process, a reply or transmission still inside this host, or a step
// of the job's own was measured during the armed window; those move the deadline within the
// job's budgets, and the job's record reports by how much (extendedMs, heldBy).
//
// Threading: StartWatchdog and StopWatchdog run on the thread that starts and releases jobs
// (the GUI thread); the watchdog runs on its own thread and touches the job record's port only
// while it holds the engine's entry lock.
#pragma once

#include <cstdint>
#include <functional>

#include "job/timeout_keeper.h"
#include "platform/message_target.h"
#include "platform/thread.h"

// Starts the watchdog of a new job; an empty handle when the thread could not be started.
platform::Thread StartWatchdog(platform::HWND dialog);
// Wakes the watchdog so that it ends at once, and waits for it for up to 2 s.
void StopWatchdog(platform::Thread& thread);

// Test hook: called on the watchdog thread each time it holds a time-out that has run out, with
// the cause. Set it only while no job runs.
void SetWatchdogHoldHook(std::function<void(HoldCause)> hook);

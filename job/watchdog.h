// The job's watchdog: counts the armed time down in 50 ms ticks, reports the erase progress,
// and ends the job with a time-out when the loader has been silent for the armed time.
//
// A tick is a 50 ms wait that actually completed: after a stall of the whole process the
// watchdog counts one tick, never the ticks it missed. When the time runs out it ends the job
// only if the silence is the loader's: no engine step is running, no byte is on its way
// through the port, and the machine is not so busy that the kernel may be holding a reply
// back (platform/host_load.h). Otherwise it looks again a tick later: for as long as a step
// runs, and for at most kMaxHeldTicks while bytes are in transit or the machine is busy, so
// a host that never catches up still ends the job.
//
// Threading: StartWatchdog and StopWatchdog run on the thread that starts and releases jobs
// (the GUI thread); the watchdog runs on its own thread and touches the job record's port only
// while it holds the engine's entry lock.
#pragma once

#include <cstdint>

#include "platform/message_target.h"
#include "platform/thread.h"

// How many ticks, at most, the watchdog holds back a time-out for bytes in transit or a busy
// machine, per arming.
inline constexpr std::uint16_t kMaxHeldTicks = 200;

// Starts the watchdog of a new job; an empty handle when the thread could not be started.
platform::Thread StartWatchdog(platform::HWND dialog);
// Wakes the watchdog so that it ends at once, and waits for it for up to 2 s.
void StopWatchdog(platform::Thread& thread);

// Starting and ending jobs, the bridge from port events into the engine, and the watchdog.
//
// Threading: StartJob and EndJob run on the thread that owns `dialog` (the GUI thread).
// PortEventCallback runs on the port's threads. The watchdog runs on its own thread.
#pragma once

#include <cstdint>

#include "platform/message_target.h"
#include "serial/serial_port.h"

inline constexpr int kModeProgram = 1;
inline constexpr int kModeEepSum = 2;

// Starts a job in `mode` with the settings of AppSettings. Returns 1 when the job runs; 0 when
// it failed to start, after its message was shown (the caller then posts
// kResultStartFailed).
int StartJob(platform::HWND dialog, int mode);

// Releases everything a job holds. Safe to call with nothing held, and twice.
void EndJob();

void PortEventCallback(CSerialPort* sender, std::int32_t kind);

// Body of the job's timer thread: ticks every 50 ms while the job of `generation` is active.
void WatchdogThread(platform::HWND dialog, std::uint64_t generation);

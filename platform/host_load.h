// Whether this machine is short of processor time right now.
//
// When it is, the kernel's own work is held back too: on a pseudo-terminal or a serial
// driver, bytes move from the line to the reader in a kernel worker thread, and on a saturated
// machine that worker has been measured waiting more than a second with the bytes invisible
// (not readable, not counted by FIONREAD). A reply that came in time then looks like silence,
// to any host. A time-out that falls while the machine is saturated is therefore not
// conclusive.
//
// Threading: any thread; no shared state.
#pragma once

#include <optional>
#include <string_view>

namespace platform {

// True while tasks wait for a processor most of the time: the kernel's pressure figure
// (/proc/pressure/cpu, "some avg10") at or above kBusyPressurePercent, or, where the kernel
// keeps none, more than twice as many runnable tasks as processors (/proc/loadavg). A machine
// that is only busy (a build beside the job) keeps exact time-outs; the stalls measured here
// came with pressure above 90 %.
bool HostIsBusy();

inline constexpr double kBusyPressurePercent = 50.0;

// The parsers, for tests: "some avg10" of a pressure file, and the runnable count of a
// loadavg line ("0.52 0.58 0.59 3/467 12345" gives 3).
std::optional<double> PressureAvg10(std::string_view pressureText);
std::optional<int> RunnableTasks(std::string_view loadavgText);

}  // namespace platform

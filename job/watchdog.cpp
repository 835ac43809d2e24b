#include "job/watchdog.h"

#include <atomic>
#include <chrono>
#include <mutex>

#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/event.h"
#include "platform/host_load.h"

namespace {

using namespace std::chrono_literals;
constexpr auto kTick = 50ms;

// Each job gets a new generation, so that a watchdog that outlives its job never touches the
// next one.
std::atomic<std::uint64_t> g_generation{0};
// Wakes the watchdog at once when its job is released.
platform::Event g_watchdogStop{platform::Event::ResetMode::Manual};

enum class Expiry { Ended, StepRunning, Held, Rearmed };

// The last tick has run out. Under the engine's entry lock, so that no step runs and no
// re-arm lands while the port is looked at.
Expiry Expire(bool mayHold) {
    std::unique_lock lock(ProgramJob.busy, std::try_to_lock);
    if (!lock.owns_lock())
        return Expiry::StepRunning;  // the time is ours, not the loader's
    std::uint16_t last = 1;
    if (ProgramJob.timeoutTicks.load(std::memory_order_relaxed) != last)
        return Expiry::Rearmed;
    // Bytes on their way through this host, or a machine too busy to move them: the silence
    // cannot be told from the host's own delay yet.
    if (mayHold && ((ProgramJob.serialPort && ProgramJob.serialPort->HasBytesInTransit()) ||
                    platform::HostIsBusy())) {
        return Expiry::Held;
    }
    if (!ProgramJob.timeoutTicks.compare_exchange_strong(last, 0, std::memory_order_relaxed))
        return Expiry::Rearmed;
    EndJobWithResult(kResultTimeout);
    return Expiry::Ended;
}

// Every tenth tick of the erase: the elapsed ticks, posted so that the watchdog never waits
// on the dialog.
void CountProgress(platform::HWND dialog) {
    const std::uint8_t divider = ProgramJob.progressDivider.load(std::memory_order_relaxed);
    if (divider == 0)
        return;
    if (divider != 1) {
        ProgramJob.progressDivider.store(static_cast<std::uint8_t>(divider - 1),
                                         std::memory_order_relaxed);
        return;
    }
    ProgramJob.progressDivider.store(kTicksPerProgressReport, std::memory_order_relaxed);
    if (ProgramJob.state.load() == kStateEraseDone) {
        const auto elapsed = static_cast<std::uint16_t>(ProgramJob.eraseTicks.load() -
                                                        ProgramJob.timeoutTicks.load());
        PostMessageA(dialog, WM_JOB_STATUS, StatusWParam(kStatusEraseProgress), elapsed);
    }
}

// One tick of the count-down; false once the job has been ended. `held` counts the ticks held
// back since the watchdog was last armed.
bool CountDown(std::uint16_t ticks, std::uint16_t& held) {
    if (ticks > 1) {
        // Only a decrement of the value read counts: a step that re-armed the watchdog
        // meanwhile wins, so a fresh time-out is never cut short by a stale count.
        ProgramJob.timeoutTicks.compare_exchange_strong(
            ticks, static_cast<std::uint16_t>(ticks - 1), std::memory_order_relaxed);
        return true;
    }
    switch (Expire(held < kMaxHeldTicks)) {
        case Expiry::Ended:
            return false;
        case Expiry::Held:
            ++held;
            return true;
        default:
            return true;
    }
}

}  // namespace

platform::Thread StartWatchdog(platform::HWND dialog) {
    const std::uint64_t generation = ++g_generation;
    g_watchdogStop.Reset();
    return platform::Thread::Start([dialog, generation] { WatchdogThread(dialog, generation); });
}

void StopWatchdog(platform::Thread& thread) {
    g_watchdogStop.Set();
    // The watchdog ends within one tick; one that does not is told apart by its generation.
    if (thread && !thread.Wait(std::chrono::seconds(2)))
        thread.Release();
}

void WatchdogThread(platform::HWND dialog, std::uint64_t generation) {
    const auto mine = [generation] {
        return ProgramJob.active.load() != 0 && g_generation.load() == generation;
    };
    std::uint16_t previous = 0;
    std::uint16_t held = 0;
    while (mine()) {
        // A relative wait: a tick is 50 ms that really passed for this thread, so a stall of
        // the whole process counts as one tick, never as the ticks it missed.
        if (g_watchdogStop.Wait(kTick) || !mine())
            break;
        const std::uint16_t ticks = ProgramJob.timeoutTicks.load(std::memory_order_relaxed);
        if (ticks > previous)
            held = 0;  // armed again
        previous = ticks;
        if (ticks == 0)
            continue;
        if (!CountDown(ticks, held))
            break;
        CountProgress(dialog);
    }
}

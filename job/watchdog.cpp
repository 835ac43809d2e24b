#include "job/watchdog.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>

#include "job/job_control.h"
#include "job/program_job.h"
#include "job/protocol_step.h"
#include "job/timeout_keeper.h"
#include "platform/event.h"

namespace {

using Clock = TimeoutKeeper::Clock;
constexpr auto kTick = std::chrono::duration_cast<std::chrono::milliseconds>(TimeoutKeeper::kTick);

// Each job gets a new generation, so that a watchdog that outlives its job never touches the
// next one.
std::atomic<std::uint64_t> g_generation{0};
// Wakes the watchdog at once when its job is released.
platform::Event g_watchdogStop{platform::Event::ResetMode::Manual};
std::function<void(HoldCause)> g_holdHook;

// One job's count-down, on its watchdog thread.
class CountDown {
  public:
    explicit CountDown(platform::HWND dialog) : dialog_(dialog) {}

    // One completed wait, ending at `now` after `waited`; false once the job has been ended.
    bool Tick(Clock::time_point now, Clock::duration waited) {
        const std::uint64_t arming = ProgramJob.arming.load();
        if (arming != arming_) {
            arming_ = arming;
            keeper_.Arm(ArmedAt(arming), ArmedTicks(arming));
            remaining_ = ArmedTicks(arming);
        }
        if (!keeper_.Armed())
            return true;
        const bool due = keeper_.Tick(now, waited);
        Publish();
        Count(due);
        return !due || !Expire(now);
    }

  private:
    // The armed ticks counted down, one per completed wait, and the erase progress every tenth
    // tick. The count is what the job shows (timeoutTicks); the deadline decides.
    void Count(bool due) {
        // Ticks that came late lag behind the clock: once the time is up, none is left.
        remaining_ = due ? 0 : std::max(remaining_ - 1, 0);
        std::uint16_t shown = ProgramJob.timeoutTicks.load(std::memory_order_relaxed);
        // It reaches 0 only when the time-out ends the job.
        const auto next = static_cast<std::uint16_t>(std::max(remaining_, 1));
        // A step that re-armed meanwhile wins.
        if (ProgramJob.arming.load() == arming_)
            ProgramJob.timeoutTicks.compare_exchange_strong(shown, next, std::memory_order_relaxed);

        const std::uint8_t divider = ProgramJob.progressDivider.load(std::memory_order_relaxed);
        if (divider == 0)
            return;
        if (divider != 1) {
            ProgramJob.progressDivider.store(static_cast<std::uint8_t>(divider - 1),
                                             std::memory_order_relaxed);
            return;
        }
        ProgramJob.progressDivider.store(kTicksPerProgressReport, std::memory_order_relaxed);
        ReportErase(static_cast<std::uint16_t>(ProgramJob.eraseTicks.load() - remaining_));
    }

    // Posted, so that the watchdog never waits on the dialog.
    void ReportErase(std::uint16_t elapsed) {
        if (ProgramJob.state.load() != kStateEraseDone || elapsed == reported_)
            return;
        reported_ = elapsed;
        PostMessageA(dialog_, WM_JOB_STATUS, StatusWParam(kStatusEraseProgress), elapsed);
    }

    // The time has run out. True when the job was ended; false when the silence is not the
    // loader's yet, or a step re-armed meanwhile.
    bool Expire(Clock::time_point now) {
        // Under the engine's entry lock, so that no step runs and no re-arm lands while the
        // port is looked at.
        std::unique_lock lock(ProgramJob.busy, std::try_to_lock);
        if (!lock.owns_lock()) {
            // A step is running: the time is this host's, not the loader's, within its cap.
            const OwnWork work = ProgramJob.ownWork.load();
            if (work != OwnWork::None)
                ProgramJob.heldBy = work;
            const HoldCause cause = work == OwnWork::None ? HoldCause::Host : HoldCause::OwnStep;
            if (keeper_.Hold(now, cause))
                return Held(cause);
            ProgramJob.ownWorkCapped = keeper_.StepCapReached();
        } else {
            if (ProgramJob.arming.load() != arming_)
                return false;
            // The whole reply, or our own transmission, still inside this host.
            if (InHost() && keeper_.Hold(now, HoldCause::Host))
                return Held(HoldCause::Host);
        }
        ProgramJob.timeoutTicks = 0;
        // The bar shows the whole erase time before the result says it ran out.
        ReportErase(ProgramJob.eraseTicks.load());
        Publish();
        EndJobWithResult(kResultTimeout);
        return true;
    }

    static bool InHost() {
        if (!ProgramJob.serialPort)
            return false;
        const CSerialPort::Transit t = ProgramJob.serialPort->InTransit();
        const std::uint32_t awaited = AwaitedReplyBytes();
        return t.sending || (awaited > 0 && t.received >= awaited);
    }

    bool Held(HoldCause cause) {
        Publish();
        if (g_holdHook)
            g_holdHook(cause);
        return false;
    }

    void Publish() {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(keeper_.Extended());
        ProgramJob.extendedMs = static_cast<std::uint32_t>(ms.count());
    }

    platform::HWND dialog_;
    TimeoutKeeper keeper_;
    std::uint64_t arming_ = 0;
    std::int32_t remaining_ = 0;  // ticks of the current arming not yet counted
    std::uint16_t reported_ = 0;  // the last erase progress posted
};

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

void SetWatchdogHoldHook(std::function<void(HoldCause)> hook) {
    g_holdHook = std::move(hook);
}

void WatchdogThread(platform::HWND dialog, std::uint64_t generation) {
    const auto mine = [generation] {
        return ProgramJob.active.load() != 0 && g_generation.load() == generation;
    };
    CountDown countDown(dialog);
    Clock::time_point last = Clock::now();
    while (mine()) {
        // A relative wait; how long it really took tells a stall of this process.
        if (g_watchdogStop.Wait(kTick) || !mine())
            break;
        const Clock::time_point now = Clock::now();
        const Clock::duration waited = now - last;
        last = now;
        if (!countDown.Tick(now, waited))
            break;
    }
}

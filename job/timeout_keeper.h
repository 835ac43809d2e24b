// When the loader's time has run out.
//
// An armed time-out ends at a deadline on the monotonic clock: the time of the arming plus its
// ticks. The deadline moves later only for what was measured while it was armed, and only
// within the job's budgets, so that a result depends on the loader and the line and not on how
// busy the host looks:
//
// - a stall of this process: a wait of the watchdog that overran its tick by more than
//   kStallGap means the process did not run; the part of the overrun inside the armed window
//   moves the deadline (jitter below the gap moves nothing);
// - a reply, or the job's own transmission, still inside this host when the time ran out;
// - a step of the job's own (a file written, a message handed to the front end) still running
//   when the time ran out.
//
// The first two share one budget of kHostBudget per job, whatever the number of armings; own
// steps have their own cap, kStepBudget, past which the time-out stands. A level or average
// read at expiry (load, CPU pressure) extends nothing.
//
// Threading: plain values; one object per job, used by the watchdog thread alone.
#pragma once

#include <chrono>
#include <cstdint>

enum class HoldCause : std::uint8_t {
    Host,     // this host held the loader's bytes: a stall, a reply or a transmission in it
    OwnStep,  // a step of the job's own was running
};

class TimeoutKeeper {
  public:
    using Clock = std::chrono::steady_clock;
    using Duration = Clock::duration;

    static constexpr Duration kTick = std::chrono::milliseconds(50);
    // A wait that took longer than its tick plus this was a stall, not scheduling jitter.
    static constexpr Duration kStallGap = std::chrono::milliseconds(50);
    static constexpr Duration kHostBudget = std::chrono::seconds(10);
    static constexpr Duration kStepBudget = std::chrono::seconds(30);

    // The engine armed `ticks` ticks at `armedAt`; 0 disarms.
    void Arm(Clock::time_point armedAt, std::uint16_t ticks);
    bool Armed() const { return armed_; }

    // A wait of the watchdog ended at `now` after `waited`. True when the armed time has run
    // out (the time-out is then due unless Hold keeps it).
    bool Tick(Clock::time_point now, Duration waited);

    // The time ran out, but `cause` says the silence is not the loader's yet: the deadline
    // moves to one tick past `now` if the cause's budget allows it. False when it does not,
    // and the time-out stands.
    bool Hold(Clock::time_point now, HoldCause cause);

    // How far the deadlines of this job were moved in all, and by own steps among that.
    Duration Extended() const { return hostUsed_ + stepUsed_; }
    Duration ExtendedByOwnSteps() const { return stepUsed_; }
    // The last refused hold was an own step's: the step cap ended the job.
    bool StepCapReached() const { return stepCapReached_; }

  private:
    void Charge(Duration amount, HoldCause cause);

    bool armed_ = false;
    Clock::time_point armedAt_{};
    Clock::time_point deadline_{};
    Duration hostUsed_{};
    Duration stepUsed_{};
    bool stepCapReached_ = false;
};

#include "job/timeout_keeper.h"

#include <algorithm>

void TimeoutKeeper::Arm(Clock::time_point armedAt, std::uint16_t ticks) {
    armed_ = ticks != 0;
    armedAt_ = armedAt;
    deadline_ = armedAt + ticks * kTick;
}

bool TimeoutKeeper::Tick(Clock::time_point now, Duration waited) {
    if (!armed_)
        return false;
    if (waited > kTick + kStallGap) {
        // Only the part of the stall that fell inside the armed window was the loader's time.
        const Duration stall = std::min(waited - kTick, now - armedAt_);
        if (stall > Duration::zero())
            Charge(std::min(stall, kHostBudget - hostUsed_), HoldCause::Host);
    }
    return now >= deadline_;
}

bool TimeoutKeeper::Hold(Clock::time_point now, HoldCause cause) {
    const Duration amount = std::max(now + kTick - deadline_, Duration::zero());
    const Duration left =
        cause == HoldCause::OwnStep ? kStepBudget - stepUsed_ : kHostBudget - hostUsed_;
    if (amount > left) {
        stepCapReached_ = cause == HoldCause::OwnStep;
        return false;
    }
    Charge(amount, cause);
    return true;
}

void TimeoutKeeper::Charge(Duration amount, HoldCause cause) {
    (cause == HoldCause::OwnStep ? stepUsed_ : hostUsed_) += amount;
    deadline_ += amount;
}

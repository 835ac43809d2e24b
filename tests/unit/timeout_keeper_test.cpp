// When the loader's time runs out, on a clock the test moves: exact on a quiet host and on a
// busy one; later only for a stall or a hold measured in the armed window, within the job's
// budgets.
#include <gtest/gtest.h>

#include "job/timeout_keeper.h"

namespace {

using namespace std::chrono_literals;
using Clock = TimeoutKeeper::Clock;
constexpr auto kTick = TimeoutKeeper::kTick;

class Keeper : public ::testing::Test {
  protected:
    // Ticks of `waited` each from `now` until the time runs out; how long that took.
    Clock::duration RunOut(Clock::duration waited, int limit = 10'000) {
        const Clock::time_point start = now;
        for (int i = 0; i < limit; ++i) {
            now += waited;
            if (keeper.Tick(now, waited))
                return now - start;
        }
        return Clock::duration::max();
    }

    TimeoutKeeper keeper;
    Clock::time_point now = Clock::time_point(1h);
};

TEST_F(Keeper, OnAQuietHostTheTimeRunsOutAtItsArmedTime) {
    keeper.Arm(now, 40);
    EXPECT_EQ(RunOut(kTick), 40 * kTick);
    EXPECT_EQ(keeper.Extended(), 0s);

    // Armed between two ticks: due at the first tick past the armed time, never before it.
    now += 20ms;
    const Clock::time_point armed = now;
    keeper.Arm(armed, 20);
    now -= 20ms;
    const Clock::duration took = RunOut(kTick);
    EXPECT_GE(now, armed + 20 * kTick);
    EXPECT_LE(now, armed + 20 * kTick + kTick);
    EXPECT_EQ(took, 21 * kTick);
}

TEST_F(Keeper, ABusyHostWithoutAStallKeepsTheArmedTime) {
    // Every wait comes late, as on a loaded machine, but none so late that the process did not
    // run: the time-out stays where it was armed, however busy the host looks.
    keeper.Arm(now, 40);
    const Clock::duration took = RunOut(kTick + 45ms);
    EXPECT_GE(took, 40 * kTick);
    EXPECT_LT(took, 40 * kTick + kTick + 45ms);
    EXPECT_EQ(keeper.Extended(), 0s);
}

TEST_F(Keeper, AStallInTheArmedWindowMovesTheDeadlineByItsLength) {
    keeper.Arm(now, 40);
    now += 10 * kTick;
    EXPECT_FALSE(keeper.Tick(now, kTick));
    // The process did not run for 1.5 s.
    now += 1500ms;
    EXPECT_FALSE(keeper.Tick(now, 1500ms));
    EXPECT_EQ(keeper.Extended(), 1500ms - kTick);
    // The rest of the armed time is still the loader's.
    EXPECT_EQ(RunOut(kTick), 2000ms - 10 * kTick - kTick);

    // A stall that began before the arming counts only from the arming on.
    keeper.Arm(now, 20);
    const Clock::duration before = keeper.Extended();
    now += 100ms;
    EXPECT_FALSE(keeper.Tick(now, 3s));
    EXPECT_EQ(keeper.Extended() - before, 100ms);
}

TEST_F(Keeper, HoldsMoveTheDeadlineOneTickAtATimeWithinTheirBudgets) {
    keeper.Arm(now, 20);
    RunOut(kTick);
    // The reply is in this host when the time runs out: one more tick for it to be taken.
    EXPECT_TRUE(keeper.Hold(now, HoldCause::Host));
    EXPECT_FALSE(keeper.Tick(now + 10ms, 10ms));
    EXPECT_TRUE(keeper.Tick(now + kTick, kTick));
    EXPECT_EQ(keeper.Extended(), kTick);
    EXPECT_EQ(keeper.ExtendedByOwnSteps(), 0s);

    // Own work holds up to its cap, then the time-out stands and says why.
    now += kTick;
    int held = 0;
    while (keeper.Hold(now, HoldCause::OwnStep)) {
        ++held;
        now += kTick;
    }
    EXPECT_EQ(held, TimeoutKeeper::kStepBudget / kTick);
    EXPECT_TRUE(keeper.StepCapReached());
    EXPECT_EQ(keeper.ExtendedByOwnSteps(), TimeoutKeeper::kStepBudget);
}

TEST_F(Keeper, OneBudgetPerJobWhateverTheNumberOfArmings) {
    // A host that stalls in every packet's window: the job's time-outs move by 10 s in all,
    // then every armed time holds exactly.
    for (int packet = 0; packet < 100; ++packet) {
        keeper.Arm(now, 20);
        now += 600ms;
        keeper.Tick(now, 600ms);
        now += kTick;
        keeper.Tick(now, kTick);
    }
    EXPECT_EQ(keeper.Extended(), TimeoutKeeper::kHostBudget);
    keeper.Arm(now, 20);
    now += 900ms;
    keeper.Tick(now, 900ms);
    EXPECT_EQ(RunOut(kTick), 1000ms - 900ms);
    EXPECT_FALSE(keeper.Hold(now, HoldCause::Host));
    EXPECT_FALSE(keeper.StepCapReached());
}

}  // namespace

// The watchdog ends a job only for the loader's silence: never for time the host took itself,
// never for a job that is not its own, and never when it cannot start.
#include <algorithm>
#include <condition_variable>
#include <mutex>

#include "job/watchdog.h"
#include "platform/thread.h"
#include "support/fake_job.h"

namespace {

using testing_support::FakeJobTest;

class Watchdog : public FakeJobTest {
  protected:
    // Runs a job up to the erase, which the loader says takes 2 s (40 ticks): the watchdog then
    // posts the erase progress every 10 ticks, which tells the test how far it has counted.
    void EraseOfTwoSeconds() {
        ASSERT_TRUE(StartJob(&dialog, kModeProgram));
        ASSERT_TRUE(WaitWrites(1));
        std::vector<BYTE> loader = LinkReply('e', 255);
        std::vector<BYTE> info(32, 0);
        info[0] = 1;
        info[1] = 0xFE;
        loader.insert(loader.end(), info.begin(), info.end());
        FeedQuiet(loader);
        line->CompleteWrite();
        Feed({0xAA, 0x55});
        ASSERT_TRUE(WaitStatus(kStatusEraseBegun));
        ASSERT_EQ(ProgramJob.eraseTicks, 40);
    }
    void SetUp() override {
        FakeJobTest::SetUp();
        SetWatchdogHoldHook([this](HoldCause cause) {
            std::lock_guard lock(mu);
            holds.push_back(cause);
            changed.notify_all();
        });
    }
    void TearDown() override {
        FakeJobTest::TearDown();
        SetWatchdogHoldHook({});
    }
    // The engine's state once the step that is sending has finished.
    static int StateAfterStep() {
        std::lock_guard step(ProgramJob.busy);
        return ProgramJob.state;
    }
    // Waits until the watchdog has held a time-out that ran out, for `cause`.
    bool WaitHeld(HoldCause cause) {
        std::unique_lock lock(mu);
        return changed.wait_for(lock, std::chrono::minutes(2), [&] {
            return std::find(holds.begin(), holds.end(), cause) != holds.end();
        });
    }

    std::mutex mu;
    std::condition_variable changed;
    std::vector<HoldCause> holds;
};

TEST_F(Watchdog, OwnWorkPastTheArmedTimeHoldsTheTimeOutAndIsNamed) {
    EraseOfTwoSeconds();
    {
        // A step of the job's own that runs past the erase's 40 ticks, as one writing to a
        // slow disk does.
        std::lock_guard step(ProgramJob.busy);
        const OwnWorkScope writing(OwnWork::WritingReadBack);
        ASSERT_TRUE(WaitHeld(HoldCause::OwnStep));
        dialog.Pump();
        EXPECT_EQ(dialog.Count(WM_JOB_DONE), 0u);
        EXPECT_EQ(ProgramJob.active, 1);
        EXPECT_EQ(ProgramJob.timeoutTicks, 1);  // due, and held
    }
    // Once the step is over, the silence that follows is the loader's.
    ASSERT_TRUE(dialog.WaitFor(WM_JOB_DONE, std::chrono::minutes(2)));
    EXPECT_EQ(dialog.messages.back().lParam, JobDoneLParam(kResultTimeout));
    EXPECT_EQ(ProgramJob.heldBy, OwnWork::WritingReadBack);
    EXPECT_FALSE(ProgramJob.ownWorkCapped);
    EXPECT_GT(ProgramJob.extendedMs, 0u);
    // The bar reached the whole erase time before the result.
    const auto& m = dialog.messages;
    ASSERT_GE(m.size(), 2u);
    const JobStatus last = DecodeJobStatus(m[m.size() - 2].wParam, m[m.size() - 2].lParam);
    EXPECT_EQ(m[m.size() - 2].msg, UINT{WM_JOB_STATUS});
    EXPECT_EQ(last.kind, kStatusEraseProgress);
    EXPECT_EQ(m[m.size() - 2].lParam, 40);
}

TEST_F(Watchdog, ARearmDuringAHeldTimeOutWins) {
    EraseOfTwoSeconds();
    {
        std::lock_guard step(ProgramJob.busy);
        const OwnWorkScope writing(OwnWork::WritingReadBack);
        ASSERT_TRUE(WaitHeld(HoldCause::OwnStep));
        ArmWatchdog(kTicksCommand);  // the step ends by arming the next wait
    }
    Feed({0x55, 0xAA});  // erase done: the job goes on to the file length
    ASSERT_TRUE(WaitWrites(2));
    EXPECT_EQ(StateAfterStep(), 5);
    dialog.Pump();
    EXPECT_EQ(dialog.Count(WM_JOB_DONE), 0u);
}

TEST_F(Watchdog, AReplyWaitingInThePortWhenTheTimeRunsOutIsTaken) {
    EraseOfTwoSeconds();
    {
        // The erase's end arrives while a step runs and the armed time passes: when the time
        // runs out, the reply is in this host and the engine takes it.
        std::lock_guard step(ProgramJob.busy);
        line->Feed(std::vector<BYTE>{0x55, 0xAA});
        ASSERT_TRUE(WaitHeld(HoldCause::Host));
    }
    ASSERT_TRUE(WaitWrites(2));
    EXPECT_EQ(StateAfterStep(), 5);
    dialog.Pump();
    EXPECT_EQ(dialog.Count(WM_JOB_DONE), 0u);
}

TEST_F(Watchdog, HalfAReplyWhenTheTimeRunsOutIsATimeOut) {
    EraseOfTwoSeconds();
    // One byte of the two, as a loader that dribbles too slowly sends it.
    Feed({0x55});
    ASSERT_TRUE(dialog.WaitFor(WM_JOB_DONE, std::chrono::minutes(2)));
    EXPECT_EQ(dialog.messages.back().lParam, JobDoneLParam(kResultTimeout));
    EXPECT_EQ(ProgramJob.heldBy, OwnWork::None);
}

TEST_F(Watchdog, OneOfAnEarlierJobTouchesNothing) {
    ASSERT_TRUE(StartJob(&dialog, kModeProgram));
    ArmWatchdog(1);
    // The generation of no running job: it returns at once instead of counting this job down.
    WatchdogThread(&dialog, 0);
    EXPECT_EQ(ProgramJob.timeoutTicks, 1);
    dialog.Pump();
    EXPECT_EQ(dialog.Count(WM_JOB_DONE), 0u);
    EXPECT_EQ(ProgramJob.active, 1);
}

TEST_F(Watchdog, AJobWhoseWatchdogCannotStartDoesNotStart) {
    // The port's reader and writer start; the third thread is the watchdog.
    int started = 0;
    platform::SetThreadStartFailureHook([&] { return ++started == 3; });
    EXPECT_EQ(StartJob(&dialog, kModeProgram), 0);
    platform::SetThreadStartFailureHook({});
    EXPECT_EQ(boxes, std::vector<std::string>{"Create TimerOut error"});
    EXPECT_EQ(ProgramJob.active, 0);
    EXPECT_EQ(line->Snapshot().writesStarted, 0);  // no link request went out
    EndJob();
    EXPECT_EQ(ProgramJob.serialPort, nullptr);
    EXPECT_EQ(ProgramJob.fileBuffer, nullptr);
    EXPECT_EQ(dialog.Pump(), 0u);
}

}  // namespace

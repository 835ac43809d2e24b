#include <filesystem>

#include "job_harness.h"

namespace {

using testing_support::JobHarness;
using testing_support::Pattern;

std::size_t CountEntries(const char* dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

class JobLifecycle : public JobHarness {};

TEST_F(JobLifecycle, EndJobTwiceOrWithNothingHeldDoesNothing) {
    EndJob();
    EndJob();
    EXPECT_EQ(ProgramJob.serialPort, nullptr);
    EXPECT_EQ(dialog.Pump(), 0u);
}

TEST_F(JobLifecycle, TwoHundredJobsLeaveNothingBehind) {
    sim::LoaderConfig clean = FastLoader();
    clean.eraseScale = 0.0005;
    sim::LoaderConfig faulty = clean;
    faulty.faults.push_back(*sim::ParseFault("bad:ack:2"));
    auto good = sim::Simulator::Start(clean);
    auto bad = sim::Simulator::Start(faulty);
    ASSERT_TRUE(good && bad);
    platform::SetComDevice(kComNumber, good->SlavePath());
    platform::SetComDevice(kComNumber + 1, bad->SlavePath());
    UseImage(Pattern(700));

    // One job first, so that lazily created things exist before counting.
    ASSERT_EQ(RunJob(kModeProgram), 0);
    const std::size_t fds = CountEntries("/proc/self/fd");
    const std::size_t tasks = CountEntries("/proc/self/task");
    for (int i = 0; i < 200; ++i) {
        const bool faultyRun = i % 3 == 2;
        AppSettings.port = faultyRun ? kComNumber + 1 : kComNumber;
        const int mode = i % 5 == 4 ? kModeEepSum : kModeProgram;
        const int want = faultyRun && mode == kModeProgram ? kResultPacketNotAcked : 0;
        ASSERT_EQ(RunJob(mode), want) << "job " << i << ": " << diagnostics;
        ASSERT_EQ(dialog.Count(WM_JOB_DONE), 1u);
    }
    EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
    EXPECT_EQ(CountEntries("/proc/self/task"), tasks);
    platform::SetComDevice(kComNumber + 1, "");
}

TEST_F(JobLifecycle, EndJobWhileRunningReleasesAtOnce) {
    sim::LoaderConfig cfg = FastLoader();
    cfg.baud = 9600;  // slow enough that the job is mid-transfer
    StartLoader(cfg);
    UseImage(Pattern(20000));
    bool ended = false;
    dialog.onMessage = [&](const testing_support::Message& m) {
        // Release the job from inside a status handler of the writing phase, as closing the
        // main window does.
        if (!ended && m.msg == WM_JOB_STATUS &&
            DecodeJobStatus(m.wParam, m.lParam).kind == kStatusWritePos && m.lParam > 2000) {
            ended = true;
        }
    };
    ASSERT_TRUE(StartJob(&dialog, kModeProgram));
    ASSERT_TRUE(dialog.RunUntil([&] { return ended || dialog.Count(WM_JOB_DONE) > 0; },
                                std::chrono::minutes(5)));
    ASSERT_TRUE(ended) << "the job ended first, with " << dialog.messages.back().lParam;
    EndJob();
    EXPECT_EQ(ProgramJob.serialPort, nullptr);
    EXPECT_EQ(dialog.Count(WM_JOB_DONE), 0u);
    // A new job starts cleanly on the same line once the loader gives up the old session.
    loader.reset();
    StartLoader(FastLoader());
    UseImage(Pattern(100));
    EXPECT_EQ(RunJob(kModeProgram), 0);
}

}  // namespace

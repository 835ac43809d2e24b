#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "job/program_job.h"
#include "support/recording_target.h"

using testing_support::RecordingTarget;

namespace {

TEST(EndJobWithResult, RacingEndersPostExactlyOneResult) {
    RecordingTarget dialog;
    ProgramJob.dialog = &dialog;
    for (int round = 0; round < 500; ++round) {
        ProgramJob.active = 1;
        std::atomic<bool> go{false};
        std::thread a([&] {
            while (!go.load()) {
            }
            EndJobWithResult(kResultTimeout);
        });
        std::thread b([&] {
            while (!go.load()) {
            }
            EndJobWithResult(kResultVerifyFailed);
        });
        go = true;
        a.join();
        b.join();
        dialog.Pump();
        ASSERT_EQ(dialog.Count(WM_JOB_DONE), static_cast<std::size_t>(round + 1));
        const LPARAM l = dialog.messages.back().lParam;
        EXPECT_TRUE(l == 0x20001 || l == 0x30001) << l;
        EXPECT_EQ(ProgramJob.active, 0);
    }
    EndJobWithResult(kResultOk);  // an ended job posts nothing more
    dialog.Pump();
    EXPECT_EQ(dialog.Count(WM_JOB_DONE), 500u);
    ProgramJob.dialog = nullptr;
}

TEST(ArmWatchdog, SetsDividerThenTicks) {
    ProgramJob.progressDivider = 3;
    EXPECT_EQ(ArmWatchdog(kTicksCommand), 40);
    EXPECT_EQ(ProgramJob.progressDivider, 10);
    EXPECT_EQ(ProgramJob.timeoutTicks, 40);
    ArmWatchdog(0);
}

// Start-up idles the record before the settings are read.
TEST(IdleJobRecord, IdlesTheRecord) {
    ProgramJob.active = 1;
    ProgramJob.fileBuffer = std::make_unique<std::uint8_t[]>(4);
    IdleJobRecord();
    EXPECT_EQ(ProgramJob.active, 0);
    EXPECT_EQ(ProgramJob.fileBuffer, nullptr);
}

}  // namespace

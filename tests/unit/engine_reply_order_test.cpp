// The loader answers a command and then sends its next message unasked (information block,
// erase begun, end of transfer). When the port reports the command's write completion only
// after all of those bytes have arrived, the state entered on that completion must still take
// them: no further data event comes for bytes that are already waiting.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "job/job_control.h"
#include "job/program_job.h"
#include "platform/com_ports.h"
#include "platform/comm_fake.h"
#include "platform/message_box.h"
#include "settings/app_settings.h"
#include "support/recording_target.h"
#include "support/temp_dir.h"

namespace {

using platform::FakeCommLine;
using Status = FakeCommLine::Status;

class EngineReplyOrder : public ::testing::Test {
  protected:
    static constexpr int kCom = 23;

    void SetUp() override {
        previousHook = platform::SetMessageBoxHook([](std::string_view) {});
        platform::SetComDevice(kCom, "fake");
        AppSettings = {};
        AppSettings.port = kCom;
        AppSettings.baudRate = 115200;
        AppSettings.byteSize = 8;
        AppSettings.tranFile = dir.File("image.bin");
        testing_support::WriteBytes(AppSettings.tranFile, image);
        line->HoldWrites(true);
    }
    void TearDown() override {
        EndJob();
        platform::SetComDevice(kCom, "");
        platform::SetMessageBoxHook(previousHook);
    }

    static bool Waiting(const Status& s) { return s.readPending && s.queued < s.pendingReadSize; }
    // Feeds once the reader serves the line.
    void Feed(const std::vector<BYTE>& bytes) {
        ASSERT_TRUE(line->Wait(Waiting));
        line->Feed(bytes);
    }
    // Feeds bytes that cause no status message, then waits until the port holds every one (a
    // read that the last odd byte cannot fill is ended as by its time-out).
    void FeedQuiet(const std::vector<BYTE>& bytes) {
        Feed(bytes);
        ASSERT_TRUE(line->Wait(Waiting));
        line->FinishRead();
        ASSERT_TRUE(line->Wait([](const Status& s) { return s.readPending && s.queued == 0; }));
    }
    bool WaitWrites(int n) {
        return line->Wait([n](const Status& s) { return s.writesStarted == n; });
    }
    bool WaitStatus(WORD kind) {
        return dialog.RunUntil(
            [&] {
                for (const auto& m : dialog.messages) {
                    if (m.msg == WM_JOB_STATUS && LOWORD(m.wParam) == kind)
                        return true;
                }
                return false;
            },
            std::chrono::seconds(10));
    }
    static std::vector<BYTE> LinkReply(BYTE letter, BYTE packetSize) {
        return {0x01, 0x23, 0xFE, 0xDC, letter, BYTE(~letter), packetSize, BYTE(~packetSize)};
    }

    testing_support::TempDir dir;
    std::vector<std::uint8_t> image = std::vector<std::uint8_t>(10, 0x5A);
    std::shared_ptr<FakeCommLine> line = FakeCommLine::Create();
    platform::ScopedCommDeviceFactory factory{line->Factory()};
    testing_support::RecordingTarget dialog;
    platform::MessageBoxHook previousHook;
};

TEST_F(EngineReplyOrder, BytesAfterTheLinkReplyAreTakenWhenTheLinkWriteCompletesLate) {
    ASSERT_TRUE(StartJob(&dialog, kModeProgram));
    ASSERT_TRUE(WaitWrites(1));
    std::vector<BYTE> loader = LinkReply('e', 255);
    std::vector<BYTE> info(32, 0);
    info[0] = 1;  // erase time 2 s
    info[1] = 0xFE;
    loader.insert(loader.end(), info.begin(), info.end());
    loader.insert(loader.end(), {0xAA, 0x55});  // erase begun
    FeedQuiet(loader);
    EXPECT_EQ(ProgramJob.state, 1);

    line->CompleteWrite();
    ASSERT_TRUE(WaitStatus(kStatusEraseBegun)) << "state " << ProgramJob.state;
    EXPECT_EQ(ProgramJob.state, 4);
    EXPECT_EQ(ProgramJob.eraseTicks, 40);
    EXPECT_EQ(dialog.Count(WM_JOB_DONE), 0u);
}

TEST_F(EngineReplyOrder, EndOfImageIsTakenWhenTheLastPacketWriteCompletesLate) {
    ASSERT_TRUE(StartJob(&dialog, kModeProgram));
    ASSERT_TRUE(WaitWrites(1));
    FeedQuiet(LinkReply('A', 255));
    line->CompleteWrite();
    ASSERT_TRUE(WaitStatus(kStatusLoaderVersion));
    Feed({0xAA, 0x55});
    ASSERT_TRUE(WaitStatus(kStatusEraseBegun));
    FeedQuiet({0x55, 0xAA});
    ASSERT_TRUE(WaitWrites(2));  // the file length
    FeedQuiet({10, 0, 0, 0});
    line->CompleteWrite();
    ASSERT_TRUE(WaitStatus(kStatusWritePos));
    ASSERT_TRUE(WaitWrites(3));  // the only packet

    // The acknowledgement and the end message arrive before the packet's write completes.
    std::vector<BYTE> loader{0xAA};
    loader.insert(loader.end(), image.begin(), image.end());
    loader.insert(loader.end(), {0xAA, 0x55});
    FeedQuiet(loader);
    EXPECT_EQ(ProgramJob.state, 6);

    line->CompleteWrite();
    ASSERT_TRUE(WaitStatus(kStatusBurnChecksum)) << "state " << ProgramJob.state;
    EXPECT_EQ(ProgramJob.state, 11);
    EXPECT_EQ(dialog.Count(WM_JOB_DONE), 0u);
}

}  // namespace

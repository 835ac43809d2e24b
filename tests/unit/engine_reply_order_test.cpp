// The loader answers a command and then sends its next message unasked (information block,
// erase begun, end of transfer). When the port reports the command's write completion only
// after all of those bytes have arrived, the state entered on that completion must still take
// them: no further data event comes for bytes that are already waiting.
#include "support/fake_job.h"

namespace {

using EngineReplyOrder = testing_support::FakeJobTest;

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

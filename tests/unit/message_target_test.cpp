#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "support/recording_target.h"

using testing_support::RecordingTarget;

namespace {

TEST(MessageTarget, SendRunsOnTheOwnerAndReturnsItsResult) {
    RecordingTarget target;
    std::thread::id handledOn;
    target.onMessage = [&](const testing_support::Message&) {
        handledOn = std::this_thread::get_id();
    };
    auto sender = std::async(std::launch::async, [&] { return target.Send(0x465, 7, 9); });
    ASSERT_TRUE(
        target.RunUntil([&] { return !target.messages.empty(); }, std::chrono::seconds(20)));
    EXPECT_EQ(sender.get(), 0);
    EXPECT_EQ(handledOn, std::this_thread::get_id());
    EXPECT_EQ(target.messages[0].wParam, 7u);
}

TEST(MessageTarget, SentMessagesGoBeforePostedOnes) {
    RecordingTarget target;
    target.Post(1, 0, 0);
    auto sender = std::async(std::launch::async, [&] { return target.Send(2, 0, 0); });
    // Wait until the send is queued: the sender blocks until it is handled.
    ASSERT_TRUE(
        target.RunUntil([&] { return target.messages.size() == 2; }, std::chrono::seconds(20)));
    sender.get();
    // Either order is possible depending on when the send arrived; both must be handled once.
    EXPECT_EQ(target.Count(1), 1u);
    EXPECT_EQ(target.Count(2), 1u);
}

TEST(MessageTarget, CancelReleasesWaitingAndLaterSenders) {
    RecordingTarget target;
    auto waiting = std::async(std::launch::async, [&] { return target.Send(3, 0, 0); });
    // The owner does not pump: cancel must release the sender anyway.
    target.CancelSends();
    EXPECT_EQ(waiting.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(std::async(std::launch::async, [&] { return target.Send(4, 0, 0); }).get(), 0);
    target.ResumeSends();
    target.Pump();
    EXPECT_EQ(target.Count(4), 0u);
    EXPECT_LE(target.Count(3), 1u);
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
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

// A target that is no window: a send runs on the sending thread at once, even while the owner
// pumps nothing, and never at the same time as another handler.
class DirectTarget : public platform::MessageTarget {
  public:
    DirectTarget() : MessageTarget(Dispatch::SendingThread) {}
    std::atomic<int> running{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> handled{0};
    std::thread::id lastThread;

  protected:
    LRESULT HandleMessage(UINT msg, WPARAM, LPARAM) override {
        if (running.fetch_add(1) != 0)
            ++overlaps;
        lastThread = std::this_thread::get_id();
        std::this_thread::yield();
        ++handled;
        running.fetch_sub(1);
        return msg;
    }
};

TEST(MessageTarget, ASendingThreadTargetHandlesSendsWhereTheyAreMadeOneAtATime) {
    DirectTarget target;
    std::thread::id sender;
    auto one = std::async(std::launch::async, [&] {
        sender = std::this_thread::get_id();
        return target.Send(5, 0, 0);
    });
    EXPECT_EQ(one.get(), 5);  // returned without the owner pumping
    EXPECT_EQ(target.lastThread, sender);

    // Sends from two threads while the owner pumps their posts, all at once.
    auto spam = [&] {
        for (int i = 0; i < 2000; ++i) {
            target.Send(6, 0, 0);
            target.Post(7, 0, 0);
        }
    };
    auto a = std::async(std::launch::async, spam);
    auto b = std::async(std::launch::async, spam);
    ASSERT_TRUE(target.RunUntil([&] { return target.handled == 8001; }, std::chrono::seconds(60)));
    a.get();
    b.get();
    EXPECT_EQ(target.overlaps, 0);
}

}  // namespace

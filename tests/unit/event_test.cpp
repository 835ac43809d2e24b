// Events: the slot rules of wait-for-any, no lost wake-up between a waiter and a setter, and
// the sources through which a waiting thread completes a device's operation itself.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/event.h"
#include "platform/event_source.h"

namespace {

using platform::Event;
using namespace std::chrono_literals;

TEST(EventTest, TheLowestSignalledSlotWinsAndOnlyAutomaticOnesReset) {
    Event manual(Event::ResetMode::Manual);
    Event automatic(Event::ResetMode::Automatic);
    Event* const both[] = {&manual, &automatic};
    automatic.Set();
    manual.Set();
    EXPECT_EQ(platform::WaitForAny(both, 0ms), 0u);
    EXPECT_EQ(platform::WaitForAny(both, 0ms), 0u);  // manual: still set
    manual.Reset();
    EXPECT_EQ(platform::WaitForAny(both, 0ms), 1u);
    EXPECT_FALSE(platform::WaitForAny(both, 0ms));  // automatic: taken
}

TEST(EventTest, ASetIsNeverMissedByAThreadAboutToBlock) {
    // The setter and the waiter race through every order of flag and registration.
    Event ping(Event::ResetMode::Automatic);
    Event pong(Event::ResetMode::Automatic);
    std::atomic<int> missed{0};
    std::thread waiter([&] {
        for (int i = 0; i < 3000; ++i) {
            if (!ping.Wait(60s))
                ++missed;
            pong.Set();
        }
    });
    for (int i = 0; i < 3000; ++i) {
        ping.Set();
        ASSERT_TRUE(pong.Wait(60s)) << "round " << i;
    }
    waiter.join();
    EXPECT_EQ(missed, 0);
}

TEST(EventTest, OneOfTwoWaitersTakesAnAutomaticEvent) {
    Event e(Event::ResetMode::Automatic);
    Event done(Event::ResetMode::Manual);
    std::atomic<int> woken{0};
    auto wait = [&] {
        if (e.Wait(60s))
            ++woken;
        done.Set();
    };
    std::thread a(wait), b(wait);
    e.Set();
    ASSERT_TRUE(done.Wait(60s));
    e.Set();  // releases the other one
    a.join();
    b.join();
    EXPECT_EQ(woken, 2);
}

class EventSourceTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC), 0); }
    void TearDown() override {
        platform::BindEventSource(event, nullptr);
        ::close(pipe_[0]);
        ::close(pipe_[1]);
    }
    // Like a device's pending read: when the pipe has a byte, take it and signal.
    void BindReader() {
        auto source = std::make_shared<platform::EventSource>();
        source->fd = pipe_[0];
        source->events = POLLIN;
        source->service = [this](short revents) {
            servicedOn = std::this_thread::get_id();
            char c;
            if ((revents & POLLIN) && ::read(pipe_[0], &c, 1) == 1)
                event.Set();
        };
        platform::BindEventSource(event, std::move(source));
    }

    int pipe_[2] = {-1, -1};
    Event event{Event::ResetMode::Automatic};
    std::thread::id servicedOn;
};

TEST_F(EventSourceTest, TheWaitingThreadCompletesTheOperationWhenItsDescriptorIsReady) {
    Event other(Event::ResetMode::Automatic);
    Event* const events[] = {&other, &event};
    std::thread::id waiterId;
    std::thread waiter([&] {
        waiterId = std::this_thread::get_id();
        EXPECT_EQ(platform::WaitForAny(events, 60s), 1u);
    });
    BindReader();  // bound while the waiter may already be blocked
    ASSERT_EQ(::write(pipe_[1], "x", 1), 1);
    waiter.join();
    EXPECT_EQ(servicedOn, waiterId);
}

TEST_F(EventSourceTest, ADeadlineAloneServicesTheSource) {
    auto source = std::make_shared<platform::EventSource>();
    source->deadline = std::chrono::steady_clock::now() + 20ms;
    std::atomic<short> seen{-1};
    source->service = [&](short revents) {
        seen = revents;
        event.Set();
    };
    platform::BindEventSource(event, std::move(source));
    EXPECT_TRUE(event.Wait(60s));
    EXPECT_EQ(seen, 0);  // nothing was ready: the time ran out
}

}  // namespace

// Event sources (Linux): a waiting thread completes a device's operation itself.
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

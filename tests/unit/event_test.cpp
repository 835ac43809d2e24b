// Events: the slot rules of wait-for-any and no lost wake-up between a waiter and a setter, on
// each platform's events.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/event.h"

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

}  // namespace

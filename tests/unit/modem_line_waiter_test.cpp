// The line-event waiter's thread: reaped by exactly one caller, never restarted on a device
// that was closed while the waiter let go of the device's lock.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <thread>

#include "platform/event.h"
#include "platform/modem_line_waiter.h"
#include "support/pty_pair.h"

namespace {

using namespace platform;

// A pseudo-terminal has no modem lines, so a wait on it finishes at once with a failure: a
// finished wait whose thread is still to be reaped.
class ModemLineWaiterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        fd = UniqueFd(::open(pty.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC));
        ASSERT_TRUE(fd);
        ov.hEvent = &done;
    }
    // Starts a wait under the lock and waits until it has finished.
    void StartAndFinish() {
        done.Reset();
        {
            std::unique_lock lock(mu);
            ASSERT_EQ(waiter.Start(lock, open, fd, EV_RING, &events, ov), ERROR_IO_PENDING);
        }
        ASSERT_TRUE(done.Wait(std::chrono::seconds(30)));
        EXPECT_EQ(ov.Internal, ERROR_GEN_FAILURE);
    }

    test_support::PtyPair pty;
    std::mutex mu;
    bool open = true;
    UniqueFd fd;
    DWORD events = 0;
    Event done{Event::ResetMode::Manual};
    OVERLAPPED ov;
    ModemLineWaiter waiter;
};

TEST_F(ModemLineWaiterTest, AStartAndAStopRacingOverAFinishedWaitReapItOnce) {
    for (int round = 0; round < 200; ++round) {
        StartAndFinish();
        // Both find the finished thread; only one may join it.
        std::thread stopper([&] {
            std::unique_lock lock(mu);
            waiter.Stop(lock);
        });
        {
            std::unique_lock lock(mu);
            const DWORD r = waiter.Start(lock, open, fd, EV_RING, &events, ov);
            EXPECT_TRUE(r == ERROR_IO_PENDING || r == ERROR_INVALID_PARAMETER) << r;
        }
        stopper.join();
        std::unique_lock lock(mu);
        waiter.Stop(lock);
    }
}

TEST_F(ModemLineWaiterTest, NoWaitStartsOnAClosedDevice) {
    StartAndFinish();
    std::unique_lock lock(mu);
    open = false;  // as Close leaves it, before the next Start reaps the finished thread
    EXPECT_EQ(waiter.Start(lock, open, fd, EV_RING, &events, ov), ERROR_INVALID_HANDLE);
    waiter.Stop(lock);
}

}  // namespace

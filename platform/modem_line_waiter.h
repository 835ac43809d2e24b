// WaitCommEvent over a tty: waits for a change of the ring indicator or carrier detect.
//
// TIOCMIWAIT blocks in the kernel and nothing but a signal ends it, so each wait runs on a
// thread of its own, which Stop interrupts with a signal. Only a port that watches its line
// events starts one; a job never does.
//
// Threading: Start and Stop on the device's callers, under the device's lock `deviceLock`
// (given to Start), which the wait thread also takes to complete the operation.
#pragma once

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/comm_device.h"
#include "platform/unique_fd.h"

namespace platform {

class ModemLineWaiter {
  public:
    ModemLineWaiter() = default;
    ~ModemLineWaiter();
    ModemLineWaiter(const ModemLineWaiter&) = delete;
    ModemLineWaiter& operator=(const ModemLineWaiter&) = delete;

    // Starts a wait on `fd` for the events in `mask` (EV_RING, EV_RLSD); when one comes, the
    // events are stored in `*result` and `ov` completes. ERROR_IO_PENDING, or a failure
    // (ERROR_INVALID_HANDLE once `open` is false). The caller holds `deviceLock`, which guards
    // `open` and `fd`; Start may let it go while it reaps a finished wait, and looks at both
    // again after.
    DWORD Start(std::unique_lock<std::mutex>& deviceLock, const bool& open, const UniqueFd& fd,
                DWORD mask, DWORD* result, OVERLAPPED& ov);
    // Ends a wait in progress without completing it. The caller holds `deviceLock`.
    void Stop(std::unique_lock<std::mutex>& deviceLock);

  private:
    void Run(std::mutex& deviceLock, int fd, DWORD mask, DWORD* result, OVERLAPPED* ov);
    // Joins the thread of a finished wait without the device's lock, which its end takes. The
    // handle is moved out first, so that no two callers ever join one thread.
    void Reap(std::unique_lock<std::mutex>& deviceLock);

    std::thread thread_;
    bool running_ = false;  // under the device's lock
    bool cancel_ = false;   // under the device's lock
    std::condition_variable done_;
};

}  // namespace platform

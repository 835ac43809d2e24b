#include "platform/modem_line_waiter.h"

#include <pthread.h>

#include <csignal>

#include "platform/overlapped.h"
#include "platform/termios2.h"

namespace platform {
namespace {

int CancelSignal() {
    return SIGRTMIN + 5;
}

void InstallCancelHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa {};
        sa.sa_handler = [](int) {};
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0;  // no SA_RESTART: the ioctl must return EINTR
        ::sigaction(CancelSignal(), &sa, nullptr);
    });
}

}  // namespace

ModemLineWaiter::~ModemLineWaiter() {
    if (thread_.joinable())
        thread_.join();
}

DWORD ModemLineWaiter::Start(std::unique_lock<std::mutex>& deviceLock, const bool& open,
                             const UniqueFd& fd, DWORD mask, DWORD* result, OVERLAPPED& ov) {
    while (!running_ && thread_.joinable())
        Reap(deviceLock);
    // The lock may have been let go: the device may have been closed, or a wait started.
    if (!open)
        return ERROR_INVALID_HANDLE;
    if (running_)
        return ERROR_INVALID_PARAMETER;
    InstallCancelHandler();
    cancel_ = false;
    running_ = true;
    std::mutex& lock = *deviceLock.mutex();
    try {
        thread_ = std::thread(
            [this, &lock, fd = fd.Get(), mask, result, &ov] { Run(lock, fd, mask, result, &ov); });
    } catch (const std::system_error&) {
        running_ = false;
        return ERROR_GEN_FAILURE;
    }
    return ERROR_IO_PENDING;
}

void ModemLineWaiter::Run(std::mutex& deviceLock, int fd, DWORD mask, DWORD* result,
                          OVERLAPPED* ov) {
    DWORD events = 0;
    DWORD status = ERROR_SUCCESS;
    std::unique_lock lock(deviceLock);
    while (events == 0 && status == ERROR_SUCCESS && !cancel_) {
        int before = 0;
        if (termios2::ModemLines(fd, &before) != 0) {
            status = ERROR_GEN_FAILURE;
            break;
        }
        lock.unlock();
        const int e = termios2::WaitRingOrCarrier(fd);
        int after = 0;
        const int e2 = e == 0 ? termios2::ModemLines(fd, &after) : e;
        lock.lock();
        if (cancel_ || e == EINTR)
            continue;
        if (e2 != 0) {
            status = ERROR_GEN_FAILURE;
            break;
        }
        if ((mask & EV_RING) && termios2::RingBit(before) != termios2::RingBit(after))
            events |= EV_RING;
        if ((mask & EV_RLSD) && termios2::CarrierBit(before) != termios2::CarrierBit(after))
            events |= EV_RLSD;
    }
    if (!cancel_) {
        *result = events;
        CompleteOverlapped(*ov, status, 0);
    }
    running_ = false;
    done_.notify_all();
}

void ModemLineWaiter::Stop(std::unique_lock<std::mutex>& deviceLock) {
    cancel_ = true;
    // A signal sent just before the thread enters the ioctl is lost, so it is repeated until
    // the thread has left; this only happens when a port that watches its lines closes.
    while (running_) {
        ::pthread_kill(thread_.native_handle(), CancelSignal());
        done_.wait_for(deviceLock, std::chrono::milliseconds(20));
    }
    if (thread_.joinable())
        Reap(deviceLock);
}

void ModemLineWaiter::Reap(std::unique_lock<std::mutex>& deviceLock) {
    std::thread finished = std::move(thread_);
    deviceLock.unlock();
    finished.join();
    deviceLock.lock();
}

}  // namespace platform

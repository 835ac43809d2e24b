#include "platform/comm_termios.h"

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/com_ports.h"
#include "platform/termios2.h"
#include "platform/unique_fd.h"

namespace platform {

namespace {

using Clock = std::chrono::steady_clock;

// TIOCMIWAIT blocks in the kernel and nothing but a signal ends it; this one interrupts it.
int LineCancelSignal() {
    return SIGRTMIN + 5;
}

void InstallLineCancelHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa {};
        sa.sa_handler = [](int) {};
        sigemptyset(&sa.sa_mask);
        sa.sa_flags = 0;  // no SA_RESTART: the ioctl must return EINTR
        ::sigaction(LineCancelSignal(), &sa, nullptr);
    });
}

constexpr std::size_t kInputQueueBytes = 16384;

}  // namespace

DWORD OpenErrorFromErrno(int err) {
    switch (err) {
        case ENOENT:
        case ENODEV:
        case ENXIO:
            return ERROR_FILE_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EBUSY:
        case EWOULDBLOCK:
            return ERROR_ACCESS_DENIED;
        default:
            return ERROR_GEN_FAILURE;
    }
}

struct TermiosCommDevice::Impl {
    struct PendingRead {
        std::span<BYTE> dest;
        std::size_t got = 0;
        OVERLAPPED* ov = nullptr;
        std::optional<Clock::time_point> deadline;
    };
    struct PendingWrite {
        std::span<const BYTE> src;
        std::size_t done = 0;
        OVERLAPPED* ov = nullptr;
    };

    std::mutex mu;
    bool open = false;
    UniqueFd fd;
    UniqueFd wake;
    std::thread io;
    bool stopping = false;

    std::vector<BYTE> queue = std::vector<BYTE>(kInputQueueBytes);
    std::size_t head = 0;
    std::size_t tail = 0;
    COMMTIMEOUTS timeouts{};
    DWORD commMask = 0;
    bool hasModemLines = false;
    bool lowLatencySet = false;
    int oldSerialFlags = 0;

    std::optional<PendingRead> read;
    std::optional<PendingWrite> write;
    bool hungUp = false;
    bool failureOwed = false;  // the hang-up has not been reported by a read yet

    // Line-event wait: one thread per WaitCommEvent, since TIOCMIWAIT blocks.
    std::thread lineThread;
    bool lineRunning = false;
    bool lineCancel = false;
    std::condition_variable lineDone;

    static void Complete(OVERLAPPED* ov, DWORD status, std::size_t bytes) {
        ov->Internal = status;
        ov->InternalHigh = static_cast<DWORD>(bytes);
        ov->hEvent->Set();
    }

    static void Begin(OVERLAPPED& ov) {
        ov.Internal = ERROR_IO_PENDING;
        ov.InternalHigh = 0;
        if (ov.hEvent)
            ov.hEvent->Reset();
    }

    void Wake() {
        const std::uint64_t one = 1;
        (void)!::write(wake.Get(), &one, sizeof one);
    }

    // Reads what the tty has into the queue. False when nothing came (empty or hung up).
    bool ReadIntoQueue() {
        if (head == tail)
            head = tail = 0;
        if (tail == queue.size() && head > 0) {
            std::memmove(queue.data(), queue.data() + head, tail - head);
            tail -= head;
            head = 0;
        }
        if (tail == queue.size())
            return false;
        for (;;) {
            const ssize_t n = ::read(fd.Get(), queue.data() + tail, queue.size() - tail);
            if (n > 0) {
                tail += static_cast<std::size_t>(n);
                return true;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return false;
            HangUp();  // 0 bytes or EIO: the line is gone
            return false;
        }
    }

    void FinishRead(DWORD status) {
        Complete(read->ov, status, status == ERROR_SUCCESS ? read->got : 0);
        read.reset();
    }

    // Moves queued bytes into the pending read, refilling the queue from the tty while the
    // read is short.
    void FillRead() {
        while (read) {
            const std::size_t take = std::min(tail - head, read->dest.size() - read->got);
            std::memcpy(read->dest.data() + read->got, queue.data() + head, take);
            head += take;
            read->got += take;
            if (read->got == read->dest.size()) {
                FinishRead(ERROR_SUCCESS);
                return;
            }
            if (hungUp || !ReadIntoQueue())
                break;
        }
        if (read && hungUp)
            SettleReadAfterHangUp();
    }

    // After a hang-up a read ends with its bytes, or fails once; later ones wait for Close.
    void SettleReadAfterHangUp() {
        if (read->got > 0) {
            FinishRead(ERROR_SUCCESS);
        } else if (failureOwed) {
            failureOwed = false;
            FinishRead(ERROR_BROKEN_PIPE);
        } else {
            read->deadline.reset();
        }
    }

    void HangUp() {
        if (hungUp)
            return;
        hungUp = true;
        failureOwed = true;
        if (write) {
            Complete(write->ov, ERROR_BROKEN_PIPE, write->done);
            write.reset();
        }
        // A pending read is settled by its caller (FillRead) or by the I/O thread.
    }

    void ContinueWrite() {
        while (write && write->done < write->src.size()) {
            const ssize_t n =
                ::write(fd.Get(), write->src.data() + write->done, write->src.size() - write->done);
            if (n > 0) {
                write->done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            HangUp();
            return;
        }
        if (write) {
            Complete(write->ov, ERROR_SUCCESS, write->done);
            write.reset();
        }
    }

    void IoLoop() {
        std::unique_lock lock(mu);
        while (!stopping) {
            pollfd fds[2] = {{wake.Get(), POLLIN, 0}, {-1, 0, 0}};
            if (!hungUp) {
                fds[1].fd = fd.Get();
                fds[1].events = static_cast<short>((read ? POLLIN : 0) | (write ? POLLOUT : 0));
            }
            int timeoutMs = -1;
            if (read && read->deadline) {
                const auto left =
                    std::chrono::ceil<std::chrono::milliseconds>(*read->deadline - Clock::now());
                timeoutMs = static_cast<int>(std::max<std::int64_t>(0, left.count()));
            }
            lock.unlock();
            const int ready = ::poll(fds, 2, timeoutMs);
            lock.lock();
            if (ready < 0 && errno != EINTR)
                break;
            if (fds[0].revents & POLLIN) {
                std::uint64_t count;
                (void)!::read(wake.Get(), &count, sizeof count);
            }
            const short rev = fds[1].fd >= 0 ? fds[1].revents : short(0);
            if (rev & (POLLIN | POLLHUP | POLLERR)) {
                if (read) {
                    FillRead();
                } else {
                    while (ReadIntoQueue()) {
                    }
                }
            }
            if (rev & (POLLHUP | POLLERR | POLLNVAL))
                HangUp();
            if (write && (rev & POLLOUT))
                ContinueWrite();
            if (read && hungUp)
                SettleReadAfterHangUp();
            if (read && read->deadline && Clock::now() >= *read->deadline) {
                FinishRead(ERROR_SUCCESS);
            }
        }
    }

    // Runs on the line thread: waits for a ring or carrier change the mask asks for.
    void LineWait(DWORD* mask, OVERLAPPED* ov) {
        DWORD result = 0;
        DWORD status = ERROR_SUCCESS;
        int before = 0;
        std::unique_lock lock(mu);
        while (result == 0 && status == ERROR_SUCCESS) {
            if (lineCancel)
                break;
            const int f = fd.Get();
            if (termios2::ModemLines(f, &before) != 0) {
                status = ERROR_GEN_FAILURE;
                break;
            }
            lock.unlock();
            const int e = termios2::WaitRingOrCarrier(f);
            int after = 0;
            const int e2 = e == 0 ? termios2::ModemLines(f, &after) : e;
            lock.lock();
            if (lineCancel)
                break;
            if (e == EINTR)
                continue;
            if (e2 != 0) {
                status = ERROR_GEN_FAILURE;
                break;
            }
            if ((commMask & EV_RING) && termios2::RingBit(before) != termios2::RingBit(after)) {
                result |= EV_RING;
            }
            if ((commMask & EV_RLSD) &&
                termios2::CarrierBit(before) != termios2::CarrierBit(after)) {
                result |= EV_RLSD;
            }
        }
        if (!lineCancel) {
            *mask = result;
            Complete(ov, status, 0);
        }
        lineRunning = false;
        lineDone.notify_all();
    }

    void StopLineThread(std::unique_lock<std::mutex>& lock) {
        lineCancel = true;
        // A signal sent just before the thread enters the ioctl is lost, so it is repeated
        // until the thread has left; this only happens at Close with line events watched.
        while (lineRunning) {
            ::pthread_kill(lineThread.native_handle(), LineCancelSignal());
            lineDone.wait_for(lock, std::chrono::milliseconds(20));
        }
        if (lineThread.joinable()) {
            lock.unlock();
            lineThread.join();
            lock.lock();
        }
    }
};

TermiosCommDevice::TermiosCommDevice() : impl_(std::make_unique<Impl>()) {}

TermiosCommDevice::~TermiosCommDevice() {
    Close();
}

DWORD TermiosCommDevice::Open(const std::string& name) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    if (d.open)
        return ERROR_ACCESS_DENIED;
    const std::string path = ResolveComDevice(name);
    if (path.empty())
        return ERROR_FILE_NOT_FOUND;
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!fd)
        return OpenErrorFromErrno(errno);
    // flock holds even against root, who passes TIOCEXCL.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        return ERROR_ACCESS_DENIED;
    }
    if (::ioctl(fd.Get(), TIOCEXCL) != 0 && errno != ENOTTY && errno != EINVAL) {
        return OpenErrorFromErrno(errno);
    }
    UniqueFd wake(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!wake) {
        (void)::ioctl(fd.Get(), TIOCNXCL);
        return ERROR_GEN_FAILURE;
    }
    d.lowLatencySet = termios2::SetLowLatency(fd.Get(), &d.oldSerialFlags) == 0;
    int lines = 0;
    d.hasModemLines = termios2::ModemLines(fd.Get(), &lines) == 0;
    d.fd = std::move(fd);
    d.wake = std::move(wake);
    d.head = d.tail = 0;
    d.hungUp = d.failureOwed = d.stopping = false;
    try {
        d.io = std::thread([&d] { d.IoLoop(); });
    } catch (const std::system_error&) {
        (void)::ioctl(d.fd.Get(), TIOCNXCL);
        d.fd.Reset();
        d.wake.Reset();
        return ERROR_GEN_FAILURE;
    }
    d.open = true;
    return ERROR_SUCCESS;
}

bool TermiosCommDevice::SetCommMask(DWORD mask) {
    std::lock_guard lock(impl_->mu);
    impl_->commMask = mask;
    return impl_->open;
}

bool TermiosCommDevice::SetCommTimeouts(const COMMTIMEOUTS& timeouts) {
    std::lock_guard lock(impl_->mu);
    impl_->timeouts = timeouts;
    return impl_->open;
}

bool TermiosCommDevice::SetCommState(const DCB& dcb) {
    std::lock_guard lock(impl_->mu);
    if (!impl_->open)
        return false;
    const termios2::LineSettings s{dcb.BaudRate, dcb.ByteSize, dcb.Parity, dcb.StopBits};
    if (termios2::ApplyLineSettings(impl_->fd.Get(), s) != 0)
        return false;
    return termios2::ClearModemLines(impl_->fd.Get()) == 0;
}

bool TermiosCommDevice::SetupComm(DWORD inQueue, DWORD outQueue) {
    std::lock_guard lock(impl_->mu);
    return impl_->open && inQueue > 0 && outQueue > 0;
}

bool TermiosCommDevice::PurgeComm(DWORD flags) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    if (!d.open)
        return false;
    const bool rx = (flags & PURGE_RXCLEAR) != 0;
    if (rx)
        d.head = d.tail = 0;
    return d.hungUp || termios2::Flush(d.fd.Get(), rx, (flags & PURGE_TXCLEAR) != 0) == 0;
}

bool TermiosCommDevice::ClearCommError(COMSTAT* stat) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    if (stat) {
        // Under the device lock, so a byte moving from the driver into the queue or a read is
        // counted exactly once.
        int driverIn = 0;
        int driverOut = 0;
        if (d.open && !d.hungUp) {
            if (::ioctl(d.fd.Get(), FIONREAD, &driverIn) != 0)
                driverIn = 0;
            if (::ioctl(d.fd.Get(), TIOCOUTQ, &driverOut) != 0)
                driverOut = 0;
        }
        const std::size_t inRead = d.read ? d.read->got : 0;
        const std::size_t outWrite = d.write ? d.write->src.size() - d.write->done : 0;
        stat->cbInQue = static_cast<DWORD>(std::max(driverIn, 0)) +
                        static_cast<DWORD>(d.tail - d.head + inRead);
        stat->cbOutQue = static_cast<DWORD>(std::max(driverOut, 0)) + static_cast<DWORD>(outWrite);
    }
    return d.open;
}

DWORD TermiosCommDevice::ReadFile(std::span<BYTE> dest, OVERLAPPED& ov) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    if (!d.open)
        return ERROR_INVALID_HANDLE;
    if (d.read || !ov.hEvent)
        return ERROR_INVALID_PARAMETER;
    Impl::Begin(ov);
    d.read = Impl::PendingRead{dest, 0, &ov, std::nullopt};
    d.FillRead();
    if (!d.read)
        return ov.Internal == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_IO_PENDING;
    const COMMTIMEOUTS& t = d.timeouts;
    if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
        t.ReadTotalTimeoutConstant == 0) {
        d.FinishRead(ERROR_SUCCESS);  // "return at once with what is there"
        return ERROR_SUCCESS;
    }
    const std::uint64_t totalMs =
        std::uint64_t(t.ReadTotalTimeoutMultiplier) * dest.size() + t.ReadTotalTimeoutConstant;
    if (totalMs > 0 && !d.hungUp) {
        d.read->deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    }
    d.Wake();
    return ERROR_IO_PENDING;
}

DWORD TermiosCommDevice::WriteFile(std::span<const BYTE> src, OVERLAPPED& ov) {
    Impl& d = *impl_;
    std::lock_guard lock(d.mu);
    if (!d.open)
        return ERROR_INVALID_HANDLE;
    if (d.write || !ov.hEvent)
        return ERROR_INVALID_PARAMETER;
    Impl::Begin(ov);
    if (d.hungUp) {
        Impl::Complete(&ov, ERROR_BROKEN_PIPE, 0);
        return ERROR_IO_PENDING;
    }
    d.write = Impl::PendingWrite{src, 0, &ov};
    d.ContinueWrite();
    if (!d.write)
        return ov.Internal == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_IO_PENDING;
    d.Wake();
    return ERROR_IO_PENDING;
}

DWORD TermiosCommDevice::WaitCommEvent(DWORD* mask, OVERLAPPED& ov) {
    Impl& d = *impl_;
    std::unique_lock lock(d.mu);
    if (!d.open)
        return ERROR_INVALID_HANDLE;
    if (d.commMask == 0 || d.lineRunning || !ov.hEvent || !mask)
        return ERROR_INVALID_PARAMETER;
    Impl::Begin(ov);
    // Without modem lines (a pseudo-terminal) no line event can come: the wait stays pending.
    if (!d.hasModemLines)
        return ERROR_IO_PENDING;
    if (d.lineThread.joinable()) {
        lock.unlock();
        d.lineThread.join();  // the previous wait has finished: lineRunning is clear
        lock.lock();
    }
    InstallLineCancelHandler();
    d.lineCancel = false;
    d.lineRunning = true;
    try {
        d.lineThread = std::thread([&d, mask, &ov] { d.LineWait(mask, &ov); });
    } catch (const std::system_error&) {
        d.lineRunning = false;
        return ERROR_GEN_FAILURE;
    }
    return ERROR_IO_PENDING;
}

DWORD TermiosCommDevice::GetOverlappedResult(const OVERLAPPED& ov, DWORD* transferred) {
    std::lock_guard lock(impl_->mu);
    *transferred = ov.InternalHigh;
    if (ov.Internal == ERROR_IO_PENDING)
        return ERROR_IO_INCOMPLETE;
    return ov.Internal;
}

bool TermiosCommDevice::GetCommModemStatus(DWORD* status) {
    std::lock_guard lock(impl_->mu);
    int lines = 0;
    if (!impl_->open || termios2::ModemLines(impl_->fd.Get(), &lines) != 0)
        return false;
    *status = (termios2::RingBit(lines) ? MS_RING_ON : 0) |
              (termios2::CarrierBit(lines) ? MS_RLSD_ON : 0);
    return true;
}

void TermiosCommDevice::Close() {
    Impl& d = *impl_;
    std::unique_lock lock(d.mu);
    if (!d.open)
        return;
    d.open = false;
    d.stopping = true;
    d.Wake();
    lock.unlock();
    d.io.join();
    lock.lock();
    d.StopLineThread(lock);
    d.read.reset();
    d.write.reset();
    // A pseudo-terminal keeps TIOCEXCL after this close while its master is open, which would
    // refuse the next unprivileged open.
    (void)::ioctl(d.fd.Get(), TIOCNXCL);
    if (d.lowLatencySet)
        (void)termios2::RestoreSerialFlags(d.fd.Get(), d.oldSerialFlags);
    d.fd.Reset();
    d.wake.Reset();
}

}  // namespace platform

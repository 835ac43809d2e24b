#include "platform/termios_io.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/event_source.h"
#include "platform/overlapped.h"

namespace platform {

namespace {
using Clock = std::chrono::steady_clock;
constexpr short kBroken = POLLHUP | POLLERR | POLLNVAL;
}  // namespace

void TermiosIo::Reset() {
    head_ = tail_ = 0;
    read_.reset();
    write_.reset();
    hungUp_ = failureOwed_ = false;
}

// Reads what the tty has into the queue. False when nothing came (empty or hung up).
bool TermiosIo::ReadIntoQueue() {
    if (head_ == tail_)
        head_ = tail_ = 0;
    if (tail_ == queue_.size() && head_ > 0) {
        std::memmove(queue_.data(), queue_.data() + head_, tail_ - head_);
        tail_ -= head_;
        head_ = 0;
    }
    if (tail_ == queue_.size())
        return false;
    for (;;) {
        const ssize_t n = ::read(fd.Get(), queue_.data() + tail_, queue_.size() - tail_);
        if (n > 0) {
            tail_ += static_cast<std::size_t>(n);
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

// Moves queued bytes into the pending read, refilling the queue from the tty while it is short.
void TermiosIo::FillRead() {
    while (read_) {
        const std::size_t take = std::min(tail_ - head_, read_->dest.size() - read_->got);
        std::memcpy(read_->dest.data() + read_->got, queue_.data() + head_, take);
        head_ += take;
        read_->got += take;
        if (read_->got == read_->dest.size()) {
            FinishRead(ERROR_SUCCESS);
            return;
        }
        if (hungUp_ || !ReadIntoQueue())
            break;
    }
    if (read_ && hungUp_)
        SettleReadAfterHangUp();
}

void TermiosIo::FinishRead(DWORD status) {
    if (read_->bound)
        BindEventSource(*read_->ov->hEvent, nullptr);
    CompleteOverlapped(*read_->ov, status, status == ERROR_SUCCESS ? read_->got : 0);
    read_.reset();
}

// After a hang-up a read ends with its bytes, or fails once; later ones wait for Close.
void TermiosIo::SettleReadAfterHangUp() {
    if (read_->got > 0) {
        FinishRead(ERROR_SUCCESS);
    } else if (failureOwed_) {
        failureOwed_ = false;
        FinishRead(ERROR_BROKEN_PIPE);
    } else {
        read_->deadline.reset();
        BindReadSource();  // no descriptor, no deadline: nothing wakes it but Close
    }
}

void TermiosIo::HangUp() {
    if (hungUp_)
        return;
    hungUp_ = true;
    failureOwed_ = true;
    if (write_)
        FinishWrite(ERROR_BROKEN_PIPE);
    // A pending read is settled by its caller.
}

void TermiosIo::ContinueWrite() {
    while (write_ && write_->done < write_->src.size()) {
        const ssize_t n =
            ::write(fd.Get(), write_->src.data() + write_->done, write_->src.size() - write_->done);
        if (n > 0) {
            write_->done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        HangUp();
        return;
    }
    if (write_)
        FinishWrite(ERROR_SUCCESS);
}

void TermiosIo::FinishWrite(DWORD status) {
    if (write_->bound)
        BindEventSource(*write_->ov->hEvent, nullptr);
    CompleteOverlapped(*write_->ov, status, write_->done);
    write_.reset();
}

void TermiosIo::BindReadSource() {
    auto source = std::make_shared<EventSource>();
    source->fd = hungUp_ ? -1 : fd.Get();
    source->events = POLLIN;
    source->deadline = read_->deadline;
    source->service = [weak = weak_from_this(), id = read_->id](short revents) {
        if (const auto io = weak.lock())
            io->ServiceRead(id, revents);
    };
    BindEventSource(*read_->ov->hEvent, std::move(source));
    read_->bound = true;
}

void TermiosIo::BindWriteSource() {
    auto source = std::make_shared<EventSource>();
    source->fd = fd.Get();
    source->events = POLLOUT;
    source->service = [weak = weak_from_this(), id = write_->id](short revents) {
        if (const auto io = weak.lock())
            io->ServiceWrite(id, revents);
    };
    BindEventSource(*write_->ov->hEvent, std::move(source));
    write_->bound = true;
}

void TermiosIo::ServiceRead(std::uint64_t id, short revents) {
    std::lock_guard lock(mu);
    if (!open || !read_ || read_->id != id)
        return;
    FillRead();
    if (read_ && !hungUp_ && (revents & kBroken)) {
        HangUp();
        SettleReadAfterHangUp();
    }
    if (read_ && read_->deadline && Clock::now() >= *read_->deadline) {
        FinishRead(ERROR_SUCCESS);
    } else if (read_ && read_->period && read_->got > 0 && !read_->deadline) {
        // The first byte of a read that waited for data: it ends with the period it came in.
        const auto elapsed = Clock::now() - read_->start;
        const auto periods = elapsed / *read_->period + 1;
        read_->deadline = read_->start + periods * *read_->period;
        BindReadSource();
    }
}

void TermiosIo::ServiceWrite(std::uint64_t id, short revents) {
    std::lock_guard lock(mu);
    if (!open || !write_ || write_->id != id)
        return;
    if (revents & kBroken) {
        HangUp();
        return;
    }
    ContinueWrite();
}

DWORD TermiosIo::StartRead(std::span<BYTE> dest, OVERLAPPED& ov, bool whenData) {
    if (!open)
        return ERROR_INVALID_HANDLE;
    if (read_ || !ov.hEvent)
        return ERROR_INVALID_PARAMETER;
    BeginOverlapped(ov);
    read_ = PendingRead{};
    read_->dest = dest;
    read_->ov = &ov;
    read_->id = ++nextId_;
    FillRead();
    if (!read_)
        return ov.Internal == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_IO_PENDING;
    const COMMTIMEOUTS& t = timeouts;
    if (t.ReadIntervalTimeout == MAXDWORD && t.ReadTotalTimeoutMultiplier == 0 &&
        t.ReadTotalTimeoutConstant == 0) {
        FinishRead(ERROR_SUCCESS);  // "return at once with what is there"
        return ERROR_SUCCESS;
    }
    const std::uint64_t totalMs =
        std::uint64_t(t.ReadTotalTimeoutMultiplier) * dest.size() + t.ReadTotalTimeoutConstant;
    if (totalMs > 0 && !hungUp_) {
        const auto now = Clock::now();
        const std::chrono::milliseconds period(totalMs);
        if (!whenData || read_->got > 0) {
            read_->deadline = now + period;
        } else {
            read_->start = now;
            read_->period = period;
        }
    }
    BindReadSource();
    return ERROR_IO_PENDING;
}

DWORD TermiosIo::StartWrite(std::span<const BYTE> src, OVERLAPPED& ov) {
    if (!open)
        return ERROR_INVALID_HANDLE;
    if (write_ || !ov.hEvent)
        return ERROR_INVALID_PARAMETER;
    BeginOverlapped(ov);
    if (hungUp_) {
        CompleteOverlapped(ov, ERROR_BROKEN_PIPE, 0);
        return ERROR_IO_PENDING;
    }
    write_ = PendingWrite{};
    write_->src = src;
    write_->ov = &ov;
    write_->id = ++nextId_;
    ContinueWrite();
    if (!write_)
        return ov.Internal == ERROR_SUCCESS ? ERROR_SUCCESS : ERROR_IO_PENDING;
    BindWriteSource();
    return ERROR_IO_PENDING;
}

bool TermiosIo::DropInput() {
    head_ = tail_ = 0;
    return hungUp_;
}

COMSTAT TermiosIo::Queued() const {
    // Under the lock, so a byte moving from the driver into the queue or a read is counted
    // exactly once.
    int driverIn = 0;
    int driverOut = 0;
    if (open && !hungUp_) {
        if (::ioctl(fd.Get(), FIONREAD, &driverIn) != 0)
            driverIn = 0;
        if (::ioctl(fd.Get(), TIOCOUTQ, &driverOut) != 0)
            driverOut = 0;
    }
    const std::size_t inRead = read_ ? read_->got : 0;
    const std::size_t outWrite = write_ ? write_->src.size() - write_->done : 0;
    return {static_cast<DWORD>(std::max(driverIn, 0)) + static_cast<DWORD>(tail_ - head_ + inRead),
            static_cast<DWORD>(std::max(driverOut, 0)) + static_cast<DWORD>(outWrite)};
}

void TermiosIo::Abandon() {
    if (read_ && read_->bound)
        BindEventSource(*read_->ov->hEvent, nullptr);
    if (write_ && write_->bound)
        BindEventSource(*write_->ov->hEvent, nullptr);
    read_.reset();
    write_.reset();
}

}  // namespace platform

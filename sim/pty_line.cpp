#include "sim/pty_line.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace sim {

namespace {

// ppoll's relative time-out for an absolute deadline; null for "no limit".
const timespec* TimeoutUntil(Line::Clock::time_point deadline, timespec& storage) {
    if (deadline == Line::Clock::time_point::max()) {
        return nullptr;
    }
    const auto left = std::max(deadline - Line::Clock::now(), Line::Clock::duration::zero());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    storage.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
    storage.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    return &storage;
}

}  // namespace

PtyLine::PtyLine(int masterFd, int stopFd, std::uint32_t baud, std::chrono::milliseconds dribble)
    : master_(masterFd), stop_(stopFd), dribble_(dribble) {
    if (baud > 0) {
        rxPacer_.emplace(baud);
        txPacer_.emplace(baud);
    }
}

Line::Status PtyLine::WaitMaster(bool forWrite, Clock::time_point deadline) {
    const short want = forWrite ? POLLOUT : POLLIN;
    for (;;) {
        std::array<pollfd, 2> fds{{{master_, want, 0}, {stop_, POLLIN, 0}}};
        timespec storage{};
        const int n = ::ppoll(fds.data(), fds.size(), TimeoutUntil(deadline, storage), nullptr);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return Status::Broken;
        }
        if (fds[1].revents != 0) {
            return Status::Stopped;
        }
        if ((fds[0].revents & want) != 0) {
            return Status::Ok;
        }
        if ((fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
            return Status::Broken;
        }
        if (n == 0 && Clock::now() >= deadline) {
            return Status::Timeout;
        }
    }
}

Line::Status PtyLine::SleepUntil(Clock::time_point when) {
    while (Clock::now() < when) {
        pollfd stop{stop_, POLLIN, 0};
        timespec storage{};
        const int n = ::ppoll(&stop, 1, TimeoutUntil(when, storage), nullptr);
        if (n > 0) {
            return Status::Stopped;
        }
        if (n < 0 && errno != EINTR) {
            return Status::Broken;
        }
    }
    return Status::Ok;
}

Line::Status PtyLine::ReadByte(std::uint8_t& out, Clock::time_point deadline) {
    for (;;) {
        if (!rx_.empty()) {
            if (rxPacer_) {
                if (const auto st = SleepUntil(rxPacer_->Due(rxIndex_)); st != Status::Ok) {
                    return st;
                }
            }
            out = rx_.front();
            rx_.pop_front();
            ++rxIndex_;
            return Status::Ok;
        }
        if (const auto st = WaitMaster(false, deadline); st != Status::Ok) {
            return st;
        }
        std::array<std::uint8_t, 4096> buffer{};
        const auto n = ::read(master_, buffer.data(), buffer.size());
        if (n > 0) {
            const auto count = static_cast<std::size_t>(n);
            if (rxPacer_) {
                rxPacer_->Enqueue(Clock::now(), count);
            }
            rx_.insert(rx_.end(), buffer.begin(), buffer.begin() + n);
        } else if (n == 0 || (errno != EAGAIN && errno != EINTR)) {
            return Status::Broken;  // EIO: the slave side is gone
        }
    }
}

Line::Status PtyLine::WriteNow(std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const auto n = ::write(master_, bytes.data(), bytes.size());
        if (n > 0) {
            bytes = bytes.subspan(static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && errno != EAGAIN) {
            return Status::Broken;
        }
        // The host's input queue is full: wait until it reads.
        if (const auto st = WaitMaster(true, Clock::time_point::max()); st != Status::Ok) {
            return st;
        }
    }
    return Status::Ok;
}

Line::Status PtyLine::Write(std::span<const std::uint8_t> bytes) {
    if (!txPacer_ && dribble_.count() == 0) {
        return WriteNow(bytes);
    }
    const std::uint64_t first = txPacer_ ? txPacer_->Enqueue(Clock::now(), bytes.size()) : 0;
    auto notBefore = Clock::now();
    std::size_t i = 0;
    while (i < bytes.size()) {
        auto when = txPacer_ ? txPacer_->Due(first + i) : notBefore;
        when = std::max(when, notBefore);
        if (const auto st = SleepUntil(when); st != Status::Ok) {
            return st;
        }
        // Everything already due goes out together: waking late must not slow the schedule.
        std::size_t n = 1;
        if (dribble_.count() == 0) {
            const auto now = Clock::now();
            while (i + n < bytes.size() && txPacer_->Due(first + i + n) <= now) {
                ++n;
            }
        }
        if (const auto st = WriteNow(bytes.subspan(i, n)); st != Status::Ok) {
            return st;
        }
        i += n;
        notBefore = Clock::now() + dribble_;
    }
    return Status::Ok;
}

Line::Status PtyLine::Pause(Clock::duration duration) {
    return SleepUntil(Clock::now() + duration);
}

}  // namespace sim

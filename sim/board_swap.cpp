#include "sim/board_swap.h"

#include <poll.h>
#include <sys/eventfd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>
#include <utility>

#include "sim/loader_session.h"

namespace sim {

BoardSwap::BoardSwap(std::uint32_t sessionsPerBoard, std::chrono::milliseconds delay,
                     bool startEmpty)
    : sessionsPerBoard_(sessionsPerBoard),
      delay_(delay),
      inserted_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)),
      out_(startEmpty),
      empty_(startEmpty) {
    if (!inserted_.Valid()) {
        throw std::system_error(errno, std::generic_category(), "eventfd");
    }
}

bool BoardSwap::Empty() const {
    return out_;
}

bool BoardSwap::SessionEnded() {
    if (sessionsPerBoard_ == 0 || ++sessions_ < sessionsPerBoard_) {
        return false;
    }
    sessions_ = 0;
    out_ = true;
    std::lock_guard lock(mutex_);
    empty_ = true;
    probed_ = false;
    return true;
}

void BoardSwap::Heard() {
    std::lock_guard lock(mutex_);
    probed_ = true;
    changed_.notify_all();
}

bool BoardSwap::Insert(Faults faults) {
    std::lock_guard lock(mutex_);
    if (!empty_) {
        return false;
    }
    // In from the caller's view at once; the serving thread takes it at its next look.
    empty_ = false;
    insertRequested_ = true;
    nextFaults_ = std::move(faults);
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto n = ::write(inserted_.Get(), &one, sizeof one);
    return true;
}

bool BoardSwap::WaitUntilProbedEmpty(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return empty_ && probed_; });
}

bool BoardSwap::TakeInsertion(Faults& faults) {
    std::lock_guard lock(mutex_);
    if (!insertRequested_) {
        return false;
    }
    std::uint64_t count = 0;
    [[maybe_unused]] const auto n = ::read(inserted_.Get(), &count, sizeof count);
    insertRequested_ = false;
    faults = std::exchange(nextFaults_, std::nullopt);
    return true;
}

void BoardSwap::PutIn() {
    std::lock_guard lock(mutex_);
    empty_ = false;
}

Line::Status BoardSwap::ServeEmpty(Line& line, int masterFd, int stopFd, Faults& faults) {
    using Clock = Line::Clock;
    LinkMatcher matcher;
    std::optional<Clock::time_point> insertAt;
    for (;;) {
        // Whatever the host sent is heard and dropped.
        std::uint8_t byte = 0;
        Line::Status status = Line::Status::Ok;
        while ((status = line.ReadByte(byte, Clock::now())) == Line::Status::Ok) {
            if (matcher.Feed(byte)) {
                Heard();
                if (delay_.count() > 0 && !insertAt) {
                    insertAt = Clock::now() + delay_;
                }
            }
        }
        if (status != Line::Status::Timeout) {
            return status;
        }
        if (TakeInsertion(faults)) {
            out_ = false;
            return Line::Status::Ok;
        }
        if (insertAt && Clock::now() >= *insertAt) {
            PutIn();
            out_ = false;
            return Line::Status::Ok;
        }
        std::array<pollfd, 3> fds{
            {{masterFd, POLLIN, 0}, {stopFd, POLLIN, 0}, {inserted_.Get(), POLLIN, 0}}};
        int waitMs = -1;
        if (insertAt) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(*insertAt - Clock::now());
            waitMs = static_cast<int>(std::max<std::int64_t>(left.count(), 0));
        }
        if (::poll(fds.data(), fds.size(), waitMs) < 0 && errno != EINTR) {
            return Line::Status::Broken;
        }
        if (fds[1].revents != 0) {
            return Line::Status::Stopped;
        }
    }
}

}  // namespace sim

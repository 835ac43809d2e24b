// The timing of one direction of a serial line: 10 bits per byte (start, 8 data, stop) at a
// fixed baud rate, on a schedule computed from the start of each burst rather than summed byte
// by byte, so waking late never accumulates drift.
//
// Bytes handed over while earlier ones are still on the wire follow them without a gap; bytes
// handed over on an idle line start a new burst at that moment. The class holds no clock: the
// caller passes the time, which keeps it testable without waiting.
//
// Threading: not shared; one object per direction, used by one thread.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace sim {

class Pacer {
  public:
    using Clock = std::chrono::steady_clock;

    explicit Pacer(std::uint32_t baud) : baud_(baud) {}

    // Places `count` bytes handed over at `now` on the wire and returns the stream index of the
    // first of them (indices count every byte ever placed, from 0).
    std::uint64_t Enqueue(Clock::time_point now, std::size_t count);

    // The moment byte `index` has completely crossed the wire.
    Clock::time_point Due(std::uint64_t index) const;

    std::uint32_t Baud() const { return baud_; }

    // Time `bytes` bytes take on the wire at `baud`, exact to the nanosecond.
    static Clock::duration WireTime(std::uint64_t bytes, std::uint32_t baud);

  private:
    std::uint32_t baud_;
    std::uint64_t next_ = 0;        // index of the next byte to be placed
    std::uint64_t burstIndex_ = 0;  // index of the first byte of the current burst
    Clock::time_point burstStart_{};
};

}  // namespace sim

// The loader's end of a serial line, as the protocol code sees it: bytes in, bytes out, and
// waiting that a stop request can cut short.
//
// Threading: a Line is used by one thread (the serving thread).
#pragma once

#include <chrono>
#include <cstdint>
#include <span>

namespace sim {

class Line {
  public:
    using Clock = std::chrono::steady_clock;

    enum class Status {
        Ok,
        Timeout,  // nothing arrived before the deadline
        Stopped,  // the simulator is stopping
        Broken,   // the line failed (hung up or an I/O error)
    };

    virtual ~Line() = default;

    // Takes the next byte from the host, waiting until `deadline` (time_point::max(): no limit).
    virtual Status ReadByte(std::uint8_t& out, Clock::time_point deadline) = 0;

    // Sends `bytes` completely.
    virtual Status Write(std::span<const std::uint8_t> bytes) = 0;

    // Lets `duration` pass (the loader is busy, e.g. erasing).
    virtual Status Pause(Clock::duration duration) = 0;
};

}  // namespace sim

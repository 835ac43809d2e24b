// A Line over the master side of a pseudo-terminal, optionally paced at a baud rate and with
// replies optionally dribbled one byte at a time.
//
// Paced, a byte from the host counts as received only when it has crossed the wire on the
// receive schedule, however early the host wrote it, and each reply byte is written when it
// has crossed the wire on the send schedule. Every wait is a poll()/ppoll() on the master and
// the stop latch; nothing spins.
//
// Threading: not shared; used by the serving thread only. The master descriptor and the stop
// latch must outlive the object.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>

#include "sim/line.h"
#include "sim/pacer.h"

namespace sim {

class PtyLine final : public Line {
  public:
    // baud 0: unpaced. dribble zero: replies are written whole.
    PtyLine(int masterFd, int stopFd, std::uint32_t baud, std::chrono::milliseconds dribble);

    Status ReadByte(std::uint8_t& out, Clock::time_point deadline) override;
    Status Write(std::span<const std::uint8_t> bytes) override;
    Status Pause(Clock::duration duration) override;

  private:
    // Waits until the master is readable (Ok), or writable when `forWrite`.
    Status WaitMaster(bool forWrite, Clock::time_point deadline);
    // Lets time pass until `when` unless a stop is requested.
    Status SleepUntil(Clock::time_point when);
    Status WriteNow(std::span<const std::uint8_t> bytes);

    int master_;
    int stop_;
    std::chrono::milliseconds dribble_;
    std::optional<Pacer> rxPacer_;
    std::optional<Pacer> txPacer_;
    std::deque<std::uint8_t> rx_;
    std::uint64_t rxIndex_ = 0;  // stream index of rx_.front() on the receive schedule
};

}  // namespace sim

// Board swaps on the simulated line, as on a production line: each board serves a number of
// sessions and is taken out of the socket; the next one goes in later. While the socket is
// empty the line hears the host and answers nothing, as a line with no target does.
//
// Threading: Insert and WaitUntilProbedEmpty may be called from any thread; every other member
// belongs to the serving thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/unique_fd.h"
#include "sim/faults.h"
#include "sim/line.h"

namespace sim {

class BoardSwap {
  public:
    using Faults = std::optional<std::vector<Fault>>;

    // sessionsPerBoard 0: one board stays for good. delay: the next board goes in this long
    // after the first link request that found the socket empty; zero: only Insert puts it in.
    BoardSwap(std::uint32_t sessionsPerBoard, std::chrono::milliseconds delay, bool startEmpty);

    // Serving thread: no board is in the socket (the serving thread has not yet taken the one
    // that Insert put there, if any).
    bool Empty() const;
    // A session on the board in the socket ended; true when the board has now left.
    bool SessionEnded();
    // A link request reached the empty socket.
    void Heard();
    // Waits with the socket empty, hearing and dropping what the host sends, until the next
    // board is in (Ok; its faults, if they change, in *faults) or the line ends the wait.
    Line::Status ServeEmpty(Line& line, int masterFd, int stopFd, Faults& faults);

    // Any thread: puts the next board in; its sessions commit `faults` (nothing: the faults so
    // far). False when a board is in the socket.
    bool Insert(Faults faults = std::nullopt);
    // Any thread: waits until the socket is empty and a link request has found it so.
    bool WaitUntilProbedEmpty(std::chrono::milliseconds timeout);

  private:
    bool TakeInsertion(Faults& faults);
    void PutIn();

    const std::uint32_t sessionsPerBoard_;
    const std::chrono::milliseconds delay_;
    std::uint32_t sessions_ = 0;   // served by the board in the socket
    platform::UniqueFd inserted_;  // eventfd: readable once Insert was called
    bool out_;                     // the serving thread's view: no board in the socket

    mutable std::mutex mutex_;  // guards the members below
    std::condition_variable changed_;
    bool empty_;           // the callers' view: no board in the socket, and none inserted
    bool probed_ = false;  // a link request found the socket empty since the board left
    bool insertRequested_ = false;
    Faults nextFaults_;
};

}  // namespace sim

// The loader simulator: a pseudo-terminal whose far end behaves like the target's boot loader.
//
//     sim::LoaderConfig cfg;
//     cfg.packetSize = 16;
//     cfg.letter = 'e';
//     cfg.eraseScale = 0.01;
//     cfg.faults.push_back(*sim::ParseFault("bad:ack:3"));
//     auto s = sim::Simulator::Start(cfg);       // null on failure
//     OpenHost(s->SlavePath());                  // a host opens the device path
//     auto r = s->WaitForSession(std::chrono::seconds(10));
//     // r->ending, r->phase, r->fault, r->flash (4 MiB), r->sums (2,048 bytes), r->bytesIn,
//     // r->bytesOut, r->imagePackets, r->sumPackets, r->wireSeconds, r->mode
//
// A serving thread waits for link requests and runs one session after another; every session
// that ends (completed, faulted, hung up, abandoned by its host) is queued for WaitForSession,
// in order. Faults apply to every session, or to one session of each board (Fault::session).
// After a hang-up the simulator serves on a fresh
// pseudo-terminal: SlavePath() (and the symbolic link) name it before that session's result is
// queued. The flash model keeps its content from session to session, as a chip does.
//
// Board swaps (SimulatorOptions::sessionsPerBoard) stand for a production line: after its
// sessions the board leaves the socket and the line goes silent until the next board is in,
// put there by InsertBoard (or after SimulatorOptions::swapDelay). A test waits for the host
// to find the socket empty (WaitUntilProbedEmpty) before it inserts the next board.
//
// Threading: every member function may be called from any thread. Destruction stops the
// serving thread and waits for it (at most about 2 s more while the host still has a reply
// unread, so that closing does not lose it).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/board_swap.h"
#include "sim/loader_config.h"
#include "sim/pty.h"
#include "sim/pty_line.h"
#include "sim/session_result.h"
#include "sim/wakeup.h"

namespace sim {

struct SimulatorOptions {
    // When set, a symbolic link to the slave, replacing an older link (never another kind of
    // file), moved to each new line and removed when the simulator ends.
    std::string linkPath;
    // Serve this many sessions, then end; 0: until stopped.
    std::uint32_t maxSessions = 0;
    // Board swaps: each board serves this many sessions, then leaves; 0: one board for good.
    std::uint32_t sessionsPerBoard = 0;
    // The next board goes in this long after a link request first found the socket empty;
    // zero: only InsertBoard puts it in.
    std::chrono::milliseconds swapDelay{0};
    // The socket is empty at start: the first board too waits for InsertBoard or swapDelay.
    bool startEmpty = false;
    // When set, serve on this existing terminal or listening unix socket instead of a new
    // pseudo-terminal (after a hang-up it is opened again).
    std::string devicePath;
};

class Simulator {
    struct Token {};

  public:
    // Opens the line and starts serving; null, with the reason in *error, on failure.
    static std::unique_ptr<Simulator> Start(const LoaderConfig& config,
                                            const SimulatorOptions& options = {},
                                            std::string* error = nullptr);

    Simulator(Token, const LoaderConfig& config, const SimulatorOptions& options);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // The device path a host opens.
    std::string SlavePath() const;

    // The next finished session, waiting up to `timeout`. Nothing on time-out, or once the
    // simulator has ended and every result has been taken.
    std::optional<SessionResult> WaitForSession(std::chrono::milliseconds timeout);
    // The same without a time-out.
    std::optional<SessionResult> WaitForSession();

    // Asks the serving thread to end; returns at once. Idempotent.
    void Stop();

    // True once the serving thread has ended (stopped, or maxSessions served).
    bool Ended() const;

    // Board swaps: puts the next board into the empty socket; its sessions commit `faults`
    // (nothing: those of the board before). False when a board is in the socket.
    bool InsertBoard(std::optional<std::vector<Fault>> faults = std::nullopt);
    // Board swaps: waits until the socket is empty and a host's link request went unanswered
    // there. False on time-out.
    bool WaitUntilProbedEmpty(std::chrono::milliseconds timeout);

  private:
    bool OpenLine(std::string* error);  // serving thread, or Start before it exists
    void CloseLine();
    bool ReopenLine();
    void Serve();
    bool AwaitBoard(std::optional<Mode>& pending);
    void Publish(SessionResult result);

    const LoaderConfig config_;
    const SimulatorOptions options_;
    Wakeup stop_;
    BoardSwap swap_;

    // Owned by the serving thread once it runs.
    std::optional<PtyPair> pty_;
    std::optional<PtyLine> line_;
    std::vector<std::uint8_t> flash_;
    LoaderConfig board_;               // config_ with the faults of the board in the socket
    std::uint32_t boardSessions_ = 0;  // sessions the board in the socket has begun

    mutable std::mutex mutex_;  // guards the members below
    std::condition_variable changed_;
    std::deque<SessionResult> results_;
    std::string slavePath_;
    bool ended_ = false;

    std::thread thread_;  // last: starts after everything above exists
};

}  // namespace sim

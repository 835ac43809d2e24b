// The loader's side of the protocol over a byte stream: one session from the link reply to the
// final AA 55 of the checksum table, with the configured faults committed on the way.
//
// A session reads host messages by their fixed lengths and answers each once all its bytes are
// in. It gives up when the host goes quiet (LoaderConfig::idleTimeout) and when a new link
// request arrives where a message was expected: a host that starts over sends that request and
// waits, so six link-request bytes followed by silence, or a short message that turns out to
// be the start of a link request, begin a new session (NextMode()) instead of being taken as
// data. The one ambiguity left: a packet of exactly those six bytes, answered by silence.
//
// Threading: not shared; a session runs on the serving thread, which owns the line and flash.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <vector>

#include "sim/line.h"
#include "sim/loader_config.h"
#include "sim/session_result.h"

namespace sim {

// Recognises link requests in a byte stream fed one byte at a time.
class LinkMatcher {
  public:
    // The mode of the link request that `byte` completes, if it completes one.
    std::optional<Mode> Feed(std::uint8_t byte);

  private:
    std::array<std::uint8_t, 6> window_{};
    std::size_t seen_ = 0;
};

// Discards bytes until a link request (C9 DD 55 AA K C9, K = DD or 22) has arrived. Ok and the
// requested mode, or the line status that ended the wait.
struct LinkWait {
    Line::Status status = Line::Status::Ok;
    Mode mode = Mode::Program;
};
LinkWait WaitForLink(Line& line);

class LoaderSession {
  public:
    // `flash` is the loader's flash model, kFlashSize bytes; a Program session erases and
    // programs it.
    LoaderSession(const LoaderConfig& config, std::vector<std::uint8_t>& flash, Line& line);

    // Serves a session whose link request has just been received.
    SessionResult Run(Mode mode);

    // The mode of the link request that ended the session, when it ended with Ending::Resync.
    Mode NextMode() const { return nextMode_; }

  private:
    struct Transfer;

    bool Program();
    bool ChecksumTable();
    bool RunTransfer(const Transfer& kind, std::span<std::uint8_t> store, std::uint32_t total,
                     std::uint32_t& packets);
    void AppendReadBack(std::vector<std::uint8_t>& reply, const Transfer& kind,
                        std::span<const std::uint8_t> store, std::uint32_t total,
                        std::uint32_t packet);

    // Sends the reply of `step` as its fault (if any) makes it. False: the session is over.
    bool Reply(Step step, std::uint32_t packet, std::vector<std::uint8_t> bytes);
    bool Send(std::span<const std::uint8_t> bytes);
    // Receives one host message of out.size() bytes. False: the session is over.
    bool Receive(std::span<std::uint8_t> out);
    bool StartsOver();
    void Track(std::uint8_t byte);
    bool BurstEndsWithLink() const;
    bool BurstIsLinkStart() const;

    bool End(Ending ending, const Fault* fault = nullptr);
    bool EndOn(Line::Status status);
    SessionResult Finish();

    const LoaderConfig& config_;
    std::vector<std::uint8_t>& flash_;
    Line& line_;
    SessionResult result_;
    Line::Clock::time_point started_{};
    Line::Clock::duration quietGap_{};
    Mode nextMode_ = Mode::Program;
    const Fault* pendingFault_ = nullptr;  // a corrupted read-back in the reply being built

    // The host's bytes since the loader last sent anything: the last six, and how many.
    std::array<std::uint8_t, 6> tail_{};
    std::size_t burstLength_ = 0;
    std::deque<std::uint8_t> lookahead_;  // read while checking for a link request
};

}  // namespace sim

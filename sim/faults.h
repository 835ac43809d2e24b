// Faults the loader can be told to commit, and their text form for the command line.
//
// Syntax (one fault per text; steps below):
//   silent:STEP          no reply at STEP; the loader then waits for a new link request
//   bad:STEP             a wrong reply at STEP (see Spoil in loader_session.cpp for each)
//   hangup:STEP          the line hangs up (master closed) instead of the reply at STEP
//   corrupt:readback:N   one byte of the read-back of image packet N is wrong
//   corrupt:sum-readback:N   the same for checksum-table packet N
//   bad-info             same as bad:info: the information block's first two bytes are not
//                        complements (the host carries on with its default erase time)
//   dribble:MS           every reply goes out one byte at a time, MS milliseconds apart
// STEP is one of: link, info, erase-begin, erase-done, length, ack:N, end, sum-link, count,
// sum-ack:N, sum-end. Packets N count from 1 within their transfer. A fault followed by @S
// ("bad:ack:3@1") is committed only in session S of a board (of the simulator when boards are
// not swapped), counted from 1: a contact that fails once and holds on the next attempt.
//
// Threading: plain values and pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

enum class Step : std::uint8_t {
    Link,         // the 8-byte link reply
    Info,         // the 32-byte information block ('e' or 'd' loaders)
    EraseBegin,   // AA 55
    EraseDone,    // 55 AA
    Length,       // the file length echo
    Ack,          // the acknowledgement of image packet N (with the read-back of N - 2)
    End,          // the owed image read-back and AA 55
    SumLink,      // AA 55 before the checksum count
    Count,        // the checksum count echo
    SumAck,       // the acknowledgement of checksum packet N
    SumEnd,       // the owed table read-back and AA 55
    ReadBack,     // the read-back data of image packet N (corrupt only)
    SumReadBack,  // the read-back data of checksum packet N (corrupt only)
};

enum class FaultKind : std::uint8_t { Silent, Bad, HangUp, Corrupt, Dribble };

struct Fault {
    FaultKind kind = FaultKind::Silent;
    Step step = Step::Link;
    std::uint32_t packet = 0;     // for Ack, SumAck, ReadBack, SumReadBack: 1-based
    std::uint32_t dribbleMs = 0;  // for Dribble
    std::uint32_t session = 0;    // only in this session of a board, from 1; 0: in every one

    bool operator==(const Fault&) const = default;
};

// Parses one fault; nothing (and a reason in *error) for text that is not a fault.
std::optional<Fault> ParseFault(std::string_view text, std::string* error = nullptr);

// The canonical text of a fault; ParseFault(FormatFault(f)) == f.
std::string FormatFault(const Fault& fault);

// The text of a step as it appears in fault texts, without a packet number.
std::string_view StepName(Step step);

// The first Silent, Bad or HangUp fault at `step` (and `packet` for packet steps), if any.
const Fault* FindStepFault(std::span<const Fault> faults, Step step, std::uint32_t packet = 0);

// The Corrupt fault for the read-back of `packet` at `step` (ReadBack or SumReadBack), if any.
const Fault* FindCorruption(std::span<const Fault> faults, Step step, std::uint32_t packet);

// The faults of `faults` that apply to session `session` (from 1) of a board.
std::vector<Fault> FaultsOfSession(std::span<const Fault> faults, std::uint32_t session);

// The dribble delay in milliseconds, 0 when replies go out whole.
std::uint32_t DribbleMs(std::span<const Fault> faults);

}  // namespace sim

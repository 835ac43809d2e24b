// What one loader session did: how far it got, why it ended, what crossed the wire, and the
// memory it left behind.
//
// Threading: plain values; the flash snapshot is immutable and may be shared between threads.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/faults.h"

namespace sim {

inline constexpr std::size_t kFlashSize = 0x400000;  // 4 MiB

enum class Mode : std::uint8_t {
    Program,  // link request with K = DD: erase, image, then the checksum table
    EepSum,   // link request with K = 22: the checksum table only
};

// The last milestone reached, in protocol order.
enum class Phase : std::uint8_t {
    WaitLink,      // no link reply sent yet
    Linked,        // link reply (and information block) sent
    Erasing,       // AA 55 sent, erase running
    Erased,        // 55 AA sent
    LengthEchoed,  // file length received and echoed
    Image,         // image packets being received
    ImageDone,     // owed read-back and AA 55 sent
    SumReady,      // AA 55 before the checksum count sent
    CountEchoed,   // checksum count received and echoed
    Checksum,      // checksum packets being received
    Complete,      // final AA 55 of the table sent
};

enum class Ending : std::uint8_t {
    Complete,  // the whole job crossed the wire
    Faulted,   // an injected fault ended it (see `fault`)
    HungUp,    // an injected hang-up closed the line; a new line serves the next session
    Idle,      // the host stopped sending mid-session
    Resync,    // a new link request arrived mid-session and started the next session
    Stopped,   // the simulator was stopped
    Broken,    // the line failed
};

struct SessionResult {
    Mode mode = Mode::Program;
    Phase phase = Phase::WaitLink;
    Ending ending = Ending::Broken;
    std::optional<Fault> fault;  // the fault that ended the session, if one did

    std::uint64_t bytesIn = 0;   // from the host, link request included
    std::uint64_t bytesOut = 0;  // to the host
    std::uint32_t imagePackets = 0;
    std::uint32_t sumPackets = 0;
    std::uint32_t length = 0;  // file length received (Program)
    std::uint32_t count = 0;   // checksum byte count received
    // (bytesIn + bytesOut) x 10 bits / baud; 0 when unpaced.
    double wireSeconds = 0.0;
    std::chrono::steady_clock::duration elapsed{};  // from link request to the end
    // When the last byte crossed the line, either way (the link request at the latest): a
    // host's time-out that follows the loader's silence is measured from here.
    std::chrono::steady_clock::time_point lastByte{};

    // The flash model after the session (kFlashSize bytes, erased = FF), shared, never null.
    std::shared_ptr<const std::vector<std::uint8_t>> flash;
    // The checksum table as stored (`count` bytes, normally 2,048); empty before the count.
    std::vector<std::uint8_t> sums;

    std::uint32_t Packets() const { return imagePackets + sumPackets; }
    bool Completed() const { return ending == Ending::Complete; }
};

std::string_view ModeName(Mode mode);
std::string_view PhaseName(Phase phase);
std::string_view EndingName(Ending ending);

// One line for people: mode, ending, phase, bytes, packets, wire time and real time, and for
// scripts the last byte's time in seconds on the monotonic clock (CLOCK_MONOTONIC).
std::string Summary(const SessionResult& result);

}  // namespace sim

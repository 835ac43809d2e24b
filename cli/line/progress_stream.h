// The progress of one port's kven-cli process as lines for the process that runs several
// ports (--progress), and the reading of those lines. One event per line:
//
//   progress PHASE POSITION TOTAL RATE    PHASE: starting, wait-link, erase, write, checksum,
//                                         done; RATE: bytes per second while writing
//   loader TEXT                           "LD Ver: V0123-A-255"
//   checksum HEX                          the image's 16-bit checksum
//   serial TEXT                           the serial number of the board that just ended
//   message TEXT, hint TEXT               what the job would show in a box, and its hints
//   waiting BOARD PRESENT                 board after board: waiting for BOARD; PRESENT 1
//                                         while the board before it still answers
//   attempt BOARD ATTEMPT CODE            an attempt failed and the board starts again
//   board BOARD CODE BYTES MILLISECONDS   board after board: a board's job ended
//   result CODE BYTES MILLISECONDS        a single job ended
//
// Threading: a ProgressStream is used on the main thread only; parsing is a pure function.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "cli/output/display.h"

namespace cli {

class ProgressStream : public Display {
  public:
    explicit ProgressStream(std::FILE* out) : out_(out) {}

    void OnStatus(const JobView& view, int kind) override;
    void Message(std::string_view text) override;
    void Hint(std::string_view text) override;
    void Finish(const JobRecord& record) override;
    void Waiting(int number, bool previousPresent) override;
    void Retrying(const JobRecord& failed, int attempts) override;
    void Board(const JobRecord& record) override;

  private:
    void Line(const std::string& line);
    void Serial(const JobRecord& record);

    std::FILE* out_;
    Phase lastPhase_ = Phase::Done;
    std::chrono::steady_clock::time_point lastProgress_{};
};

struct ProgressEvent {
    enum class Type {
        Progress,
        Loader,
        Checksum,
        Serial,
        Message,
        Hint,
        Waiting,
        Attempt,
        Board,
        Result
    };
    Type type = Type::Progress;
    Phase phase = Phase::Starting;    // progress
    std::array<std::int64_t, 4> n{};  // the numbers, in order of the line
    std::string text;                 // loader, serial, message, hint
};

// Nothing for a line that is not an event.
std::optional<ProgressEvent> ParseProgress(std::string_view line);

}  // namespace cli

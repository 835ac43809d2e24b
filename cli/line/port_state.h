// Each port as its kven-cli process reports it, and the texts shown for it.
//
// Threading: plain values and pure functions.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/job/job_view.h"
#include "cli/line/progress_stream.h"
#include "cli/line/tally.h"

namespace cli {

// One port as its process reports it.
struct PortState {
    std::string port;
    Phase phase = Phase::Starting;
    std::int64_t position = 0;
    std::int64_t total = 0;
    std::int64_t rate = 0;  // bytes per second while writing
    std::optional<std::uint16_t> checksum;
    std::string serial;  // of the board that ended last
    int board = 0;       // board after board: the board in progress or awaited
    bool waiting = false;
    bool previousPresent = false;
    std::optional<int> code;  // a single job's result
    std::uint32_t bytes = 0;
    double seconds = 0;
    Tally tally;
};

// Applies one event to `state`; the line to print for it ("port 1 /dev/pts/3: ..."), if any:
// progress (shown on a pipe), a message with its hints (stderr), or a board's result.
struct PrintLine {
    enum class Kind { Progress, Message, Board };
    std::string text;
    Kind kind = Kind::Progress;
};
std::optional<PrintLine> ApplyEvent(PortState& state, std::size_t index, const ProgressEvent& e);

// "port 1 /dev/pts/3"
std::string PortLabel(const PortState& state, std::size_t index);
// The row of the live table.
std::string TableRow(const PortState& state, std::size_t index, bool repeat);
// The line at the end, given the process's exit status.
std::string FinalLine(const PortState& state, std::size_t index, int status, bool repeat);

}  // namespace cli

// Reset and boot-entry sequences (--reset, --after): DTR and RTS raised and dropped on the
// job's own open port, with pauses between, as "dtr,-rts,50ms,-dtr" says. "dtr" raises DTR
// (asserts it: on most adapters the pin goes low), "-dtr" drops it; the same for "rts";
// "50ms" waits 50 milliseconds.
//
// Threading: parsing is a pure function; a sequence runs on the thread that owns the port.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "serial/serial_port.h"

namespace cli {

struct LineStep {
    std::optional<platform::LineFunction> line;  // a change of DTR or RTS, or else
    std::chrono::milliseconds pause{0};          // a pause
};
using LineSequence = std::vector<LineStep>;

inline constexpr std::chrono::milliseconds kLongestPause{10000};

// The steps of `text`; nothing, and the reason in *error, for text that is no sequence.
std::optional<LineSequence> ParseLineSequence(std::string_view text, std::string* error);

// "dtr", "-rts", "50ms"
std::string StepText(const LineStep& step);

struct LineSequenceResult {
    enum class Outcome { Done, Refused, Interrupted } outcome = Outcome::Done;
    std::string message;  // Refused: what failed, and why beneath it
    std::string details;
};

// Carries `sequence` out on the open `port`. `pause` lets the time pass and returns false
// when the wait was interrupted, which ends the sequence there.
LineSequenceResult RunLineSequence(const LineSequence& sequence, CSerialPort& port,
                                   const std::function<bool(std::chrono::milliseconds)>& pause);

}  // namespace cli

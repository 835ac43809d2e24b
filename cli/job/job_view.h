// What kven-cli knows of the running job, gathered from its status messages.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace cli {

enum class Phase { Starting, WaitLink, Erase, Write, Checksum, Done };

struct JobView {
    Phase phase = Phase::Starting;
    std::int64_t total = 0;     // of the current phase's progress
    std::int64_t position = 0;  // within it
    std::uint32_t fileSize = 0;
    std::optional<std::uint16_t> fileChecksum;
    std::optional<std::uint16_t> loaderVersion;
    char loaderLetter = 0;
    int packetSize = 0;
    std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point writeStarted = started;
};

const char* PhaseText(Phase phase);

// Bytes per second of the image written so far; 0 outside the write phase.
double WriteRate(const JobView& view, std::chrono::steady_clock::time_point now);

// The image bytes that crossed the line by the end of a job with result `code`.
std::uint32_t TransferredBytes(const JobView& view, int code);

// "LD Ver: V0123-A-255"
std::string LoaderText(const JobView& view);

// The text of a result code, as the desktop program shows it; "Job did not start" for 10,
// "Interrupted" for 130.
const char* ResultText(int code);

}  // namespace cli

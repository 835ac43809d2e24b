// One job as kven-cli reports it (--json, the board lines) and logs it (--log).
//
// Threading: plain values; not shared.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "cli/job/image_info.h"
#include "cli/job/job_view.h"
#include "cli/line/serial_numbers.h"
#include "job/program_job.h"

namespace cli {

struct JobRecord {
    std::chrono::system_clock::time_point start;
    std::string station;  // --station, or the host name
    std::string port;     // as given on the command line, or COMn from the INI file
    std::string device;   // the device behind it
    std::uint32_t baud = 0;
    int mode = 1;  // kModeProgram or kModeEepSum
    ImageInfo image;
    JobView view;
    int code = 0;                       // the result code; 10 did not start, 130 interrupted
    int board = 0;                      // board after board: its number; 0 for a single job
    int attempt = 1;                    // 1, then one more for each retry of the board
    std::optional<SerialValue> serial;  // the board's serial number, when it has one
    double seconds = 0;
    std::uint32_t bytes = 0;  // image bytes that crossed the line
    // How far the job's time-outs were moved for this host's own delays, and the own work
    // that held one (job/program_job.h).
    std::uint32_t timeoutExtensionMs = 0;
    OwnWork heldBy = OwnWork::None;
    bool ownWorkCapped = false;
};

// ISO 8601 in UTC with milliseconds: "2025-12-07T01:12:49.123Z".
std::string IsoTime(std::chrono::system_clock::time_point time);

// The image as a JSON object: the file (path, size, SHA-256) and the flat image read from it
// (format, SHA-256, and for an image with addresses its base, size, bytes filled and the first
// and last address with data).
std::string ImageJson(const ImageInfo& info);

// The record as one JSON object on one line, without the newline.
std::string RecordJson(const JobRecord& record);

// "board 3: Writing is OK  2.13 s  CheckSum: 1A2B", and "  Serial: 1005" when it has one.
std::string BoardLine(int board, int code, double seconds, std::optional<std::uint16_t> checksum,
                      std::string_view serial = {});

// Appends `line` and a newline to the file at `path` in one write to a descriptor opened for
// appending, so lines from several processes sharing the file never mix. False, with errno
// set, when the file cannot be opened or the line was not written whole.
bool AppendLine(const std::string& path, std::string_view line);

}  // namespace cli

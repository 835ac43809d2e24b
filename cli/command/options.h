// kven-cli's command line, parsed by the option table (option_table.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/job/line_sequence.h"
#include "cli/line/serial_numbers.h"

namespace cli {

inline constexpr int kResultStartFailedExit = 10;
inline constexpr int kUsageExit = 64;
inline constexpr int kInterruptedExit = 130;

enum class Command { Program, EepSum, Ports, Image, Help, Version };

struct Options {
    Command command = Command::Help;
    std::string image;
    std::vector<std::string>
        ports;  // "COMn", device paths or usb: names; several: one process each
    std::optional<std::int32_t> baud;
    std::optional<std::uint8_t> dataBits;
    std::optional<std::uint8_t> parity;    // Win32 parity code
    std::optional<std::uint8_t> stopBits;  // Win32 stop-bit code
    std::string readback;                  // empty: not written
    std::string sums;                      // empty: not written
    std::string ini;                       // empty: the desktop program's INI
    std::string log;                       // empty: no job log
    bool json = false;
    bool quiet = false;
    bool repeat = false;    // board after board
    bool progress = false;  // machine-readable progress lines (the per-port processes)
    bool names = false;     // ports: only the names --port takes

    SerialPlan serial;                      // per-board serial numbers
    LineSequence reset;                     // before each link attempt; empty: the lines stay off
    LineSequence after;                     // after a success
    int retries = 0;                        // further attempts of a failed board, from the link
    std::chrono::milliseconds waitPort{0};  // how long a missing port is waited for
    std::string station;                    // empty: the host name
    // An image with addresses: --format (empty: the name says) and --base (empty: the INI's,
    // else the lowest address), both checked.
    std::string format;
    std::string base;
};

struct ParseResult {
    std::optional<Options> options;
    std::string error;  // set when options is empty
};

ParseResult ParseOptions(const std::vector<std::string_view>& args);

// The usage and every option, for --help.
std::string UsageText();

// The arguments for the process of one of several ports: `args` without the ports and the
// output style, then `style` and that port.
std::vector<std::string> PortProcessArgs(const std::vector<std::string_view>& args,
                                         const std::string& port, std::string_view style);

}  // namespace cli

// kven-sim: the loader simulator on a pseudo-terminal, from the command line.
#include <pthread.h>
#include <signal.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/file_io.h"
#include "sim/simulator.h"

namespace {

constexpr std::string_view kHelp = R"(Usage: kven-sim [OPTION]...
Simulates a target's serial boot loader on a pseudo-terminal, for Kven to program.
The first line of output is the device path a host opens; then one summary line per session,
ending with the time of its last byte on the line (monotonic clock, seconds).

Loader:
  --version-word HEX   version in the link reply (default 0123)
  --letter C           identification letter (default A); e and d also send the
                       32-byte information block with the erase time
  --packet-size N      packet size told to the host, 1 to 255 (default 255)
  --erase-units N      erase time in the information block, in 2 s units (default 4)
  --erase-scale F      the erase takes units x 2 s x F (default 0.5; the host allows
                       exactly the stated time, so keep F below 1)
  --baud N             pace the line at N baud, 10 bits a byte, both directions, and
                       report the ideal wire time (default: unpaced)
  --idle-timeout MS    end a session whose host sends nothing for MS ms (default 3000)

Faults (--fault FAULT, repeatable; every session):
  silent:STEP          no reply at STEP, then wait for a new link request
  bad:STEP             a wrong reply at STEP: link reply with a broken complement,
                       55 AA for AA 55 (erase-begin, sum-link, end, sum-end) and the
                       reverse (erase-done), a changed length or count echo, 55 for
                       the AA of ack:N and sum-ack:N, info with bytes 0 and 1 not
                       complements
  hangup:STEP          close the line at STEP; the next session runs on a new device
                       (printed, and --link follows it)
  corrupt:readback:N   one wrong byte in the read-back of image packet N
  corrupt:sum-readback:N   the same for checksum-table packet N
  bad-info             same as bad:info (the host carries on with its own erase time)
  dribble:MS           send replies one byte at a time, MS ms apart
  STEP is link, info, erase-begin, erase-done, length, ack:N, end, sum-link, count,
  sum-ack:N or sum-end; packets N count from 1. FAULT@S commits the fault only in
  session S of each board (of the run without --swap), e.g. bad:ack:3@1 fails each
  board's first attempt only. After a fault that makes the host
  give up, the session ends and the loader waits for a new link request.
  The host's result: bad link 4, bad erase-begin 6, bad erase-done 5, bad length 7,
  bad ack 8, bad end 9, corrupt readback 3, bad sum-link 11, bad count 12,
  bad sum-ack 13, corrupt sum-readback 14, bad sum-end 9, silent or hangup 2.

Program:
  --once               serve one session, then exit (status 0 if it completed)
  --link PATH          make PATH a symbolic link to the device (removed at exit)
  --swap MS            board after board: after each session the board leaves and the
                       line is silent; the next board goes in MS ms after a link request
                       first finds the socket empty
  --board-sessions N   with --swap, each board serves N sessions before it leaves
                       (default 1), so a host may retry a board or look for it
  --device PATH        serve on the existing terminal or listening unix socket PATH
                       (e.g. the host end of a virtual machine's serial port) instead
                       of a new pseudo-terminal
  --flash-out FILE     write the 4 MiB flash model after each session
  --sums-out FILE      write the received checksum table after each session
  --help               show this text

A session: link request C9 DD 55 AA K C9 (K = DD Program, 22 EEP Sum); link reply;
for Program AA 55, the erase, 55 AA, the length echo, the image packets (AA, AA, then
the read-back of packet n-2 and AA), the owed read-back and AA 55; then AA 55, the
count echo and the checksum table the same way. An empty image gets just AA 55.
Stop with Ctrl-C (SIGINT) or SIGTERM.
)";

struct Options {
    sim::LoaderConfig loader;
    sim::SimulatorOptions simulator;
    std::string flashOut;
    std::string sumsOut;
};

template <typename T>
bool ParseInt(std::string_view text, T& out, int base, long long low, long long high) {
    if (base == 16 && (text.starts_with("0x") || text.starts_with("0X"))) {
        text.remove_prefix(2);
    }
    long long value = 0;
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || value < low ||
        value > high) {
        return false;
    }
    out = static_cast<T>(value);
    return true;
}

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "kven-sim: %s (see --help)\n", message.c_str());
    std::exit(2);
}

bool ParseMilliseconds(std::string_view text, std::chrono::milliseconds& out) {
    long long ms = 0;
    if (!ParseInt(text, ms, 10, 1, 86'400'000))
        return false;
    out = std::chrono::milliseconds(ms);
    return true;
}

// An option that takes a value: stores it in the options, or refuses it (false), with
// `error` replaced where the refusal has words of its own.
struct ValueOption {
    std::string_view name;
    bool (*apply)(Options& o, std::string_view value, std::string& error);
};

constexpr ValueOption kValueOptions[] = {
    {"--version-word",
     [](Options& o, std::string_view v, std::string&) {
         return ParseInt(v, o.loader.versionWord, 16, 0, 0xFFFF);
     }},
    {"--letter",
     [](Options& o, std::string_view v, std::string&) {
         o.loader.letter = static_cast<std::uint8_t>(v.empty() ? 0 : v[0]);
         return v.size() == 1;
     }},
    {"--packet-size", [](Options& o, std::string_view v,
                         std::string&) { return ParseInt(v, o.loader.packetSize, 10, 1, 255); }},
    {"--erase-units", [](Options& o, std::string_view v,
                         std::string&) { return ParseInt(v, o.loader.eraseUnits, 10, 0, 255); }},
    {"--erase-scale",
     [](Options& o, std::string_view v, std::string&) {
         const std::string text(v);
         char* end = nullptr;
         o.loader.eraseScale = std::strtod(text.c_str(), &end);
         return !text.empty() && *end == '\0';
     }},
    {"--baud", [](Options& o, std::string_view v,
                  std::string&) { return ParseInt(v, o.loader.baud, 10, 1, 100'000'000); }},
    {"--idle-timeout", [](Options& o, std::string_view v,
                          std::string&) { return ParseMilliseconds(v, o.loader.idleTimeout); }},
    {"--fault",
     [](Options& o, std::string_view v, std::string& error) {
         const auto fault = sim::ParseFault(v, &error);
         if (fault)
             o.loader.faults.push_back(*fault);
         return fault.has_value();
     }},
    {"--swap",
     [](Options& o, std::string_view v, std::string&) {
         o.simulator.sessionsPerBoard = std::max<std::uint32_t>(o.simulator.sessionsPerBoard, 1);
         return ParseMilliseconds(v, o.simulator.swapDelay);
     }},
    {"--board-sessions",
     [](Options& o, std::string_view v, std::string&) {
         return ParseInt(v, o.simulator.sessionsPerBoard, 10, 1, 1'000'000);
     }},
    {"--device",
     [](Options& o, std::string_view v, std::string&) {
         o.simulator.devicePath = v;
         return true;
     }},
    {"--link",
     [](Options& o, std::string_view v, std::string&) {
         o.simulator.linkPath = v;
         return true;
     }},
    {"--flash-out",
     [](Options& o, std::string_view v, std::string&) {
         o.flashOut = v;
         return true;
     }},
    {"--sums-out",
     [](Options& o, std::string_view v, std::string&) {
         o.sumsOut = v;
         return true;
     }},
};

const ValueOption* FindValueOption(std::string_view name) {
    for (const ValueOption& option : kValueOptions) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

// Parses the command line; exits on --help and on errors. A value follows its option as the
// next argument or after '='.
Options ParseArgs(int argc, char** argv) {
    Options o;
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view name = args[i];
        std::string_view value;
        const auto eq = name.find('=');
        if (eq != std::string_view::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
        }
        if (name == "--help" || name == "-h") {
            std::fwrite(kHelp.data(), 1, kHelp.size(), stdout);
            std::exit(0);
        }
        if (name == "--once") {
            o.simulator.maxSessions = 1;
            continue;
        }
        const ValueOption* option = FindValueOption(name);
        if (!option)
            Fail("unknown option " + std::string(args[i]));
        if (eq == std::string_view::npos) {
            if (i + 1 >= args.size())
                Fail(std::string(name) + " needs a value");
            value = args[++i];
        }
        std::string error = "bad value for " + std::string(name);
        if (!option->apply(o, value, error))
            Fail(error);
    }
    if (o.simulator.sessionsPerBoard > 0 && o.simulator.swapDelay.count() == 0)
        Fail("--board-sessions goes with --swap");
    return o;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = ParseArgs(argc, argv);

    // SIGINT and SIGTERM are taken by one thread with sigwait; every thread inherits the mask.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    std::string error;
    auto simulator = sim::Simulator::Start(options.loader, options.simulator, &error);
    if (!simulator) {
        std::fprintf(stderr, "kven-sim: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s\n", simulator->SlavePath().c_str());
    std::fflush(stdout);

    std::thread signalWaiter([&] {
        int signal = 0;
        sigwait(&signals, &signal);
        simulator->Stop();
    });

    int status = 0;
    std::uint32_t number = 0;
    std::string path = simulator->SlavePath();
    while (auto result = simulator->WaitForSession()) {
        ++number;
        if (!options.flashOut.empty() &&
            !platform::WriteFileAtomically(options.flashOut, *result->flash)) {
            std::fprintf(stderr, "kven-sim: cannot write %s\n", options.flashOut.c_str());
        }
        if (!options.sumsOut.empty() && !result->sums.empty() &&
            !platform::WriteFileAtomically(options.sumsOut, result->sums)) {
            std::fprintf(stderr, "kven-sim: cannot write %s\n", options.sumsOut.c_str());
        }
        // The summary follows the files, so that whoever reads it may read them.
        std::printf("session %u: %s\n", number, sim::Summary(*result).c_str());
        if (const auto now = simulator->SlavePath(); now != path && !simulator->Ended()) {
            path = now;
            std::printf("new device: %s\n", path.c_str());
        }
        std::fflush(stdout);
        status = result->Completed() ? 0 : 1;
    }
    if (options.simulator.maxSessions == 0) {
        status = 0;  // served until stopped
    }
    pthread_kill(signalWaiter.native_handle(), SIGTERM);  // wakes sigwait if no signal came
    signalWaiter.join();
    simulator.reset();
    return status;
}

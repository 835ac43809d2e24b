#include "cli/command/options.h"

#include <algorithm>
#include <charconv>
#include <utility>

#include "image/format.h"
#include "image/load.h"

namespace cli {

const char* const kUsage =
    "usage: kven-cli program [options] IMAGE    program the image (erase, write, verify, "
    "checksums)\n"
    "       kven-cli eepsum  [options] IMAGE    send the image's block checksum table only\n"
    "       kven-cli ports                      list the serial devices and their COM numbers\n"
    "       kven-cli image [options] IMAGE      show how IMAGE is read, without a port\n"
    "       kven-cli --help | --version\n"
    "options:\n"
    "  --port COMn|PATH     serial port: a COM number of the INI file, or a device path;\n"
    "                       repeat it to program several targets at once\n"
    "  --baud N             line speed in bit/s\n"
    "  --data-bits 4..8     data bits per character\n"
    "  --parity none|odd|even|mark|space\n"
    "  --stop-bits 1|1.5|2\n"
    "  --readback FILE      write the data the loader read back to FILE\n"
    "  --sums FILE          write the checksum table the loader returned to FILE\n"
    "  --ini FILE           take defaults from FILE instead of the desktop program's INI\n"
    "  --json               print one JSON object with the result, and nothing else\n"
    "  --quiet              print only the result line\n"
    "  --repeat             board after board until Ctrl+C, then a tally\n"
    "  --log FILE           append one JSON line per job to FILE\n"
    "  --progress           print machine-readable progress lines (for front ends)\n"
    "  --format raw|hex|srec|elf  read IMAGE as this format, whatever its name says\n"
    "  --base ADDR          the address of the image's first byte (0x08000000 or decimal)\n"
    "Port and line settings default to the desktop program's INI file, which is never "
    "written.\n"
    "IMAGE is a raw binary unless its name ends in .hex .ihex .ihx (Intel HEX), .s19 .s28 .s37\n"
    ".srec .mot (S-record) or .elf .axf (ELF); those are programmed as one image from the base\n"
    "(the lowest address in the file by default), gaps filled with 0xFF.\n"
    "Exit status: 0 success, 2-9 and 11-14 the job's result code, 10 the job did not start,\n"
    "64 usage error, 130 interrupted. Board after board: 0 when every board succeeded, else the\n"
    "last failure's code. Several ports: 0 when every port succeeded, else the status of the\n"
    "first port (in the order given) that did not.\n";

namespace {

template <typename T>
std::optional<T> Number(std::string_view s) {
    T v{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size())
        return std::nullopt;
    return v;
}

std::optional<std::uint8_t> ParityCode(std::string_view s) {
    constexpr std::pair<std::string_view, std::uint8_t> kNames[] = {
        {"none", 0}, {"odd", 1}, {"even", 2}, {"mark", 3}, {"space", 4}};
    for (const auto& [name, code] : kNames) {
        if (s == name)
            return code;
    }
    return std::nullopt;
}

std::optional<std::uint8_t> StopBitsCode(std::string_view s) {
    if (s == "1")
        return 0;
    if (s == "1.5")
        return 1;
    if (s == "2")
        return 2;
    return std::nullopt;
}

ParseResult Error(std::string text) {
    return {std::nullopt, std::move(text)};
}

constexpr std::pair<std::string_view, bool Options::*> kFlags[] = {
    {"--json", &Options::json},
    {"--quiet", &Options::quiet},
    {"--repeat", &Options::repeat},
    {"--progress", &Options::progress},
};

// Sets the flag `a`; false when `a` is no flag.
bool SetFlag(Options& o, std::string_view a) {
    for (const auto& [name, member] : kFlags) {
        if (a == name) {
            o.*member = true;
            return true;
        }
    }
    return false;
}

// The options that take any text.
std::string* TextOption(Options& o, std::string_view a) {
    if (a == "--readback")
        return &o.readback;
    if (a == "--sums")
        return &o.sums;
    if (a == "--ini")
        return &o.ini;
    if (a == "--log")
        return &o.log;
    return nullptr;
}

// --format and --base: sets the option `a` to `v` and returns true, with the error or nothing
// in `error`; false when `a` is neither.
bool SetImageOption(Options& o, std::string_view a, std::string_view v, std::string& error) {
    if (a == "--format") {
        if (!image::FormatFromKey(v))
            error = "--format takes raw, hex, srec or elf";
        o.format = std::string(v);
    } else if (a == "--base") {
        if (!image::ParseAddress(v))
            error = "--base takes an address from 0 to 0xFFFFFFFF, such as 0x08000000";
        o.base = std::string(v);
    } else {
        return false;
    }
    return true;
}

// Sets the option `a` to `v`; the error, or empty.
std::string SetValue(Options& o, std::string_view a, std::string_view v) {
    if (std::string error; SetImageOption(o, a, v, error))
        return error;
    if (a == "--port") {
        if (v.empty())
            return "--port needs a COM number or a device path";
        o.ports.emplace_back(v);
    } else if (a == "--baud") {
        o.baud = Number<std::int32_t>(v);
        if (!o.baud || *o.baud <= 0)
            return "--baud needs a positive number";
    } else if (a == "--data-bits") {
        const auto n = Number<int>(v);
        if (!n || *n < 4 || *n > 8)
            return "--data-bits takes 4 to 8";
        o.dataBits = static_cast<std::uint8_t>(*n);
    } else if (a == "--parity") {
        o.parity = ParityCode(v);
        if (!o.parity)
            return "--parity takes none, odd, even, mark or space";
    } else if (a == "--stop-bits") {
        o.stopBits = StopBitsCode(v);
        if (!o.stopBits)
            return "--stop-bits takes 1, 1.5 or 2";
    } else if (std::string* text = TextOption(o, a)) {
        *text = std::string(v);
    } else {
        return "unknown option " + std::string(a);
    }
    return {};
}

// A flag: an option without a value.
bool IsFlag(std::string_view a) {
    return a == "--help" || std::any_of(std::begin(kFlags), std::end(kFlags),
                                        [&](const auto& f) { return f.first == a; });
}

// Combinations that cannot work.
ParseResult Check(Options o) {
    if (o.json && o.progress)
        return Error("--json and --progress exclude each other");
    if (o.ports.size() > 1 && (!o.readback.empty() || !o.sums.empty()))
        return Error("--readback and --sums take a single port");
    if (o.ports.size() > 1 && o.progress)
        return Error("--progress takes a single port");
    return {std::move(o), {}};
}

}  // namespace

ParseResult ParseOptions(const std::vector<std::string_view>& args) {
    Options o;
    if (args.empty())
        return Error("no command given");
    const std::string_view cmd = args[0];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") {
        o.command = Command::Help;
        return {o, {}};
    }
    if (cmd == "--version") {
        o.command = Command::Version;
        return {o, {}};
    }
    if (cmd == "program") {
        o.command = Command::Program;
    } else if (cmd == "eepsum") {
        o.command = Command::EepSum;
    } else if (cmd == "ports") {
        o.command = Command::Ports;
    } else if (cmd == "image") {
        o.command = Command::Image;
    } else {
        return Error("unknown command '" + std::string(cmd) + "'");
    }

    std::vector<std::string_view> positional;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (!a.starts_with("--")) {
            positional.push_back(a);
            continue;
        }
        if (SetFlag(o, a))
            continue;
        if (a == "--help") {
            o.command = Command::Help;
            return {o, {}};
        }
        if (i + 1 >= args.size())
            return Error(std::string(a) + " needs a value");
        if (std::string error = SetValue(o, a, args[++i]); !error.empty())
            return Error(std::move(error));
    }
    if (o.command == Command::Ports) {
        if (!positional.empty())
            return Error("ports takes no arguments");
        return {o, {}};
    }
    if (positional.size() != 1)
        return Error("give exactly one IMAGE file");
    o.image = std::string(positional[0]);
    return Check(std::move(o));
}

std::vector<std::string> PortProcessArgs(const std::vector<std::string_view>& args,
                                         const std::string& port, std::string_view style) {
    std::vector<std::string> out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (IsFlag(a) || !a.starts_with("--") || i == 0) {
            if (a != "--json" && a != "--quiet" && a != "--progress")
                out.emplace_back(a);
        } else if (i + 1 < args.size()) {
            // An option with a value; the ports are given one to each process.
            if (a != "--port") {
                out.emplace_back(a);
                out.emplace_back(args[i + 1]);
            }
            ++i;
        }
    }
    out.emplace_back(style);
    out.emplace_back("--port");
    out.push_back(port);
    return out;
}

}  // namespace cli

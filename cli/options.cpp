#include "cli/options.h"

#include <charconv>
#include <utility>

namespace cli {

const char* const kUsage =
    "usage: kven-cli program [options] IMAGE    program the image (erase, write, verify, "
    "checksums)\n"
    "       kven-cli eepsum  [options] IMAGE    send the image's block checksum table only\n"
    "       kven-cli ports                      list the serial devices and their COM numbers\n"
    "       kven-cli --help | --version\n"
    "options:\n"
    "  --port COMn|PATH     serial port: a COM number of the INI file, or a device path\n"
    "  --baud N             line speed in bit/s\n"
    "  --data-bits 4..8     data bits per character\n"
    "  --parity none|odd|even|mark|space\n"
    "  --stop-bits 1|1.5|2\n"
    "  --readback FILE      write the data the loader read back to FILE\n"
    "  --sums FILE          write the checksum table the loader returned to FILE\n"
    "  --ini FILE           take defaults from FILE instead of the desktop program's INI\n"
    "  --json               print one JSON object with the result, and nothing else\n"
    "  --quiet              print only the result line\n"
    "Port and line settings default to the desktop program's INI file, which is never "
    "written.\n"
    "Exit status: 0 success, 2-9 and 11-14 the job's result code, 10 the job did not start,\n"
    "64 usage error, 130 interrupted.\n";

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
        if (a == "--json") {
            o.json = true;
            continue;
        }
        if (a == "--quiet") {
            o.quiet = true;
            continue;
        }
        if (a == "--help") {
            o.command = Command::Help;
            return {o, {}};
        }
        if (i + 1 >= args.size())
            return Error(std::string(a) + " needs a value");
        const std::string_view v = args[++i];
        if (a == "--port") {
            if (v.empty())
                return Error("--port needs a COM number or a device path");
            o.port = std::string(v);
        } else if (a == "--baud") {
            o.baud = Number<std::int32_t>(v);
            if (!o.baud || *o.baud <= 0)
                return Error("--baud needs a positive number");
        } else if (a == "--data-bits") {
            const auto n = Number<int>(v);
            if (!n || *n < 4 || *n > 8)
                return Error("--data-bits takes 4 to 8");
            o.dataBits = static_cast<std::uint8_t>(*n);
        } else if (a == "--parity") {
            o.parity = ParityCode(v);
            if (!o.parity)
                return Error("--parity takes none, odd, even, mark or space");
        } else if (a == "--stop-bits") {
            o.stopBits = StopBitsCode(v);
            if (!o.stopBits)
                return Error("--stop-bits takes 1, 1.5 or 2");
        } else if (a == "--readback") {
            o.readback = std::string(v);
        } else if (a == "--sums") {
            o.sums = std::string(v);
        } else if (a == "--ini") {
            o.ini = std::string(v);
        } else {
            return Error("unknown option " + std::string(a));
        }
    }
    if (o.command == Command::Ports) {
        if (!positional.empty())
            return Error("ports takes no arguments");
        return {o, {}};
    }
    if (positional.size() != 1)
        return Error("give exactly one IMAGE file");
    o.image = std::string(positional[0]);
    return {o, {}};
}

}  // namespace cli

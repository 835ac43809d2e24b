#include "cli/command/option_table.h"

#include <charconv>
#include <cmath>
#include <utility>

#include "image/format.h"
#include "image/load.h"

namespace cli {
namespace {

template <typename T>
std::optional<T> Number(std::string_view s) {
    T v{};
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || end != s.data() + s.size())
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

std::string Sequence(LineSequence& into, std::string_view name, std::string_view v) {
    std::string error;
    auto sequence = ParseLineSequence(v, &error);
    if (!sequence)
        return std::string(name) + ": " + error;
    into = std::move(*sequence);
    return {};
}

// Seconds with up to three decimals, as milliseconds.
std::optional<std::chrono::milliseconds> Seconds(std::string_view v) {
    const auto dot = v.find('.');
    const auto whole = Number<std::uint32_t>(v.substr(0, dot));
    std::string_view fraction = dot == std::string_view::npos ? "" : v.substr(dot + 1);
    if (!whole || *whole > 86400 || fraction.size() > 3 ||
        (dot != std::string_view::npos && fraction.empty()))
        return std::nullopt;
    std::uint32_t ms = 0;
    for (std::size_t i = 0; i < 3; ++i) {
        const char c = i < fraction.size() ? fraction[i] : '0';
        if (c < '0' || c > '9')
            return std::nullopt;
        ms = ms * 10 + static_cast<std::uint32_t>(c - '0');
    }
    return std::chrono::milliseconds(std::int64_t{*whole} * 1000 + ms);
}

constexpr OptionRow kOptions[] = {
    {"--port", "COMn|PATH|usb:ID", Takes::Port, kJobs,
     "serial port: a COM number of the INI file, a device path (also a\n"
     "/dev/serial/by-path/ name), usb:SERIAL or usb:VID:PID[#N];\n"
     "repeat it to program several targets at once",
     "The serial port: a COM number of the INI file; a device path, such as a /dev/serial/by-id/ "
     "or /dev/serial/by-path/ link (the latter names the USB socket, so it tells apart adapters "
     "without a serial number); usb:SERIAL, the USB adapter with that serial number; or "
     "usb:VID:PID, the one adapter with that USB id, and usb:VID:PID#N the Nth of several, "
     "counted in the order of their USB sockets (see STABLE SLOTS). Given more than once, the "
     "targets on all these ports are programmed at once (see SEVERAL PORTS).",
     [](Options& o, std::string_view v) -> std::string {
         if (v.empty())
             return "--port needs a COM number, a device path or a usb: name";
         o.ports.emplace_back(v);
         return {};
     }},
    {"--baud", "N", Takes::Number, kJobs, "line speed in bit/s", "Line speed in bit/s.",
     [](Options& o, std::string_view v) -> std::string {
         o.baud = Number<std::int32_t>(v);
         return !o.baud || *o.baud <= 0 ? "--baud needs a positive number" : "";
     }},
    {"--data-bits", "4..8", Takes::Number, kJobs, "data bits per character",
     "Data bits per character.",
     [](Options& o, std::string_view v) -> std::string {
         const auto n = Number<int>(v);
         if (!n || *n < 4 || *n > 8)
             return "--data-bits takes 4 to 8";
         o.dataBits = static_cast<std::uint8_t>(*n);
         return {};
     }},
    {"--parity", "none|odd|even|mark|space", Takes::Choice, kJobs, "parity", "Parity.",
     [](Options& o, std::string_view v) -> std::string {
         o.parity = ParityCode(v);
         return o.parity ? "" : "--parity takes none, odd, even, mark or space";
     }},
    {"--stop-bits", "1|1.5|2", Takes::Choice, kJobs, "stop bits", "Stop bits.",
     [](Options& o, std::string_view v) -> std::string {
         o.stopBits = StopBitsCode(v);
         return o.stopBits ? "" : "--stop-bits takes 1, 1.5 or 2";
     }},
    {"--readback", "FILE", Takes::File, kJobs, "write the data the loader read back to FILE",
     "Write the data the loader read back to FILE.",
     [](Options& o, std::string_view v) -> std::string {
         o.readback = v;
         return {};
     }},
    {"--sums", "FILE", Takes::File, kJobs, "write the checksum table the loader returned to FILE",
     "Write the checksum table the loader returned to FILE.",
     [](Options& o, std::string_view v) -> std::string {
         o.sums = v;
         return {};
     }},
    {"--ini", "FILE", Takes::File, kImageReaders | kPorts,
     "take defaults from FILE instead of the desktop program's INI",
     "Take defaults (and the COM numbers of its PORTS section) from FILE instead of the desktop "
     "program's INI file.",
     [](Options& o, std::string_view v) -> std::string {
         o.ini = v;
         return {};
     }},
    {"--json", "", Takes::Nothing, kImageReaders | kPorts,
     "print one JSON object with the result, and nothing else",
     "Print one JSON object with the result, and nothing else. With ports: one object that "
     "lists every serial device with everything known of it. With image: the image's object, "
     "as in the job log.",
     [](Options& o, std::string_view) -> std::string {
         o.json = true;
         return {};
     }},
    {"--quiet", "", Takes::Nothing, kImageReaders, "print only the result line",
     "Print only the result line.",
     [](Options& o, std::string_view) -> std::string {
         o.quiet = true;
         return {};
     }},
    {"--repeat", "", Takes::Nothing, kJobs, "board after board until Ctrl+C, then a tally",
     "Board after board until Ctrl+C (see BOARD AFTER BOARD).",
     [](Options& o, std::string_view) -> std::string {
         o.repeat = true;
         return {};
     }},
    {"--log", "FILE", Takes::File, kJobs, "append one JSON line per attempt to FILE",
     "Append one JSON object per job attempt to FILE (see JOB LOG).",
     [](Options& o, std::string_view v) -> std::string {
         o.log = v;
         return {};
     }},
    {"--station", "NAME", Takes::Text, kJobs, "the station the log names (default: the host name)",
     "The name of this station in the job log; the default is the host name.",
     [](Options& o, std::string_view v) -> std::string {
         o.station = v;
         return v.empty() ? "--station needs a name" : "";
     }},
    {"--serial", "ADDR:WIDTH", Takes::Text, kProgram,
     "write each board's serial number at target address ADDR\n"
     "(0x... or decimal), WIDTH bytes, before the checksums",
     "Write each board's own serial number into the image at target address ADDR (0x... in "
     "hex, or decimal), WIDTH bytes wide, before the image's checksum and its block checksum "
     "table are made, so each board's table is its own (see SERIAL NUMBERS).",
     [](Options& o, std::string_view v) -> std::string {
         if (!ParseSerialPlace(v, o.serial.address, o.serial.width))
             return "--serial takes ADDR:WIDTH, such as 0x1FF0:4";
         return o.serial.width == 0 ? "--serial needs a width of at least 1" : "";
     }},
    {"--serial-start", "N", Takes::Number, kProgram, "the first serial number (default 1)",
     "The first serial number, for the first run; the default is 1. Once --serial-state has "
     "kept a number, that number goes on.",
     [](Options& o, std::string_view v) -> std::string {
         const auto n = Number<std::uint64_t>(v);
         if (!n)
             return "--serial-start needs a number";
         o.serial.start = *n;
         return {};
     }},
    {"--serial-step", "K", Takes::Number, kProgram, "add K for each board (default 1)",
     "Add K for each board; the default is 1.",
     [](Options& o, std::string_view v) -> std::string {
         const auto n = Number<std::uint64_t>(v);
         if (!n || *n == 0)
             return "--serial-step needs a positive number";
         o.serial.step = *n;
         return {};
     }},
    {"--serial-format", "le|be|dec|hex", Takes::Choice, kProgram,
     "binary little- or big-endian (default le), or ASCII\n"
     "decimal or hex digits padded with zeros",
     "How the number is written: le and be in binary, little- or big-endian (WIDTH 1 to 8 "
     "bytes; le is the default); dec and hex as ASCII digits padded with zeros to WIDTH (1 to "
     "32; hex in upper case).",
     [](Options& o, std::string_view v) -> std::string {
         const auto format = ParseSerialFormat(v);
         if (!format)
             return "--serial-format takes le, be, dec or hex";
         o.serial.format = *format;
         return {};
     }},
    {"--serial-file", "FILE", Takes::File, kProgram,
     "take the values from FILE instead, one per line as hex bytes",
     "Take the values from FILE instead of counting: one per line, WIDTH bytes in hex (00 1B "
     "2C, 00:1b:2c or 001B2C), used in order; blank lines and lines that begin with # are "
     "skipped. When every value has been used, the next board is refused.",
     [](Options& o, std::string_view v) -> std::string {
         o.serial.file = v;
         return v.empty() ? "--serial-file needs a file" : "";
     }},
    {"--serial-state", "FILE", Takes::File, kProgram,
     "keep the next number in FILE across runs (and ports)",
     "Keep the next number (for --serial-file, the number of values taken) in FILE across runs. "
     "Several kven-cli, and the processes of several ports, may share one FILE: it is changed "
     "under a lock on FILE.lock and written atomically.",
     [](Options& o, std::string_view v) -> std::string {
         o.serial.state = v;
         return v.empty() ? "--serial-state needs a file" : "";
     }},
    {"--serial-overwrite", "", Takes::Nothing, kProgram,
     "write the number over bytes that are not 0xFF",
     "Write the number even where the image's bytes are not 0xFF (erased flash); without it "
     "such a board is refused.",
     [](Options& o, std::string_view) -> std::string {
         o.serial.overwrite = true;
         return {};
     }},
    {"--reset", "SEQ", Takes::Sequence, kJobs,
     "drive DTR and RTS before each link attempt, such as\n"
     "dtr,-rts,50ms,-dtr (see the manual)",
     "Before each link request (each attempt, and each look for a board board after board) "
     "drive the modem lines as SEQ says, to reset the target into its loader: steps separated "
     "by commas, dtr and rts raise a line (assert it: on most adapters the pin goes low), -dtr "
     "and -rts drop it, and 50ms waits 50 milliseconds (1 to 10000). Bytes the target sends "
     "meanwhile are dropped. A device that has no modem lines, such as a pseudo-terminal, or a "
     "driver that refuses, ends the job before it starts. Without --reset and --after the "
     "lines stay off.",
     [](Options& o, std::string_view v) { return Sequence(o.reset, "--reset", v); }},
    {"--after", "SEQ", Takes::Sequence, kJobs, "drive DTR and RTS after a success, as --reset",
     "After a job that succeeded, drive the modem lines as SEQ says (as --reset), for instance "
     "to start the program just written. Whether the device has modem lines is checked before "
     "the job starts.",
     [](Options& o, std::string_view v) { return Sequence(o.after, "--after", v); }},
    {"--retries", "N", Takes::Number, kJobs,
     "start a failed board again from the link, up to N times",
     "Start a board whose job failed (a link, a time-out, a wrong echo or read-back) again from "
     "the link, up to N times; never after Ctrl+C. Each attempt is logged; the board's result "
     "is its last attempt's.",
     [](Options& o, std::string_view v) -> std::string {
         const auto n = Number<int>(v);
         if (!n || *n < 0 || *n > 100)
             return "--retries takes 0 to 100";
         o.retries = *n;
         return {};
     }},
    {"--wait-port", "S", Takes::Number, kJobs, "wait up to S s for a missing port to appear",
     "When the port is missing as an attempt starts (a USB adapter re-enumerating), wait up to "
     "S seconds for it to appear before the job is given up as not started.",
     [](Options& o, std::string_view v) -> std::string {
         const auto ms = Seconds(v);
         if (!ms)
             return "--wait-port takes seconds, such as 5 or 2.5";
         o.waitPort = *ms;
         return {};
     }},
    {"--format", "raw|hex|srec|elf", Takes::Choice, kImageReaders,
     "read IMAGE as this format, whatever its name says",
     "Read IMAGE as a raw binary, Intel HEX, Motorola S-record or ELF file, whatever its name "
     "says. The content must still begin as the format does.",
     [](Options& o, std::string_view v) -> std::string {
         o.format = v;
         return image::FormatFromKey(v) ? "" : "--format takes raw, hex, srec or elf";
     }},
    {"--base", "ADDR", Takes::Text, kImageReaders,
     "the address of the image's first byte (0x08000000 or\n"
     "decimal)",
     "The address of the image's first byte, as 0x08000000 or in decimal; data below it is "
     "refused, the bytes before the lowest data are filled with 0xFF. Without it, the BASE key "
     "of the INI file's IMAGE section, else the lowest address in the file. A raw binary has no "
     "addresses and ignores it.",
     [](Options& o, std::string_view v) -> std::string {
         o.base = v;
         return image::ParseAddress(v) ? ""
                                       : "--base takes an address from 0 to 0xFFFFFFFF, such as "
                                         "0x08000000";
     }},
    {"--progress", "", Takes::Nothing, kJobs,
     "print machine-readable progress lines (for front ends)",
     "Print the job's progress as machine-readable lines, one event per line, for a front end: "
     "progress PHASE POSITION TOTAL RATE, loader TEXT, checksum N, serial TEXT, message TEXT, "
     "hint TEXT, waiting BOARD PRESENT, attempt BOARD ATTEMPT CODE, board BOARD CODE BYTES MS "
     "and result CODE BYTES MS. This is how the processes of several ports report to the one "
     "that shows the table.",
     [](Options& o, std::string_view) -> std::string {
         o.progress = true;
         return {};
     }},
    {"--names", "", Takes::Nothing, kPorts, "ports: print only the names --port takes, one a line",
     "With ports: print only the names that --port takes for the devices present, one a line "
     "(COM numbers, devices, their by-id and by-path links and usb: names), for a shell's "
     "completion.",
     [](Options& o, std::string_view) -> std::string {
         o.names = true;
         return {};
     }},
};

constexpr CommandRow kCommands[] = {
    {"program", Command::Program, kProgram, "[options] IMAGE",
     "program the image (erase, write, verify, checksums)"},
    {"eepsum", Command::EepSum, kEepSum, "[options] IMAGE",
     "send the image's block checksum table only"},
    {"ports", Command::Ports, kPorts, "[--json|--names]",
     "list the serial devices, their COM numbers and names"},
    {"image", Command::Image, kImage, "[options] IMAGE", "show how IMAGE is read, without a port"},
};

}  // namespace

std::span<const OptionRow> OptionTable() {
    return kOptions;
}

const OptionRow* FindOption(std::string_view name) {
    for (const OptionRow& option : kOptions) {
        if (option.name == name)
            return &option;
    }
    return nullptr;
}

std::span<const CommandRow> CommandTable() {
    return kCommands;
}

}  // namespace cli

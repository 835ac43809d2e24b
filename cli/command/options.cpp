#include "cli/command/options.h"

#include <utility>

#include "cli/command/option_table.h"

namespace cli {
namespace {

ParseResult Error(std::string text) {
    return {std::nullopt, std::move(text)};
}

bool IsFlag(std::string_view a) {
    const OptionRow* option = FindOption(a);
    return a == "--help" || (option && option->value.empty());
}

// Combinations of the serial number options that cannot work.
std::string CheckSerial(const Options& o) {
    const SerialPlan& s = o.serial;
    const SerialPlan plain;
    const bool companions = s.start != plain.start || s.step != plain.step ||
                            s.format != plain.format || !s.file.empty() || !s.state.empty() ||
                            s.overwrite;
    if (!s.Enabled())
        return companions ? "the --serial- options go with --serial ADDR:WIDTH" : "";
    if (!s.file.empty() &&
        (s.start != plain.start || s.step != plain.step || s.format != plain.format)) {
        return "--serial-file takes its values as they are: no --serial-start, --serial-step "
               "or --serial-format";
    }
    if (s.file.empty()) {
        if (std::string error = CheckSerialWidth(s.format, s.width); !error.empty())
            return "--serial: " + error;
    }
    if (o.ports.size() > 1 && s.state.empty()) {
        return "--serial with several ports needs --serial-state FILE, which the ports share so "
               "that no two boards get one number";
    }
    return {};
}

// Combinations that cannot work.
ParseResult Check(Options o) {
    if (o.json && o.progress)
        return Error("--json and --progress exclude each other");
    if (o.ports.size() > 1 && (!o.readback.empty() || !o.sums.empty()))
        return Error("--readback and --sums take a single port");
    if (o.ports.size() > 1 && o.progress)
        return Error("--progress takes a single port");
    if (std::string error = CheckSerial(o); !error.empty())
        return Error(std::move(error));
    return {std::move(o), {}};
}

const CommandRow* FindCommand(std::string_view name) {
    for (const CommandRow& c : CommandTable()) {
        if (c.name == name)
            return &c;
    }
    return nullptr;
}

void AppendIndented(std::string& text, std::string_view lines, std::size_t column) {
    for (;;) {
        const auto nl = lines.find('\n');
        text.append(lines.substr(0, nl));
        text += '\n';
        if (nl == std::string_view::npos)
            return;
        lines.remove_prefix(nl + 1);
        text.append(column, ' ');
    }
}

}  // namespace

std::string UsageText() {
    constexpr std::size_t kColumn = 23;
    std::string text;
    bool first = true;
    for (const CommandRow& c : CommandTable()) {
        std::string line = std::string(first ? "usage: " : "       ") + "kven-cli " +
                           std::string(c.name) + " " + std::string(c.synopsis);
        line.resize(std::max<std::size_t>(line.size() + 2, 44), ' ');
        text += line + std::string(c.help) + "\n";
        first = false;
    }
    text += "       kven-cli --help | --version\noptions:\n";
    for (const OptionRow& option : OptionTable()) {
        std::string head = "  " + std::string(option.name);
        if (!option.value.empty())
            head += " " + std::string(option.value);
        if (head.size() + 1 > kColumn) {
            text += head + "\n";
            head.clear();
        }
        head.resize(kColumn, ' ');
        text += head;
        AppendIndented(text, option.help, kColumn);
    }
    text +=
        "Port and line settings default to the desktop program's INI file, which is never "
        "written.\n"
        "IMAGE is a raw binary unless its name ends in .hex .ihex .ihx (Intel HEX), .s19 .s28 "
        ".s37\n"
        ".srec .mot (S-record) or .elf .axf (ELF); those are programmed as one image from the "
        "base\n"
        "(the lowest address in the file by default), gaps filled with 0xFF.\n"
        "Exit status: 0 success, 2-9 and 11-14 the job's result code, 10 the job did not start,\n"
        "64 usage error, 130 interrupted. Board after board: 0 when every board succeeded, else "
        "the\n"
        "last failure's code. Several ports: 0 when every port succeeded, else the status of "
        "the\n"
        "first port (in the order given) that did not.\n";
    return text;
}

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
    const CommandRow* command = FindCommand(cmd);
    if (!command)
        return Error("unknown command '" + std::string(cmd) + "'");
    o.command = command->command;

    std::vector<std::string_view> positional;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string_view a = args[i];
        if (!a.starts_with("--")) {
            positional.push_back(a);
            continue;
        }
        if (a == "--help") {
            o.command = Command::Help;
            return {o, {}};
        }
        const OptionRow* option = FindOption(a);
        if (!option)
            return Error("unknown option " + std::string(a));
        if ((option->commands & command->set) == 0)
            return Error(std::string(a) + " does not go with " + std::string(cmd));
        std::string_view value;
        if (!option->value.empty()) {
            if (i + 1 >= args.size())
                return Error(std::string(a) + " needs a value");
            value = args[++i];
        }
        if (std::string error = option->apply(o, value); !error.empty())
            return Error(std::move(error));
    }
    if (o.command == Command::Ports) {
        if (!positional.empty())
            return Error("ports takes no arguments");
        if (o.json && o.names)
            return Error("--json and --names exclude each other");
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

// Every option of kven-cli in one table: how it is parsed, what --help says of it and what the
// man page says of it, side by side. The parser, the usage text, the man page's OPTIONS section
// and the bash completion are all made from this table (option_docs.h).
//
// Threading: constant data.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "cli/command/options.h"

namespace cli {

// What an option's value is, for the completion.
enum class Takes { Nothing, Text, Number, File, Port, Choice, Sequence };

// The commands an option goes with.
enum CommandSet : unsigned {
    kProgram = 1,
    kEepSum = 2,
    kPorts = 4,
    kImage = 8,
    kJobs = kProgram | kEepSum,
    kImageReaders = kJobs | kImage,  // what reads the image
};

struct OptionRow {
    std::string_view name;   // "--port"
    std::string_view value;  // as the usage names the value ("FILE", "none|odd"); empty: a flag
    Takes takes;
    unsigned commands;        // CommandSet
    std::string_view help;    // --help: a line, '\n' before each further line
    std::string_view manual;  // the man page's paragraph; --options in it are set in bold
    // Sets the option from its value (empty for a flag): the error, or empty.
    std::string (*apply)(Options& options, std::string_view value);
};

std::span<const OptionRow> OptionTable();

// The entry of `name`, or null.
const OptionRow* FindOption(std::string_view name);

// The commands, in the usage's order, with their synopsis and meaning.
struct CommandRow {
    std::string_view name;
    Command command;
    unsigned set;  // its CommandSet bit
    std::string_view synopsis;
    std::string_view help;
};
std::span<const CommandRow> CommandTable();

}  // namespace cli

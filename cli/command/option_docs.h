// What the option table (option_table.h) becomes besides the parser and --help: the man page's
// OPTIONS section and the bash completion. The build writes both with kven-cli-docs, so the
// manual and the completion always know the options the program knows.
//
// Threading: pure functions.
#pragma once

#include <string>

namespace cli {

// The entries of the OPTIONS section in roff, one .TP paragraph per option.
std::string ManOptions();

// A bash completion script for kven-cli: its commands, the options each command takes, the
// choices of an option's value, image and other files, and port names from
// `kven-cli ports --names`.
std::string BashCompletion();

}  // namespace cli

// Hints that follow a failed start: why a port could not be opened and what to do about it.
#pragma once

#include <string>
#include <vector>

namespace cli {

// For the open-failure `message` of a job on COM number `port`: the device's group and the
// command that adds the user to it (permission), the process that holds it (busy), or the
// ports that exist (missing). Empty for other messages.
std::vector<std::string> OpenFailureHints(const std::string& message, int port);

// The processes (pid and name) that have `device` open, from /proc.
std::vector<std::string> DeviceHolders(const std::string& device);

}  // namespace cli

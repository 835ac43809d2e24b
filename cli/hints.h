// Hints that follow a failed start: why a port could not be opened and what to do about it.
#pragma once

#include <string>
#include <vector>

#include "platform/termios2.h"

namespace cli {

// For the open-failure `message` of a job on COM number `port` with line settings `line`: who
// may open the device and how to get access (permission), the process that holds
// it (busy), the ports that exist (missing), or the line its driver runs instead of the one
// asked for (open failed). Empty for other messages.
std::vector<std::string> OpenFailureHints(const std::string& message, int port,
                                          const platform::termios2::LineSettings& line);

// Why a user may not open `device` (its permission bits `mode`, owner and group names) and who
// may: a group to join only where that group may read and write and is not root; otherwise
// who may open it and whom to ask.
std::vector<std::string> PermissionHints(const std::string& device, unsigned mode,
                                         const std::string& owner, const std::string& group);

// The processes (pid and name) that have `device` open, from /proc.
std::vector<std::string> DeviceHolders(const std::string& device);

}  // namespace cli

// The computer's name, which kven-cli's job log gives as the station a board was programmed at.
//
// Threading: a free function without shared state; any thread.
#pragma once

#include <string>

namespace platform {

// gethostname on Linux, GetComputerNameA on Windows; "unknown" when it cannot be read.
std::string HostName();

}  // namespace platform

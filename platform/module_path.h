// The stand-in for GetModuleFileName: the running executable's path.
#pragma once

#include <string>

namespace platform {

// The executable's full path: /proc/self/exe on Linux, GetModuleFileNameA on Windows; empty
// when it cannot be read.
std::string GetModuleFileName();

}  // namespace platform

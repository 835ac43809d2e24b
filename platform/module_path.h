// The stand-in for GetModuleFileName: the running executable's path.
#pragma once

#include <string>

namespace platform {

// The executable's full path from /proc/self/exe; empty when it cannot be read.
std::string GetModuleFileName();

}  // namespace platform
